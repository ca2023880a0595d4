#include "core/settings/RegistryFormat.h"

#include <QHash>
#include <QStringDecoder>
#include <unordered_map>

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

// The name a key or value is found by: folded one UTF-16 unit or surrogate pair at a time, as
// QString::compare does without regard to case, so the two never disagree.
QString FoldedName(const QString& name) {
  QString out;
  out.reserve(name.size());
  for (qsizetype i = 0; i < name.size(); ++i) {
    const QChar c = name.at(i);
    if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
      const char32_t folded = QChar::toCaseFolded(QChar::surrogateToUcs4(c, name.at(i + 1)));
      out += QChar::highSurrogate(folded);
      out += QChar::lowSurrogate(folded);
      ++i;
    } else {
      out += c.toCaseFolded();
    }
  }
  return out;
}

// Finds sub-keys and values by name while a file is read, so that a key with many sub-keys or
// values loads in linear time.
class ParseIndex {
 public:
  Key* Child(Key& parent, const QString& name) {
    Entry& entry = For(parent);
    const QString folded = FoldedName(name);
    if (const auto it = entry.children.constFind(folded); it != entry.children.cend()) {
      return it.value();
    }
    parent.children.push_back(std::make_unique<Key>());
    Key* child = parent.children.back().get();
    child->name = name;
    entry.children.insert(folded, child);
    return child;
  }

  void SetValue(Key& key, Value value) {
    Entry& entry = For(key);
    const QString folded = FoldedName(value.name);
    if (const auto it = entry.values.constFind(folded); it != entry.values.cend()) {
      key.values[it.value()] = std::move(value);
      return;
    }
    entry.values.insert(folded, key.values.size());
    key.values.push_back(std::move(value));
  }

 private:
  struct Entry {
    QHash<QString, Key*> children;
    QHash<QString, size_t> values;
  };

  Entry& For(Key& key) {
    const auto [it, added] = m_entries.try_emplace(&key);
    if (added) {
      for (const auto& child : key.children) {
        it->second.children.insert(FoldedName(child->name), child.get());
      }
      for (size_t i = 0; i < key.values.size(); ++i) {
        it->second.values.insert(FoldedName(key.values[i].name), i);
      }
    }
    return it->second;
  }

  std::unordered_map<const Key*, Entry> m_entries;
};

QStringView TrimmedEnd(QStringView text) {
  qsizetype size = text.size();
  while (size > 0 && text.at(size - 1).isSpace()) --size;
  return text.first(size);
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
    // A backslash at the end would read as a continuation once saved and swallow the next line.
    qsizetype size = rest.size();
    while (size > 0 && (rest.at(size - 1).isSpace() || rest.at(size - 1) == QLatin1Char('\\')))
      --size;
    value.text = rest.first(size);
    return true;
  }
  why = QStringLiteral("unknown value type");
  return false;
}

// `path` is the key's full path; it is extended for each child and restored.
void SerializeKey(const Key& key, QString& path, QString& out) {
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
    const qsizetype size = path.size();
    path += QLatin1Char('\\') + child->name;
    SerializeKey(*child, path, out);
    path.truncate(size);
  }
}

// Lone UTF-16 surrogates have no UTF-8 form: they would change on the next save.
void ReplaceLoneSurrogates(QString& text, QStringList& problems) {
  bool replaced = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;
    } else if (c.isSurrogate()) {
      text[i] = QChar::ReplacementCharacter;
      replaced = true;
    }
  }
  if (replaced) problems << QStringLiteral("the file holds unpaired UTF-16 surrogates");
}

