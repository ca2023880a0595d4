#include "ui/app/SplashForm.h"

#include <QApplication>
#include <QPainter>

#include "ui/app/AppInfo.h"
#include "ui/widgets/WindowPlacement.h"

TSplashForm::TSplashForm()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("SplashForm"));
  setAttribute(Qt::WA_OpaquePaintEvent);  // the picture covers everything: no erase
  setFixedSize(450, 300);
  m_logo = AppInfo::Logo(size(), devicePixelRatioF());
  move(WorkArea().center() - rect().center());
}

void TSplashForm::ShowNow() {
  show();
  repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TSplashForm::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawPixmap(0, 0, m_logo);
}
