#include "ui/widgets/DesktopKeys.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QWidget>

void MakeGlobalShortcut(QAction* action) {
  action->setShortcutContext(Qt::ApplicationShortcut);
}

bool TContextMenuKeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  auto* target = qobject_cast<QWidget*>(watched);
  if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier || target == nullptr ||
      !target->isEnabled()) {
    return QObject::eventFilter(watched, event);
  }
  // The same event the Menu key produces: at the current item or the text cursor.
  const QPoint pos = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
  QContextMenuEvent menu(QContextMenuEvent::Keyboard, pos, target->mapToGlobal(pos),
                         key->modifiers());
  QApplication::sendEvent(target, &menu);
  return true;
}
