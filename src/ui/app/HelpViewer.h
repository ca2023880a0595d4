#pragma once

#include <QMainWindow>
#include <QPointer>

class QTextBrowser;

// The program's own help window over the bundled HTML topics. Opened while a modal dialog is
// up, it joins that dialog (beside it, usable) until the dialog closes.
class THelpViewer : public QMainWindow {
  Q_OBJECT

 public:
  explicit THelpViewer(QWidget* parent = nullptr);

  // Opens a topic ("welcome.html"); a missing topic is reported once and shows nothing.
  bool ShowTopic(const QString& topic);
  // Opens the topic of a help context number (1001 the site book, ...).
  bool ShowContext(int context);
  static QString TopicOfContext(int context);

  QTextBrowser* Browser;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowWindow();
  void JoinModal(QWidget* modal);
  void LeaveModal();
  void TopicChanged();

  QPointer<QWidget> m_modal;
};
