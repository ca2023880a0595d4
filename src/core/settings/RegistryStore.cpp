#include "core/settings/RegistryStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtDebug>

#include <algorithm>

#include "core/settings/RegistryFormat.h"

namespace {

std::unique_ptr<RegistryStore>& CurrentSlot() {
  static std::unique_ptr<RegistryStore> store;
  return store;
}
std::mutex& CurrentMutex() {
  static std::mutex mutex;
  return mutex;
}

RegistryStore::Key* ChildNamed(const RegistryStore::Key& key, const QString& name) {
  for (const auto& child : key.children) {
    if (child->name.compare(name, Qt::CaseInsensitive) == 0) return child.get();
  }
  return nullptr;
}

std::unique_ptr<RegistryStore::Key> CopyKey(const RegistryStore::Key& key) {
  auto copy = std::make_unique<RegistryStore::Key>();
  copy->name = key.name;
  copy->values = key.values;
  for (const auto& child : key.children) copy->children.push_back(CopyKey(*child));
  return copy;
}

// Levels below `key`: 0 for a key without sub-keys.
int SubtreeHeight(const RegistryStore::Key& key) {
  int height = 0;
  for (const auto& child : key.children) height = std::max(height, 1 + SubtreeHeight(*child));
  return height;
}

constexpr QFileDevice::Permissions kPrivateFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadUser | QFileDevice::WriteUser;
constexpr QFileDevice::Permissions kPrivateFolder =
    kPrivateFile | QFileDevice::ExeOwner | QFileDevice::ExeUser;

// Creates `path` and its missing parents private to the owner, whatever the umask.
bool MakePrivatePath(const QString& path) {
  const QString clean = QDir::cleanPath(QDir(path).absolutePath());
  if (QFileInfo(clean).isDir()) return true;
  const QString parent = QFileInfo(clean).absolutePath();
  if (parent != clean && !MakePrivatePath(parent)) return false;
  if (!QDir().mkdir(clean, kPrivateFolder) && !QFileInfo(clean).isDir()) return false;
  return QFile::setPermissions(clean, kPrivateFolder);
}

// Makes a settings file, or a copy of one, readable by its owner only.
void MakePrivate(const QString& path) {
  if ((QFile::permissions(path) & ~kPrivateFile) != 0) QFile::setPermissions(path, kPrivateFile);
}

bool SamePath(const QStringList& a, const QStringList& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (a.at(i).compare(b.at(i), Qt::CaseInsensitive) != 0) return false;
  }
  return true;
}

bool IsInside(const QStringList& inner, const QStringList& outer) {
  if (inner.size() <= outer.size()) return false;
  return SamePath(inner.mid(0, outer.size()), outer);
}

void SetError(QString* error, const QString& text) {
  if (error != nullptr) *error = text;
}

QString TooDeep() {
  return QStringLiteral("Keys cannot nest deeper than %1 levels.")
      .arg(RegistryFormat::kMaxKeyDepth);
}

}  // namespace

RegistryStore::RegistryStore(QString filePath)
    : m_filePath(std::move(filePath)), m_root(std::make_unique<Key>()) {}

RegistryStore::~RegistryStore() = default;

QString RegistryStore::DefaultFilePath() {
  QString folder = qEnvironmentVariable("VORNALO_CONFIG_HOME");
  if (folder.isEmpty()) {
    folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
             QStringLiteral("/vornalo-explorer");
  }
  return QDir(folder).filePath(QStringLiteral("registry.reg"));
}

RegistryStore& RegistryStore::Current() {
  std::lock_guard lock(CurrentMutex());
  auto& slot = CurrentSlot();
  if (!slot) {
    slot = std::make_unique<RegistryStore>(DefaultFilePath());
    const LoadResult result = slot->Load();
    for (const QString& problem : result.problems) qWarning("registry: %s", qPrintable(problem));
    if (!result.keptAsidePath.isEmpty()) {
      qWarning("registry: the original file was kept as %s", qPrintable(result.keptAsidePath));
    }
  }
  return *slot;
}

