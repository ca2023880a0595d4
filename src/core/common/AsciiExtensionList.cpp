#include "core/common/AsciiExtensionList.h"

AsciiExtensionList::AsciiExtensionList() : m_list(std::make_shared<const QStringList>()) {}

AsciiExtensionList::AsciiExtensionList(QStringList entries)
    : m_list(std::make_shared<const QStringList>(std::move(entries))) {}

AsciiExtensionList::Snapshot AsciiExtensionList::Get() const {
  std::lock_guard lock(m_mutex);
  return m_list;
}

void AsciiExtensionList::Replace(QStringList entries) {
  auto fresh = std::make_shared<const QStringList>(std::move(entries));
  std::lock_guard lock(m_mutex);
  m_list = std::move(fresh);
}
