#pragma once

#include <QByteArray>
#include <QString>
#include <QTcpSocket>

namespace testsupport {

// A blocking FTP control connection for tests that check a server by hand.
class PlainFtpSocket {
 public:
  bool Connect(quint16 port, int timeoutMs = 5000);
  // Reads one complete reply (multi-line aware); empty on timeout or close.
  QByteArray ReadReply(int timeoutMs = 5000);
  QByteArray Command(const QByteArray& line, int timeoutMs = 5000);
  void Close();

 private:
  QTcpSocket m_socket;
  QByteArray m_buffer;
};

}  // namespace testsupport
