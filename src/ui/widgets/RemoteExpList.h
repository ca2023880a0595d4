#pragma once

#include <vector>

class TRemoteExplorer;

// The open remote explorers, the most recently activated first. Does not own them.
class TRemoteExpList {
 public:
  void AddExplorer(TRemoteExplorer* explorer);
  void RemoveExplorer(TRemoteExplorer* explorer);
  void MoveToFront(TRemoteExplorer* explorer);
  TRemoteExplorer* Current() const;
  int Count() const { return static_cast<int>(m_items.size()); }
  TRemoteExplorer* Items(int index) const { return m_items[static_cast<std::size_t>(index)]; }

 private:
  std::vector<TRemoteExplorer*> m_items;
};

// The program-wide list.
TRemoteExpList& RemoteExpList();
