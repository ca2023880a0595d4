#include "core/common/Platform.h"

#include <QDir>
#include <QStorageInfo>

namespace Platform {

QString PathDelimiter() {
  return QString(QDir::separator());
}

QString TempFolder() {
  QString path = QDir::toNativeSeparators(QDir::tempPath());
  if (!path.endsWith(QDir::separator())) path += QDir::separator();
  return path;
}

qint64 FreeBytes(const QString& path) {
  QStorageInfo info(path);
  if (!info.isValid() || !info.isReady()) return -1;
  return info.bytesAvailable();
}

bool IsFileSystemRoot(const QString& path) {
#ifdef Q_OS_WIN
  if (path.size() != 3) return false;
  const QChar letter = path.at(0);
  const bool isLetter = (letter >= QLatin1Char('A') && letter <= QLatin1Char('Z')) ||
                        (letter >= QLatin1Char('a') && letter <= QLatin1Char('z'));
  return isLetter && path.at(1) == QLatin1Char(':') && path.at(2) == QLatin1Char('\\');
#else
  return path == QLatin1String("/");
#endif
}

}  // namespace Platform
