#include "core/settings/RegistryFormat.h"

#include <QStringDecoder>

namespace RegistryFormat {
namespace {

using Key = RegistryStore::Key;
using Value = RegistryStore::Value;
using ValueType = RegistryStore::ValueType;

QString Escape(const QString& text) {
  QString out;
  out.reserve(text.size() + 2);
  for (const QChar c : text) {
    switch (c.unicode()) {
      case '\\':
        out += QLatin1String("\\\\");
        break;
      case '"':
        out += QLatin1String("\\\"");
        break;
      case '\n':
        out += QLatin1String("\\n");
        break;
      case '\r':
        out += QLatin1String("\\r");
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Reads a quoted string starting at `pos` (on the opening quote). On success `pos` is just
// past the closing quote.
bool ReadQuoted(const QString& line, qsizetype& pos, QString& out) {
  if (pos >= line.size() || line.at(pos) != QLatin1Char('"')) return false;
  out.clear();
  for (qsizetype i = pos + 1; i < line.size(); ++i) {
    const QChar c = line.at(i);
    if (c == QLatin1Char('"')) {
      pos = i + 1;
      return true;
    }
    if (c == QLatin1Char('\\')) {
      if (++i >= line.size()) return false;
      const QChar e = line.at(i);
      if (e == QLatin1Char('n')) {
        out += QLatin1Char('\n');
      } else if (e == QLatin1Char('r')) {
        out += QLatin1Char('\r');
      } else {
        out += e;
      }
    } else {
      out += c;
    }
  }
  return false;
}

Key* ChildNamed(Key& key, const QString& name) {
  for (auto& child : key.children) {
    if (child->name.compare(name, Qt::CaseInsensitive) == 0) return child.get();
  }
  return nullptr;
}

Key* EnsurePath(Key& root, const QStringList& parts) {
  Key* key = &root;
  for (const QString& part : parts) {
    Key* child = ChildNamed(*key, part);
    if (child == nullptr) {
      key->children.push_back(std::make_unique<Key>());
      child = key->children.back().get();
      child->name = part;
    }
    key = child;
  }
  return key;
}

void SetValue(Key& key, Value value) {
  for (Value& existing : key.values) {
    if (existing.name.compare(value.name, Qt::CaseInsensitive) == 0) {
      existing = std::move(value);
      return;
    }
  }
  key.values.push_back(std::move(value));
}

bool ParseValueLine(const QString& line, Value& value, QString& why) {
  qsizetype pos = 0;
  if (line.startsWith(QLatin1Char('@'))) {
    value.name.clear();
    pos = 1;
  } else if (!ReadQuoted(line, pos, value.name)) {
    why = QStringLiteral("unreadable value name");
    return false;
  }
  if (pos >= line.size() || line.at(pos) != QLatin1Char('=')) {
    why = QStringLiteral("missing \"=\"");
    return false;
  }
  ++pos;
  const QString rest = line.mid(pos);
  if (rest.startsWith(QLatin1Char('"'))) {
    qsizetype p = 0;
    if (!ReadQuoted(rest, p, value.text) || p != rest.size()) {
      why = QStringLiteral("unterminated string");
      return false;
    }
    value.type = ValueType::String;
    return true;
  }
  if (rest.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
    const QString digits = rest.mid(6);
    bool ok = false;
    const quint32 number = digits.toUInt(&ok, 16);
    if (!ok || digits.size() != 8) {
      why = QStringLiteral("bad dword");
      return false;
    }
    value.type = ValueType::Integer;
    value.integer = static_cast<qint32>(number);
    return true;
  }
  if (rest.startsWith(QLatin1String("hex"), Qt::CaseInsensitive) &&
      rest.contains(QLatin1Char(':'))) {
    value.type = ValueType::Other;  // kept as written, never converted
    value.text = rest;
    return true;
  }
  why = QStringLiteral("unknown value type");
  return false;
}

void SerializeKey(const Key& key, const QString& path, QString& out) {
  out += QLatin1Char('[') + path + QLatin1String("]\n");
  for (const Value& value : key.values) {
    out += value.name.isEmpty() ? QStringLiteral("@")
                                : QLatin1Char('"') + Escape(value.name) + QLatin1Char('"');
    out += QLatin1Char('=');
    switch (value.type) {
      case ValueType::String:
        out += QLatin1Char('"') + Escape(value.text) + QLatin1Char('"');
        break;
      case ValueType::Integer:
        out += QStringLiteral("dword:%1")
                   .arg(static_cast<quint32>(value.integer), 8, 16, QLatin1Char('0'));
        break;
      case ValueType::Other:
        out += value.text;
        break;
    }
    out += QLatin1Char('\n');
  }
  out += QLatin1Char('\n');
  for (const auto& child : key.children) {
    SerializeKey(*child, path + QLatin1Char('\\') + child->name, out);
  }
}

QString Decode(const QByteArray& bytes, QStringList& problems) {
  if (bytes.startsWith("\xFF\xFE")) {
    QStringDecoder decoder(QStringDecoder::Utf16LE);
    return decoder.decode(bytes.mid(2));
  }
  QStringDecoder decoder(QStringDecoder::Utf8);
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) problems << QStringLiteral("the file is not valid UTF-8");
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

}  // namespace

QStringList SplitPath(const QString& path) {
  return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

void Parse(const QByteArray& bytes, Key& root, QStringList& problems) {
  const QString text = Decode(bytes, problems);
  const QStringList rawLines = text.split(QLatin1Char('\n'));
  Key* current = nullptr;
  bool headerSeen = false;
  const QString hivePrefix = QLatin1String(kHive);
  for (qsizetype n = 0; n < rawLines.size(); ++n) {
    QString line = rawLines.at(n);
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    // Values of other types may run over several lines, each ending in a backslash.
    while (line.endsWith(QLatin1Char('\\')) && n + 1 < rawLines.size() &&
           !line.trimmed().startsWith(QLatin1Char('['))) {
      QString next = rawLines.at(++n);
      if (next.endsWith(QLatin1Char('\r'))) next.chop(1);
      line.chop(1);
      line += next.trimmed();
    }
    const QString trimmed = line.trimmed();
    const QString where = QStringLiteral("line %1: ").arg(n + 1);
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))) continue;
    if (!headerSeen) {
      headerSeen = true;
      if (trimmed == QLatin1String(kHeader) || trimmed == QLatin1String("REGEDIT4")) continue;
      problems << where + QStringLiteral("missing header");
    }
    if (trimmed.startsWith(QLatin1Char('['))) {
      current = nullptr;
      if (!trimmed.endsWith(QLatin1Char(']'))) {
        problems << where + QStringLiteral("unterminated key name");
        continue;
      }
      const QString path = trimmed.mid(1, trimmed.size() - 2);
      if (path.compare(hivePrefix, Qt::CaseInsensitive) == 0) {
        current = &root;
        continue;
      }
      if (!path.startsWith(hivePrefix + QLatin1Char('\\'), Qt::CaseInsensitive)) {
        problems << where + QStringLiteral("key outside %1").arg(hivePrefix);
        continue;
      }
      current = EnsurePath(root, SplitPath(path.mid(hivePrefix.size() + 1)));
      continue;
    }
    if (current == nullptr) {
      problems << where + QStringLiteral("value outside a key");
      continue;
    }
    Value value;
    QString why;
    if (!ParseValueLine(trimmed, value, why)) {
      problems << where + why;
      continue;
    }
    SetValue(*current, std::move(value));
  }
}

QString Serialize(const Key& root) {
  QString out = QLatin1String(kHeader) + QLatin1String("\n\n");
  const QString hive = QLatin1String(kHive);
  if (!root.values.empty()) SerializeKey(Key{root.name, root.values, {}}, hive, out);
  for (const auto& child : root.children) {
    SerializeKey(*child, hive + QLatin1Char('\\') + child->name, out);
  }
  return out;
}

}  // namespace RegistryFormat
