#pragma once

#include <QList>

#include "core/carrier/FTPCarryItem.h"

// An ordered list of items that does not own them: clearing it or destroying it leaves the
// items alive for whoever owns them.
class TFTPCarryItems {
 public:
  int Count() const { return static_cast<int>(m_items.size()); }
  TFTPCarryItem* Items(int index) const { return m_items.at(index); }
  int Add(TFTPCarryItem* item) {
    m_items.append(item);
    return Count() - 1;
  }
  void Clear() { m_items.clear(); }

 private:
  QList<TFTPCarryItem*> m_items;
};
