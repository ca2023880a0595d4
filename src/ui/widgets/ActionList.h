#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class QAction;

// A window's command: `name` becomes the object name tests find it by; `hint` holds the short
// and the long part separated by "|" (tool tip and status bar text).
QAction* NewAction(QObject* parent, const char* name, const QString& caption, const QString& hint,
                   const QIcon& icon = QIcon());

// The commands of one window with their enable rules. Every rule is evaluated when the event
// loop is about to wait for input and again right before its command runs, so a command whose
// rule fails does nothing, whether a key, a menu, a button or code invoked it.
class TActionList : public QObject {
  Q_OBJECT

 public:
  using TRule = std::function<bool()>;
  using TExecute = std::function<void()>;

  explicit TActionList(QObject* parent = nullptr);
  ~TActionList() override;

  // `rule` may be empty (always enabled); `checked` (optional) drives a checkable action. The
  // rule first runs at the next UpdateActions (the window calls it once it is built).
  QAction* Add(QAction* action, TRule rule, TExecute execute, TRule checked = {});

  // Evaluates every rule now.
  void UpdateActions();
  // Re-evaluates the rule of `action` and runs it when enabled; false when it did not run.
  bool Execute(QAction* action);
  // Runs the rule of `action` only.
  bool IsEnabled(QAction* action);

 private:
  struct Entry {
    QPointer<QAction> action;
    TRule rule;
    TExecute execute;
    TRule checked;
  };
  Entry* Find(QAction* action);
  bool UpdateEntry(Entry& entry);
  void Triggered(QAction* action);

  std::vector<Entry> m_entries;
  bool m_updating = false;
};
