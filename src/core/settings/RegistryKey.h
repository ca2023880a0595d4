#pragma once

#include <QString>

#include "core/settings/RegistryStore.h"

// One open key of the store, in the manner of the readers and writers of settings: open,
// read or write single values, close. Writes made while the key is open are saved together
// when it closes.
class RegistryKey {
 public:
  explicit RegistryKey(RegistryStore& store = RegistryStore::Current());
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Opens the key; with `canCreate` it and any missing parents are created.
  bool OpenKey(const QString& path, bool canCreate);
  void CloseKey();
  bool IsOpen() const { return m_open; }
  const QString& CurrentPath() const { return m_path; }

  bool ValueExists(const QString& name) const;
  // False, leaving `out` alone, when the value is missing or has another type.
  bool ReadString(const QString& name, QString& out) const;
  bool ReadInteger(const QString& name, qint32& out) const;
  bool ReadBool(const QString& name, bool& out) const;  // any non-zero integer is true

  bool WriteString(const QString& name, const QString& value);
  bool WriteInteger(const QString& name, qint32 value);
  bool WriteBool(const QString& name, bool value);  // stored as 0 or 1

 private:
  RegistryStore& m_store;
  QString m_path;
  bool m_open = false;
};
