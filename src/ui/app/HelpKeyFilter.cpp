#include "ui/app/HelpKeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

THelpKeyFilter::THelpKeyFilter(std::function<void(int)> showContext, QObject* parent)
    : QObject(parent), m_showContext(std::move(showContext)) {}

int THelpKeyFilter::HelpContextOf(const QObject* widget) {
  for (const QObject* object = widget; object != nullptr; object = object->parent()) {
    const QVariant context = object->property("HelpContext");
    if (context.isValid()) return context.toInt();
  }
  return 0;
}

bool THelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
      static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier && watched->isWidgetType()) {
    m_showContext(HelpContextOf(watched));
    return true;
  }
  return QObject::eventFilter(watched, event);
}
