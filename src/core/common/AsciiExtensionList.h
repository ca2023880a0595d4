#pragma once

#include <QStringList>
#include <memory>
#include <mutex>

// The list of extensions sent as ASCII, shared by the options and every worker. The options
// dialog replaces it while workers read it, so readers take an immutable snapshot and the
// writer swaps a whole new list in: nobody ever sees a half-built list.
class AsciiExtensionList {
 public:
  using Snapshot = std::shared_ptr<const QStringList>;

  AsciiExtensionList();
  explicit AsciiExtensionList(QStringList entries);

  Snapshot Get() const;
  void Replace(QStringList entries);

 private:
  mutable std::mutex m_mutex;
  Snapshot m_list;
};
