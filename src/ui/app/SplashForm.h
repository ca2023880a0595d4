#pragma once

#include <QPixmap>
#include <QWidget>

// The start-up picture: borderless, on top, 450 by 300, centred, painted at once.
class TSplashForm : public QWidget {
  Q_OBJECT

 public:
  TSplashForm();
  // Shows the window and paints it before anything else loads.
  void ShowNow();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap m_logo;
};
