#include "support/TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>

namespace testsupport {

std::unique_ptr<QTemporaryDir> MakeTempDir(const QString& nameHint) {
  QString base = qEnvironmentVariable("VORNALO_TEST_TMP");
  if (base.isEmpty()) base = QDir::tempPath();
  QDir().mkpath(base);
  auto dir = std::make_unique<QTemporaryDir>(base + QLatin1Char('/') + nameHint +
                                             QStringLiteral("-XXXXXX"));
  return dir->isValid() ? std::move(dir) : nullptr;
}

quint16 FreeLocalPort() {
  QTcpServer server;
  if (!server.listen(QHostAddress::LocalHost, 0)) return 0;
  const quint16 port = server.serverPort();
  server.close();
  return port;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

}  // namespace testsupport
