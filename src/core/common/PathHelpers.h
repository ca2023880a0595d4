#pragma once

#include <QString>
#include <QtGlobal>

// Local paths use the native delimiter; on this platform a "drive root" is a file-system root.

// An empty path becomes the delimiter alone; a path not ending in the delimiter gets one.
void AddTrailingBackslash(QString& path);
QString WithTrailingBackslash(QString path);

// True for a file-system root ("/" here, "C:\" on Windows).
bool IsDriveRoot(const QString& path);

// "%.1f MB" from one MiB on, "%.1f KB" below.
QString FormatFileSize(qint64 count);

// Free space of the file system holding `root`: "%.2f MB Free" below 1 GiB, "%.2f GB Free" from
// it, "Unknown" when the query fails.
QString DriveFreeSpaceText(const QString& root);

// Size of a file (0 for a folder), -1 when nothing of that name exists.
qint64 LocalFileSize(const QString& fileName);

// Version text of an executable; empty when it carries none (only this program's own file
// knows its version on this platform).
QString FileVersionText(const QString& executableFileName);
