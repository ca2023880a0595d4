#pragma once

#include <QMainWindow>

class QTextBrowser;

// The program's own help window over the bundled HTML topics.
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
};
