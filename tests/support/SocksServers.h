#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "support/ServerProcess.h"

namespace testsupport {

// Real SOCKS servers on 127.0.0.1, each on a free port of its own, run as child processes that
// stop with the object. A server that is missing or does not come up makes Start() fail with
// a message naming the Debian package.
class SocksServerProcess {
 public:
  virtual ~SocksServerProcess() { Stop(); }
  quint16 Port() const { return m_port; }
  void Stop();
  QString LogText() const { return m_process.LogText(); }

 protected:
  // Starts the program built by `arguments(port)` until it accepts connections.
  bool Launch(const QString& program, const std::function<QStringList(quint16)>& arguments,
              const QString& package, QString* error);
  QString TempPath(const QString& name) const;

  std::unique_ptr<QTemporaryDir> m_dir;
  ServerProcess m_process;
  quint16 m_port = 0;
};

// danted (dante-server): SOCKS 4 and 5 without authentication. Connections to `blockedPort`
// are refused by a rule, so a test can see the server turn a request down.
class DantedServer : public SocksServerProcess {
 public:
  bool Start(QString* error, quint16 blockedPort = 0);
};

// microsocks: SOCKS 5 with user name and password.
class MicrosocksServer : public SocksServerProcess {
 public:
  bool Start(const QString& user, const QString& password, QString* error);
};

// A small SOCKS 4/4A server on Perl's IO::Socket::Socks (libio-socket-socks-perl), which
// resolves names itself. It records every request as "CONNECT <address type> <host> <port>",
// address type 1 for an IPv4 address and 3 for a name (the 4A form).
class PerlSocks4aServer : public SocksServerProcess {
 public:
  bool Start(QString* error);
  QStringList Requests() const;
};

}  // namespace testsupport
