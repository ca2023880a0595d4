#pragma once

#include <QList>
#include <QString>

// A list of names, each with its kind: 0 folder, 1 file.
class TFTPNameList {
 public:
  static constexpr int kFolder = 0;
  static constexpr int kFile = 1;

  int Count() const { return static_cast<int>(m_entries.size()); }
  bool IsEmpty() const { return m_entries.isEmpty(); }
  const QString& Names(int index) const { return m_entries.at(index).name; }
  int Kinds(int index) const { return m_entries.at(index).kind; }
  void Add(const QString& name, int kind = kFile) { m_entries.append({name, kind}); }
  void Delete(int index) { m_entries.removeAt(index); }
  void Clear() { m_entries.clear(); }
  QStringList ToStringList() const {
    QStringList names;
    for (const Entry& entry : m_entries) names << entry.name;
    return names;
  }

 private:
  struct Entry {
    QString name;
    int kind;
  };
  QList<Entry> m_entries;
};
