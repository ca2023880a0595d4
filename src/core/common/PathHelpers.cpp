#include "core/common/PathHelpers.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "core/common/Platform.h"

void AddTrailingBackslash(QString& path) {
  const QString delimiter = Platform::PathDelimiter();
  if (!path.endsWith(delimiter)) path += delimiter;
}

QString WithTrailingBackslash(QString path) {
  AddTrailingBackslash(path);
  return path;
}

bool IsDriveRoot(const QString& path) {
  return Platform::IsFileSystemRoot(path);
}

QString FormatFileSize(qint64 count) {
  if (count / 1048576 != 0) return QString::asprintf("%.1f MB", double(count) / 1048576.0);
  return QString::asprintf("%.1f KB", double(count) / 1024.0);
}

QString DriveFreeSpaceText(const QString& root) {
  const qint64 freeBytes = Platform::FreeBytes(root);
  if (freeBytes < 0) return QStringLiteral("Unknown");
  const qint64 bytes = freeBytes + 1023;
  if (bytes < qint64(1) << 30) return QString::asprintf("%.2f MB Free", double(bytes) / 1048576.0);
  return QString::asprintf("%.2f GB Free", double(bytes) / 1073741824.0);
}

qint64 LocalFileSize(const QString& fileName) {
  if (fileName.isEmpty()) return -1;
  const QFileInfo info(fileName);
  if (!info.exists()) return -1;
  return info.isDir() ? 0 : info.size();
}

QString FileVersionText(const QString& executableFileName) {
  if (QCoreApplication::instance() == nullptr) return QString();
  const QFileInfo own(QCoreApplication::applicationFilePath());
  const QFileInfo asked(executableFileName);
  if (asked.exists() && own.exists() && asked.canonicalFilePath() == own.canonicalFilePath()) {
    return QCoreApplication::applicationVersion();
  }
  return QString();
}
