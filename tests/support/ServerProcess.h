#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

namespace testsupport {

// A server program run for one test: its output goes to a log file (so a full pipe can never
// stall it), it dies with the test process, and Stop() ends it for sure.
class ServerProcess {
 public:
  ServerProcess() = default;
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // False with `error` set when the program is missing or does not start.
  bool Start(const QString& program, const QStringList& arguments, const QString& logFile,
             QString* error);
  void Stop();
  bool IsRunning() const;
  QString LogText() const;

 private:
  std::unique_ptr<QProcess> m_process;
  QString m_logFile;
};

// Connects to 127.0.0.1:port until a "220" greeting line arrives or `timeoutMs` passes.
bool WaitForFtpGreeting(quint16 port, int timeoutMs, QString* greeting = nullptr);

}  // namespace testsupport
