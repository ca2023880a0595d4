#include "RegistryRoundTrip.h"

#include <QStringList>

#include "core/settings/RegistryFormat.h"

namespace {

using Key = RegistryStore::Key;

QString Describe(const RegistryStore::Value& value) {
  switch (value.type) {
    case RegistryStore::ValueType::String:
      return QStringLiteral("string \"%1\"").arg(value.text);
    case RegistryStore::ValueType::Integer:
      return QStringLiteral("integer %1").arg(value.integer);
    case RegistryStore::ValueType::Other:
      return QStringLiteral("other %1").arg(value.text);
  }
  return QString();
}

QString CompareKeys(const Key& first, const Key& second, const QString& path) {
  if (first.name != second.name) {
    return QStringLiteral("%1: key \"%2\" came back as \"%3\"").arg(path, first.name, second.name);
  }
  if (first.values.size() != second.values.size()) {
    return QStringLiteral("%1: %2 values came back as %3")
        .arg(path)
        .arg(first.values.size())
        .arg(second.values.size());
  }
  for (size_t i = 0; i < first.values.size(); ++i) {
    const auto& a = first.values[i];
    const auto& b = second.values[i];
    if (a.name != b.name || Describe(a) != Describe(b)) {
      return QStringLiteral("%1: value \"%2\" %3 came back as \"%4\" %5")
          .arg(path, a.name, Describe(a), b.name, Describe(b));
    }
  }
  if (first.children.size() != second.children.size()) {
    return QStringLiteral("%1: %2 sub-keys came back as %3")
        .arg(path)
        .arg(first.children.size())
        .arg(second.children.size());
  }
  for (size_t i = 0; i < first.children.size(); ++i) {
    const QString fault = CompareKeys(*first.children[i], *second.children[i],
                                      path + QLatin1Char('\\') + first.children[i]->name);
    if (!fault.isEmpty()) return fault;
  }
  return QString();
}

}  // namespace

QString RegistryRoundTripFault(const QByteArray& bytes) {
  Key first;
  QStringList problems;
  RegistryFormat::Parse(bytes, first, problems);
  const QString saved = RegistryFormat::Serialize(first);
  Key second;
  QStringList secondProblems;
  RegistryFormat::Parse(saved.toUtf8(), second, secondProblems);
  if (!secondProblems.isEmpty()) {
    return QStringLiteral("the saved file reads with problems: ") + secondProblems.join(u"; ");
  }
  const QString fault = CompareKeys(first, second, QString());
  if (!fault.isEmpty()) return fault;
  if (RegistryFormat::Serialize(second) != saved) return QStringLiteral("a second save differs");
  return QString();
}
