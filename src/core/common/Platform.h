#pragma once

#include <QString>
#include <QtGlobal>

// The few calls that differ between desktop platforms live here.
namespace Platform {

// The native path delimiter as a string ("/" here, "\" on Windows).
QString PathDelimiter();

// The platform's temporary folder, with a trailing path delimiter.
QString TempFolder();

// Free bytes available to the user on the file system holding `path`; -1 when unknown.
qint64 FreeBytes(const QString& path);

// True when `path` names a file-system root: "/" here, a drive root such as "C:\" on Windows.
bool IsFileSystemRoot(const QString& path);

}  // namespace Platform
