#pragma once

#include <QObject>

class QAction;

// Keys that work alike in every window of the program. A window needs to do nothing to get
// them; it only must not bind these keys itself.

// Makes the shortcut of `action` work from every window of the program (the main bar's window
// toggles), as long as no modal dialog blocks the window the action belongs to.
void MakeGlobalShortcut(QAction* action);

// Shift+F10 opens the context menu of the focused widget, exactly as the Menu key does.
// Installed once on the application.
class TContextMenuKeyFilter : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