QString Decode(const QByteArray& bytes, QStringList& problems) {
  if (bytes.startsWith("\xFF\xFE")) {
    QStringDecoder decoder(QStringDecoder::Utf16LE);
    QString text = decoder.decode(bytes.mid(2));
    if (decoder.hasError()) problems << QStringLiteral("the file is not valid UTF-16");
    ReplaceLoneSurrogates(text, problems);
    return text;
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
  // A damaged file can hold a problem on every line; the first ones are enough to tell.
  constexpr qsizetype kMaxProblems = 100;
  qsizetype dropped = 0;
  const auto report = [&](const QString& problem) {
    if (problems.size() < kMaxProblems) {
      problems << problem;
    } else {
      ++dropped;
    }
  };
  const QString text = Decode(bytes, problems);
  const QStringList rawLines = text.split(QLatin1Char('\n'));
  ParseIndex index;
  struct {
    QString path;  // below the hive
    Key* key = nullptr;
    qsizetype depth = 0;
  } previous;
  Key* current = nullptr;
  bool inRefusedKey = false;  // the values of a refused key go with it, reported once
  bool headerSeen = false;
  const QString hivePrefix = QLatin1String(kHive);
  for (qsizetype n = 0; n < rawLines.size(); ++n) {
    const QString where = QStringLiteral("line %1: ").arg(n + 1);
    QString line = rawLines.at(n);
    // Values of other types may run over several lines, each ending in a backslash (blanks
    // after it do not count). Only the last character of a line continues it.
    const QStringView start = QStringView(line).trimmed();
    if (!start.startsWith(QLatin1Char('[')) && !start.startsWith(QLatin1Char(';'))) {
      QStringView piece = TrimmedEnd(line);
      bool continued = piece.endsWith(QLatin1Char('\\'));
      if (continued) line.truncate(piece.size() - 1);
      while (continued && n + 1 < rawLines.size()) {
        piece = QStringView(rawLines.at(++n)).trimmed();
        continued = piece.endsWith(QLatin1Char('\\'));
        if (continued) piece.chop(1);
        line += piece;
      }
    }
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))) continue;
    if (!headerSeen) {
      headerSeen = true;
      if (trimmed == QLatin1String(kHeader) || trimmed == QLatin1String("REGEDIT4")) continue;
      report(where + QStringLiteral("missing header"));
    }
    if (trimmed.startsWith(QLatin1Char('['))) {
      current = nullptr;
      inRefusedKey = true;
      if (!trimmed.endsWith(QLatin1Char(']'))) {
        report(where + QStringLiteral("unterminated key name"));
        continue;
      }
      const QString path = trimmed.mid(1, trimmed.size() - 2);
      if (path.compare(hivePrefix, Qt::CaseInsensitive) == 0) {
        current = &root;
        inRefusedKey = false;
        continue;
      }
      if (!path.startsWith(hivePrefix + QLatin1Char('\\'), Qt::CaseInsensitive)) {
        report(where + QStringLiteral("key outside %1").arg(hivePrefix));
        continue;
      }
      // A saved file names every key by its full path right after its parent: start from the
      // previous key when it is the parent, so deep keys read in linear time.
      const QString relative = path.mid(hivePrefix.size() + 1);
      Key* key = &root;
      qsizetype depth = 0;
      QString rest = relative;
      if (previous.key != nullptr && relative.startsWith(previous.path) &&
          relative.size() > previous.path.size() &&
          relative.at(previous.path.size()) == QLatin1Char('\\')) {
        key = previous.key;
        depth = previous.depth;
        rest = relative.sliced(previous.path.size());
      }
      const QStringList parts = SplitPath(rest);
      previous = {};
      if (depth + parts.size() > kMaxKeyDepth) {
        report(where + QStringLiteral("key nested deeper than %1 levels").arg(kMaxKeyDepth));
        continue;
      }
      for (const QString& part : parts) key = index.Child(*key, part);
      previous = {relative, key, depth + parts.size()};
      current = key;
      inRefusedKey = false;
      continue;
    }
    if (current == nullptr) {
      if (!inRefusedKey) report(where + QStringLiteral("value outside a key"));
      continue;
    }
    Value value;
    QString why;
    if (!ParseValueLine(trimmed, value, why)) {
      report(where + why);
      continue;
    }
    index.SetValue(*current, std::move(value));
  }
  if (dropped > 0) problems << QStringLiteral("%1 more problems").arg(dropped);
}

QString Serialize(const Key& root) {
  QString out = QLatin1String(kHeader) + QLatin1String("\n\n");
  const QString hive = QLatin1String(kHive);
  QString path = hive;
  if (!root.values.empty()) SerializeKey(Key{root.name, root.values, {}}, path, out);
  for (const auto& child : root.children) {
    path = hive + QLatin1Char('\\') + child->name;
    SerializeKey(*child, path, out);
  }
  return out;
}

}  // namespace RegistryFormat
