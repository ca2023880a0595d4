#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "support/ServerProcess.h"

namespace testsupport {

// pyftpdlib on 127.0.0.1 with a temporary root: the user `User()`/`Password()` may read and
// write everything, anonymous may read.
class PyFtpdServer {
 public:
  struct Options {
    bool permitForeignAddresses = false;  // needed for server-to-server copies
    QString encoding;                     // pyftpdlib's name encoding; empty keeps its default
  };

  PyFtpdServer() = default;
  ~PyFtpdServer() { Stop(); }

  bool Start(QString* error) { return Start(Options(), error); }
  bool Start(const Options& options, QString* error);
  void Stop();

  quint16 Port() const { return m_port; }
  QString RootPath() const { return m_root; }  // files here are what the server serves
  static QString User() { return QStringLiteral("vornalo"); }
  static QString Password() { return QStringLiteral("s3cret-pw"); }
  QString LogText() const { return m_process.LogText(); }

 private:
  std::unique_ptr<QTemporaryDir> m_dir;
  ServerProcess m_process;
  QString m_root;
  quint16 m_port = 0;
};

}  // namespace testsupport
