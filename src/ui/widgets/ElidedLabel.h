#pragma once

#include <QWidget>

// A one-line status text that never widens its window: a text that does not fit ends in an
// ellipsis, and the whole text is the tool tip.
class TElidedLabel : public QWidget {
  Q_OBJECT

 public:
  explicit TElidedLabel(QWidget* parent = nullptr);

  void setText(const QString& text);
  void clear() { setText(QString()); }
  QString text() const { return m_text; }
  // What is shown at the current width.
  QString ShownText() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString m_text;
};
