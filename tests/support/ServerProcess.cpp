#include "support/ServerProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>

#include <sys/prctl.h>
#include <csignal>

namespace testsupport {

ServerProcess::~ServerProcess() {
  Stop();
}

bool ServerProcess::Start(const QString& program, const QStringList& arguments,
                          const QString& logFile, QString* error) {
  Stop();
  const QString path =
      program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
  if (path.isEmpty() || !QFile::exists(path)) {
    if (error)
      *error = QStringLiteral("%1 is not installed (run scripts/install-deps)").arg(program);
    return false;
  }
  m_logFile = logFile;
  m_process = std::make_unique<QProcess>();
  m_process->setProgram(path);
  m_process->setArguments(arguments);
  m_process->setStandardOutputFile(logFile);
  m_process->setStandardErrorFile(logFile, QIODevice::Append);
  m_process->setStandardInputFile(QProcess::nullDevice());
  // The server must not outlive a test that crashes.
  m_process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
  m_process->start();
  if (!m_process->waitForStarted(10000)) {
    if (error) *error = QStringLiteral("%1 did not start: %2").arg(path, m_process->errorString());
    m_process.reset();
    return false;
  }
  return true;
}

void ServerProcess::Stop() {
  if (!m_process) return;
  if (m_process->state() != QProcess::NotRunning) {
    m_process->terminate();
    if (!m_process->waitForFinished(3000)) {
      m_process->kill();
      m_process->waitForFinished(3000);
    }
  }
  m_process.reset();
}

bool ServerProcess::IsRunning() const {
  return m_process && m_process->state() == QProcess::Running;
}

QString ServerProcess::LogText() const {
  QFile file(m_logFile);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

bool WaitForFtpGreeting(quint16 port, int timeoutMs, QString* greeting) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired()) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (socket.waitForConnected(500)) {
      QByteArray line;
      while (!line.contains('\n') && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(200) && socket.state() != QTcpSocket::ConnectedState) break;
        line += socket.readAll();
      }
      if (line.startsWith("220")) {
        if (greeting) *greeting = QString::fromUtf8(line).trimmed();
        socket.write("QUIT\r\n");
        socket.waitForBytesWritten(200);
        return true;
      }
    }
    QThread::msleep(50);
  }
  return false;
}

}  // namespace testsupport