std::unique_ptr<RegistryStore> RegistryStore::ReplaceCurrent(std::unique_ptr<RegistryStore> store) {
  std::lock_guard lock(CurrentMutex());
  std::swap(CurrentSlot(), store);
  return store;
}

RegistryStore::LoadResult RegistryStore::Load() {
  std::lock_guard lock(m_mutex);
  LoadResult result;
  m_root = std::make_unique<Key>();
  m_dirty = false;
  m_saveBlocked = false;
  if (m_filePath.isEmpty() || !QFileInfo::exists(m_filePath)) {
    m_lastLoad = result;
    return result;
  }
  result.fileFound = true;
  QFile file(m_filePath);
  if (!file.open(QIODevice::ReadOnly)) {
    result.problems << QStringLiteral("cannot read %1: %2").arg(m_filePath, file.errorString());
    m_saveBlocked = true;
    m_lastLoad = result;
    return result;
  }
  const QByteArray bytes = file.readAll();
  file.close();
  MakePrivate(m_filePath);  // written by an older version or by hand with looser modes
  RegistryFormat::Parse(bytes, *m_root, result.problems);
  if (!result.problems.isEmpty()) {
    const QString aside =
        m_filePath + QStringLiteral(".unreadable-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss-zzz"));
    if (KeepAside(aside, bytes)) {
      result.keptAsidePath = aside;
    } else {
      m_saveBlocked = true;  // nowhere to keep it: do not overwrite it either
    }
  }
  m_lastLoad = result;
  return result;
}

bool RegistryStore::KeepAside(const QString& path, const QByteArray& bytes) {
  QFile copy(path);
  // Private before the first byte goes in: the copy holds the same passwords.
  if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
  const bool written = copy.setPermissions(kPrivateFile) && copy.write(bytes) == bytes.size();
  copy.close();
  if (written && copy.error() == QFileDevice::NoError) return true;
  QFile::remove(path);
  return false;
}

bool RegistryStore::Save(QString* error) {
  std::lock_guard lock(m_mutex);
  return SaveLocked(error);
}

bool RegistryStore::SaveLocked(QString* error) {
  if (m_filePath.isEmpty()) {
    m_dirty = false;
    return true;
  }
  if (m_saveBlocked) {
    SetError(error, QStringLiteral("%1 could not be read and is left untouched").arg(m_filePath));
    return false;
  }
  const QFileInfo info(m_filePath);
  if (!MakePrivatePath(info.absolutePath())) {
    SetError(error, QStringLiteral("cannot create the folder %1").arg(info.absolutePath()));
    return false;
  }
  QSaveFile file(m_filePath);
  // QSaveFile gives a new file the umask's modes and a replacement the old file's modes; the
  // file holds passwords, so it is made private before anything is written to it.
  if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kPrivateFile)) {
    SetError(error, file.errorString());
    file.cancelWriting();
    return false;
  }
  file.write(RegistryFormat::Serialize(*m_root).toUtf8());
  if (!file.commit()) {
    SetError(error, file.errorString());
    return false;
  }
  m_dirty = false;
  return true;
}

void RegistryStore::BeginUpdate() {
  std::lock_guard lock(m_mutex);
  ++m_updateDepth;
}

void RegistryStore::EndUpdate() {
  std::lock_guard lock(m_mutex);
  if (m_updateDepth > 0) --m_updateDepth;
  if (m_updateDepth == 0 && m_dirty) {
    QString error;
    if (!SaveLocked(&error)) qWarning("registry: saving failed: %s", qPrintable(error));
  }
}

void RegistryStore::Changed() {
  m_dirty = true;
  if (m_updateDepth == 0) {
    QString error;
    if (!SaveLocked(&error)) qWarning("registry: saving failed: %s", qPrintable(error));
  }
}

bool RegistryStore::IsValidKeyName(const QString& name, QString* error) {
  if (name.trimmed().isEmpty()) {
    SetError(error, QStringLiteral("A key name cannot be empty."));
    return false;
  }
  if (name.contains(QLatin1Char('\\'))) {
    SetError(error, QStringLiteral("A name cannot contain a backslash (\\)."));
    return false;
  }
  if (name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r'))) {
    SetError(error, QStringLiteral("A name cannot contain a line break."));
    return false;
  }
  return true;
}

