#include "ui/widgets/RemoteExpList.h"

#include <algorithm>

void TRemoteExpList::AddExplorer(TRemoteExplorer* explorer) {
  m_items.push_back(explorer);
}

void TRemoteExpList::RemoveExplorer(TRemoteExplorer* explorer) {
  const auto it = std::find(m_items.begin(), m_items.end(), explorer);
  if (it != m_items.end()) m_items.erase(it);
}

void TRemoteExpList::MoveToFront(TRemoteExplorer* explorer) {
  const auto it = std::find(m_items.begin(), m_items.end(), explorer);
  if (it != m_items.end()) std::rotate(m_items.begin(), it, it + 1);
}

TRemoteExplorer* TRemoteExpList::Current() const {
  return m_items.empty() ? nullptr : m_items.front();
}

TRemoteExpList& RemoteExpList() {
  static TRemoteExpList list;
  return list;
}
