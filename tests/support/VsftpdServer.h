#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "support/ServerProcess.h"

namespace testsupport {

// vsftpd in the foreground on 127.0.0.1 with a generated configuration. One virtual user,
// `User()` with `Password()`, reads and writes a temporary root; passive ports come from a
// range chosen per server.
class VsftpdServer {
 public:
  struct Options {
    bool promiscuous = false;  // pasv_promiscuous and port_promiscuous, for server-to-server
    QStringList extraConfig;   // more "name=value" lines
  };

  VsftpdServer() = default;
  ~VsftpdServer() { Stop(); }

  bool Start(QString* error) { return Start(Options(), error); }
  bool Start(const Options& options, QString* error);
  void Stop();

  quint16 Port() const { return m_port; }
  QString RootPath() const { return m_root; }
  static QString User() { return QStringLiteral("vornalo"); }
  static QString Password() { return QStringLiteral("vs-s3cret"); }
  QString LogText() const;

 private:
  std::unique_ptr<QTemporaryDir> m_dir;
  ServerProcess m_process;
  QString m_root;
  quint16 m_port = 0;
};

}  // namespace testsupport
