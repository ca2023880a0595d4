#include "core/settings/RegistryKey.h"

RegistryKey::RegistryKey(RegistryStore& store) : m_store(store) {}

RegistryKey::~RegistryKey() {
  CloseKey();
}

bool RegistryKey::OpenKey(const QString& path, bool canCreate) {
  CloseKey();
  if (canCreate) {
    if (!m_store.CreateKey(path)) return false;
  } else if (!m_store.KeyExists(path)) {
    return false;
  }
  m_path = path;
  m_open = true;
  m_store.BeginUpdate();
  return true;
}

void RegistryKey::CloseKey() {
  if (!m_open) return;
  m_open = false;
  m_path.clear();
  m_store.EndUpdate();
}

bool RegistryKey::ValueExists(const QString& name) const {
  return m_open && m_store.ValueExists(m_path, name);
}

bool RegistryKey::ReadString(const QString& name, QString& out) const {
  if (!m_open) return false;
  const auto value = m_store.ReadString(m_path, name);
  if (!value) return false;
  out = *value;
  return true;
}

bool RegistryKey::ReadInteger(const QString& name, qint32& out) const {
  if (!m_open) return false;
  const auto value = m_store.ReadInteger(m_path, name);
  if (!value) return false;
  out = *value;
  return true;
}

bool RegistryKey::ReadBool(const QString& name, bool& out) const {
  qint32 value = 0;
  if (!ReadInteger(name, value)) return false;
  out = value != 0;
  return true;
}

bool RegistryKey::WriteString(const QString& name, const QString& value) {
  return m_open && m_store.WriteString(m_path, name, value);
}

bool RegistryKey::WriteInteger(const QString& name, qint32 value) {
  return m_open && m_store.WriteInteger(m_path, name, value);
}

bool RegistryKey::WriteBool(const QString& name, bool value) {
  return WriteInteger(name, value ? 1 : 0);
}