RegistryStore::Key* RegistryStore::FindKey(const QString& path) const {
  Key* key = m_root.get();
  for (const QString& part : RegistryFormat::SplitPath(path)) {
    key = ChildNamed(*key, part);
    if (key == nullptr) return nullptr;
  }
  return key;
}

RegistryStore::Key* RegistryStore::FindOrCreateKey(const QString& path) {
  Key* key = m_root.get();
  const QStringList parts = RegistryFormat::SplitPath(path);
  if (parts.size() > RegistryFormat::kMaxKeyDepth) return nullptr;
  for (const QString& part : parts) {
    Key* child = ChildNamed(*key, part);
    if (child == nullptr) {
      if (!IsValidKeyName(part)) return nullptr;
      key->children.push_back(std::make_unique<Key>());
      child = key->children.back().get();
      child->name = part;
      m_dirty = true;
    }
    key = child;
  }
  return key;
}

bool RegistryStore::KeyExists(const QString& path) const {
  std::lock_guard lock(m_mutex);
  return FindKey(path) != nullptr;
}

bool RegistryStore::CreateKey(const QString& path) {
  std::lock_guard lock(m_mutex);
  const bool existed = FindKey(path) != nullptr;
  if (FindOrCreateKey(path) == nullptr) return false;
  if (!existed) Changed();
  return true;
}

bool RegistryStore::CreateChildKey(const QString& parentPath, const QString& name, QString* error) {
  if (!IsValidKeyName(name, error)) return false;
  std::lock_guard lock(m_mutex);
  Key* parent = FindKey(parentPath);
  if (parent == nullptr) {
    SetError(error, QStringLiteral("The key %1 does not exist.").arg(parentPath));
    return false;
  }
  if (ChildNamed(*parent, name) != nullptr) return true;
  if (RegistryFormat::SplitPath(parentPath).size() >= RegistryFormat::kMaxKeyDepth) {
    SetError(error, TooDeep());
    return false;
  }
  parent->children.push_back(std::make_unique<Key>());
  parent->children.back()->name = name;
  Changed();
  return true;
}

bool RegistryStore::DeleteKey(const QString& path) {
  std::lock_guard lock(m_mutex);
  const QStringList parts = RegistryFormat::SplitPath(path);
  if (parts.isEmpty()) return false;  // the root itself stays
  Key* parent = FindKey(QStringList(parts.mid(0, parts.size() - 1)).join(QLatin1Char('\\')));
  if (parent == nullptr) return false;
  auto& children = parent->children;
  const auto it = std::find_if(children.begin(), children.end(), [&](const auto& child) {
    return child->name.compare(parts.last(), Qt::CaseInsensitive) == 0;
  });
  if (it == children.end()) return false;
  children.erase(it);
  Changed();
  return true;
}

bool RegistryStore::MoveKey(const QString& from, const QString& to, QString* error) {
  std::lock_guard lock(m_mutex);
  const QStringList fromParts = RegistryFormat::SplitPath(from);
  const QStringList toParts = RegistryFormat::SplitPath(to);
  Key* source = FindKey(from);
  if (fromParts.isEmpty() || source == nullptr) {
    SetError(error, QStringLiteral("The key %1 does not exist.").arg(from));
    return false;
  }
  if (toParts.isEmpty()) {
    SetError(error, QStringLiteral("The target key name is empty."));
    return false;
  }
  for (const QString& part : toParts) {
    if (!IsValidKeyName(part, error)) return false;
  }
  if (SamePath(fromParts, toParts)) {
    source->name = toParts.last();  // a change of case only
    Changed();
    return true;
  }
  if (IsInside(toParts, fromParts)) {
    SetError(error, QStringLiteral("A key cannot be moved into itself."));
    return false;
  }
  if (FindKey(to) != nullptr) {
    SetError(error, QStringLiteral("The key %1 already exists.").arg(to));
    return false;
  }
  if (toParts.size() + SubtreeHeight(*source) > RegistryFormat::kMaxKeyDepth) {
    SetError(error, TooDeep());
    return false;
  }
  BeginUpdate();
  auto copy = CopyKey(*source);
  copy->name = toParts.last();
  Key* targetParent =
      FindOrCreateKey(QStringList(toParts.mid(0, toParts.size() - 1)).join(QLatin1Char('\\')));
  targetParent->children.push_back(std::move(copy));
  m_dirty = true;
  DeleteKey(from);
  EndUpdate();
  return true;
}

