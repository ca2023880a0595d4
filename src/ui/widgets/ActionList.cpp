#include "ui/widgets/ActionList.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCoreApplication>

TActionList::TActionList(QObject* parent) : QObject(parent) {
  if (auto* dispatcher = QAbstractEventDispatcher::instance()) {
    connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TActionList::UpdateActions);
  }
}

TActionList::~TActionList() = default;

QAction* TActionList::Add(QAction* action, TRule rule, TExecute execute, TRule checked) {
  m_entries.push_back(Entry{action, std::move(rule), std::move(execute), std::move(checked)});
  connect(action, &QAction::triggered, this, [this, action] { Triggered(action); });
  // Not evaluated here: rules usually read widgets the window creates after its actions.
  return action;
}

TActionList::Entry* TActionList::Find(QAction* action) {
  for (Entry& entry : m_entries) {
    if (entry.action == action) return &entry;
  }
  return nullptr;
}

bool TActionList::UpdateEntry(Entry& entry) {
  if (entry.action.isNull()) return false;
  const bool enabled = !entry.rule || entry.rule();
  if (entry.action->isEnabled() != enabled) entry.action->setEnabled(enabled);
  if (entry.checked) {
    const bool checked = entry.checked();
    if (entry.action->isChecked() != checked) {
      const QSignalBlocker block(entry.action);
      entry.action->setChecked(checked);
    }
  }
  return enabled;
}

void TActionList::UpdateActions() {
  // A rule may process events (a modal dialog, a nested loop); never re-enter.
  if (m_updating) return;
  m_updating = true;
  for (std::size_t i = 0; i < m_entries.size(); ++i) UpdateEntry(m_entries[i]);
  m_updating = false;
}

bool TActionList::IsEnabled(QAction* action) {
  Entry* entry = Find(action);
  return entry != nullptr && UpdateEntry(*entry);
}

bool TActionList::Execute(QAction* action) {
  Entry* entry = Find(action);
  if (entry == nullptr || !UpdateEntry(*entry)) return false;
  // Copy: the command may add actions and move the entries.
  const TExecute execute = entry->execute;
  if (execute) execute();
  if (Entry* after = Find(action)) UpdateEntry(*after);
  return true;
}

void TActionList::Triggered(QAction* action) {
  Entry* entry = Find(action);
  if (entry == nullptr) return;
  if (entry->checked) {
    // A check button flips its own state on a click; the rule owns the state.
    const QSignalBlocker block(action);
    action->setChecked(!action->isChecked());
  }
  Execute(action);
}

QAction* NewAction(QObject* parent, const char* name, const QString& caption, const QString& hint,
                   const QIcon& icon) {
  auto* action = new QAction(icon, caption, parent);
  action->setObjectName(QLatin1String(name));
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  action->setToolTip(bar < 0 ? hint : hint.left(bar));
  action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
  return action;
}
