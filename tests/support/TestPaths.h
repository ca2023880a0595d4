#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>
#include <memory>

namespace testsupport {

// A fresh temporary folder under the build's test-tmp folder (or the system's), removed when
// the object goes.
std::unique_ptr<QTemporaryDir> MakeTempDir(const QString& nameHint = QStringLiteral("t"));

// A TCP port on 127.0.0.1 that was free a moment ago.
quint16 FreeLocalPort();

// Writes `bytes` to `path`, creating folders; false on failure.
bool WriteFile(const QString& path, const QByteArray& bytes);
QByteArray ReadFile(const QString& path);

}  // namespace testsupport
