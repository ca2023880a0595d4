#include "support/PlainFtpSocket.h"

#include <QDeadlineTimer>
#include <QHostAddress>

namespace testsupport {

bool PlainFtpSocket::Connect(quint16 port, int timeoutMs) {
  m_socket.connectToHost(QHostAddress::LocalHost, port);
  return m_socket.waitForConnected(timeoutMs);
}

QByteArray PlainFtpSocket::ReadReply(int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  QByteArray reply;
  QByteArray code;
  for (;;) {
    const qsizetype end = m_buffer.indexOf('\n');
    if (end >= 0) {
      const QByteArray line = m_buffer.left(end + 1);
      m_buffer.remove(0, end + 1);
      reply += line;
      if (code.isEmpty()) {
        if (line.size() >= 4 && line.at(3) == '-') {
          code = line.left(3);
          continue;
        }
        return reply;
      }
      if (line.startsWith(code + ' ')) return reply;
      continue;
    }
    if (deadline.hasExpired()) return {};
    if (!m_socket.waitForReadyRead(static_cast<int>(qMax<qint64>(1, deadline.remainingTime())))) {
      if (m_socket.state() != QAbstractSocket::ConnectedState || deadline.hasExpired()) return {};
    }
    m_buffer += m_socket.readAll();
  }
}

QByteArray PlainFtpSocket::Command(const QByteArray& line, int timeoutMs) {
  m_socket.write(line + "\r\n");
  m_socket.waitForBytesWritten(timeoutMs);
  return ReadReply(timeoutMs);
}

void PlainFtpSocket::Close() {
  m_socket.abort();
  m_buffer.clear();
}

}  // namespace testsupport
