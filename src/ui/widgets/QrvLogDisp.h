#pragma once

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "core/common/Color.h"

// A scrolling list of coloured text lines that keeps every line of a connection's dialogue.
// The text of all lines sits in one UTF-8 buffer with an offset per line, so memory stays
// close to the size of the text; adding a line and painting a page take constant time.
class TqrvLogDisp : public QAbstractScrollArea {
  Q_OBJECT

 public:
  enum class TBorderStyle { bsNone, bsSingle };

  explicit TqrvLogDisp(QWidget* parent = nullptr);

  // Appends a line and shows it; returns its index.
  int AddLine(const QString& text, TColor color);
  void Clear();
  // Every line, joined with CR LF, as plain text on the clipboard.
  void CopyToClipboard() const;

  int LineCount() const { return static_cast<int>(m_colors.size()); }
  QString Line(int index) const;
  TColor LineColor(int index) const { return m_colors[static_cast<std::size_t>(index)]; }
  QString Text() const;  // every line joined with CR LF

  TBorderStyle BorderStyle() const { return m_borderStyle; }
  void SetBorderStyle(TBorderStyle style);
  int LeftMargin() const { return m_leftMargin; }
  void SetLeftMargin(int margin);

  int LineHeight() const;
  // Lines that fit the client area (client height div line height).
  int PageLines() const;
  // Index of the first visible line.
  int TopLine() const { return m_topLine; }
  // Bytes held for the text and the per-line tables.
  qint64 MemoryBytes() const;

  QSize sizeHint() const override { return {200, 150}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateScrollRange();
  void ScrollTo(int topLine);

  QByteArray m_text;              // every line's UTF-8 text, back to back
  std::vector<qint64> m_offsets;  // start of each line in m_text
  std::vector<TColor> m_colors;   // colour of each line
  TBorderStyle m_borderStyle = TBorderStyle::bsSingle;
  int m_leftMargin = 2;
  int m_topLine = 0;
};

// Handles one line of a connection window's dialogue: a "%" line sets the status text, any
// other line goes to the log in the colour of its kind. Returns true when the line was logged.
bool DisplayLogLine(const QString& line, TqrvLogDisp& log,
                    const std::function<void(const QString&)>& setStatusText);