bool RegistryStore::RenameKey(const QString& path, const QString& newName, QString* error) {
  if (!IsValidKeyName(newName, error)) return false;
  QStringList parts = RegistryFormat::SplitPath(path);
  if (parts.isEmpty()) {
    SetError(error, QStringLiteral("The root key cannot be renamed."));
    return false;
  }
  parts.last() = newName;
  return MoveKey(path, parts.join(QLatin1Char('\\')), error);
}

QStringList RegistryStore::SubKeyNames(const QString& path) const {
  std::lock_guard lock(m_mutex);
  QStringList names;
  if (const Key* key = FindKey(path)) {
    for (const auto& child : key->children) names << child->name;
  }
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
  });
  return names;
}

QStringList RegistryStore::ValueNames(const QString& path) const {
  std::lock_guard lock(m_mutex);
  QStringList names;
  if (const Key* key = FindKey(path)) {
    for (const Value& value : key->values) names << value.name;
  }
  return names;
}

bool RegistryStore::ValueExists(const QString& path, const QString& name) const {
  return TypeOf(path, name).has_value();
}

std::optional<RegistryStore::ValueType> RegistryStore::TypeOf(const QString& path,
                                                              const QString& name) const {
  std::lock_guard lock(m_mutex);
  if (const Key* key = FindKey(path)) {
    for (const Value& value : key->values) {
      if (value.name.compare(name, Qt::CaseInsensitive) == 0) return value.type;
    }
  }
  return std::nullopt;
}

std::optional<QString> RegistryStore::ReadString(const QString& path, const QString& name) const {
  std::lock_guard lock(m_mutex);
  if (const Key* key = FindKey(path)) {
    for (const Value& value : key->values) {
      if (value.name.compare(name, Qt::CaseInsensitive) == 0) {
        if (value.type != ValueType::String) return std::nullopt;
        return value.text;
      }
    }
  }
  return std::nullopt;
}

std::optional<qint32> RegistryStore::ReadInteger(const QString& path, const QString& name) const {
  std::lock_guard lock(m_mutex);
  if (const Key* key = FindKey(path)) {
    for (const Value& value : key->values) {
      if (value.name.compare(name, Qt::CaseInsensitive) == 0) {
        if (value.type != ValueType::Integer) return std::nullopt;
        return value.integer;
      }
    }
  }
  return std::nullopt;
}

bool RegistryStore::WriteValue(const QString& path, Value value) {
  std::lock_guard lock(m_mutex);
  Key* key = FindKey(path);
  if (key == nullptr) return false;
  for (Value& existing : key->values) {
    if (existing.name.compare(value.name, Qt::CaseInsensitive) == 0) {
      value.name = existing.name;  // the first spelling stays
      existing = std::move(value);
      Changed();
      return true;
    }
  }
  key->values.push_back(std::move(value));
  Changed();
  return true;
}

bool RegistryStore::WriteString(const QString& path, const QString& name, const QString& value) {
  return WriteValue(path, Value{name, ValueType::String, value, 0});
}

bool RegistryStore::WriteInteger(const QString& path, const QString& name, qint32 value) {
  return WriteValue(path, Value{name, ValueType::Integer, QString(), value});
}

bool RegistryStore::DeleteValue(const QString& path, const QString& name) {
  std::lock_guard lock(m_mutex);
  Key* key = FindKey(path);
  if (key == nullptr) return false;
  auto& values = key->values;
  const auto it = std::find_if(values.begin(), values.end(), [&](const Value& v) {
    return v.name.compare(name, Qt::CaseInsensitive) == 0;
  });
  if (it == values.end()) return false;
  values.erase(it);
  Changed();
  return true;
}

QString RegistryStore::ToText() const {
  std::lock_guard lock(m_mutex);
  return RegistryFormat::Serialize(*m_root);
}
