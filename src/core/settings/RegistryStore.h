#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// The per-user registry, kept in one text file in the .reg format. Keys nest, their names
// compare without regard to case (the case is kept), every key may hold a default value (the
// value named "") and named values typed as strings or 32-bit integers. Values of other types
// found in the file are kept as they are but read as unreadable.
//
// The file holds site passwords: it is written private to its owner (0600, in a folder created
// 0700), and so are the copies of damaged files kept aside.
//
// Key paths are backslash-separated from the root of the current user's hive, with or without
// a leading backslash: "\Software\Vornalo Explorer\GlobalOptions".
class RegistryStore {
 public:
  enum class ValueType { String, Integer, Other };
  struct Value {
    QString name;
    ValueType type = ValueType::String;
    QString text;        // String, or the raw text of an Other value
    qint32 integer = 0;  // Integer
  };
  struct Key {
    QString name;
    std::vector<Value> values;
    std::vector<std::unique_ptr<Key>> children;
  };
  struct LoadResult {
    bool fileFound = false;
    QStringList problems;   // one line per thing that could not be read
    QString keptAsidePath;  // where a damaged original was copied, when there were problems
  };

  // An empty file path gives a store that lives in memory only.
  explicit RegistryStore(QString filePath = QString());
  ~RegistryStore();
  RegistryStore(const RegistryStore&) = delete;
  RegistryStore& operator=(const RegistryStore&) = delete;

  // "$VORNALO_CONFIG_HOME/registry.reg" when set, else the user's config folder.
  static QString DefaultFilePath();
  // The program-wide store, loaded from DefaultFilePath() on first use.
  static RegistryStore& Current();
  // Tests replace the program-wide store; returns the previous one.
  static std::unique_ptr<RegistryStore> ReplaceCurrent(std::unique_ptr<RegistryStore> store);

  const QString& FilePath() const { return m_filePath; }
  const LoadResult& LastLoad() const { return m_lastLoad; }

  // Reads the file. Whatever can be read is kept; if anything could not, the original is
  // copied aside first so the next save never destroys it silently.
  LoadResult Load();
  // Writes the whole store atomically. Changes are saved at once unless an update is open.
  bool Save(QString* error = nullptr);
  void BeginUpdate();
  void EndUpdate();

  // One key name: not empty, no backslash, no line break.
  static bool IsValidKeyName(const QString& name, QString* error = nullptr);

  bool KeyExists(const QString& path) const;
  // Keys nest at most RegistryFormat::kMaxKeyDepth levels deep; deeper ones are refused.
  bool CreateKey(const QString& path);  // creates missing parents too
  bool CreateChildKey(const QString& parentPath, const QString& name, QString* error = nullptr);
  bool DeleteKey(const QString& path);  // with everything below it
  // Copies the key with everything below it to `to`, then deletes `from`. Fails when `from`
  // is missing, `to` exists (other than `from` itself in another case) or lies inside `from`.
  bool MoveKey(const QString& from, const QString& to, QString* error = nullptr);
  bool RenameKey(const QString& path, const QString& newName, QString* error = nullptr);

  QStringList SubKeyNames(const QString& path) const;  // sorted without regard to case
  QStringList ValueNames(const QString& path) const;   // in stored order
  bool ValueExists(const QString& path, const QString& name) const;
  std::optional<ValueType> TypeOf(const QString& path, const QString& name) const;
  // Empty when the key or value is missing or the value has another type.
  std::optional<QString> ReadString(const QString& path, const QString& name) const;
  std::optional<qint32> ReadInteger(const QString& path, const QString& name) const;
  // Fail only when the key does not exist.
  bool WriteString(const QString& path, const QString& name, const QString& value);
  bool WriteInteger(const QString& path, const QString& name, qint32 value);
  bool DeleteValue(const QString& path, const QString& name);

  // The whole tree in the file format (for tests and diagnostics).
  QString ToText() const;

 private:
  Key* FindKey(const QString& path) const;
  Key* FindOrCreateKey(const QString& path);
  bool WriteValue(const QString& path, Value value);
  void Changed();
  bool SaveLocked(QString* error);
  static bool KeepAside(const QString& path, const QByteArray& bytes);

  mutable std::recursive_mutex m_mutex;
  QString m_filePath;
  std::unique_ptr<Key> m_root;
  LoadResult m_lastLoad;
  int m_updateDepth = 0;
  bool m_dirty = false;
  bool m_saveBlocked = false;  // the file exists but could not be read: never overwrite it
};
