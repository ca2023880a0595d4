#include "core/common/SafeLocalName.h"

#include <QDir>

bool IsSafeLocalName(const QString& name) {
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
  for (const QChar c : name) {
    if (c == QLatin1Char('/') || c.unicode() == 0) return false;
#ifdef Q_OS_WIN
    if (c == QLatin1Char('\\') || c == QLatin1Char(':')) return false;
#endif
  }
  return true;
}

QString SafeLocalPath(const QString& folder, const QString& name) {
  if (!IsSafeLocalName(name)) return QString();
  if (folder.isEmpty()) return name;  // the working folder
  const QString base = QDir::cleanPath(QDir::fromNativeSeparators(folder));
  const QString joined = QDir::cleanPath(base + QLatin1Char('/') + name);
  const QString inside = base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/');
  if (!joined.startsWith(inside) || joined.size() <= inside.size()) return QString();
  return QDir::toNativeSeparators(joined);
}

QString UnsafeNameText(const QString& name) {
  QString shown;
  for (const QChar c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
      shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    } else {
      shown += c;
    }
  }
  return QStringLiteral("Unsafe file name from the server skipped: [%1]").arg(shown);
}
