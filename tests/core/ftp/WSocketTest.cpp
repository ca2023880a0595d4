// The asynchronous socket: lookup, connect, receive, send, close, listen and accept.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include "core/ftp/EngineRecorder.h"
#include "core/ftp/SocketErrors.h"
#include "core/ftp/WSocket.h"

using enginetest::WaitFor;

namespace {

// A loopback peer that accepts one connection.
class Peer {
 public:
  Peer() { server.listen(QHostAddress::LocalHost, 0); }
  quint16 Port() const { return server.serverPort(); }
  QTcpSocket* Accepted(int timeoutMs = 3000) {
    if (!socket && WaitFor([this] { return server.hasPendingConnections(); }, timeoutMs))
      socket = server.nextPendingConnection();
    return socket;
  }
  QTcpServer server;
  QTcpSocket* socket = nullptr;
};

struct Events {
  explicit Events(TWSocket& s) {
    s.OnDnsLookupDone = [this](TWSocket*, int e) { lookups << e; };
    s.OnSessionConnected = [this](TWSocket*, int e) { connects << e; };
    s.OnSessionClosed = [this](TWSocket*, int e) { closes << e; };
    s.OnDataSent = [this](TWSocket*, int e) { sent << e; };
    s.OnSessionAvailable = [this](TWSocket*, int e) { available << e; };
  }
  QList<int> lookups, connects, closes, sent, available;
};

TEST(WSocket, LookupOfAddressesAndNames) {
  TWSocket s;
  Events ev(s);
  s.DnsLookup(QStringLiteral("127.0.0.1"));
  EXPECT_EQ(ev.lookups, QList<int>{0}) << "a dotted address completes inside the call";
  EXPECT_EQ(s.DnsResult(), QStringLiteral("127.0.0.1"));

  s.DnsLookup(QStringLiteral("localhost"));
  EXPECT_EQ(ev.lookups.size(), 1) << "a name completes later";
  ASSERT_TRUE(WaitFor([&] { return ev.lookups.size() == 2; }));
  EXPECT_EQ(ev.lookups[1], 0);
  EXPECT_EQ(s.DnsResult(), QStringLiteral("127.0.0.1"));

  s.DnsLookup(QStringLiteral("cancelled.invalid"));
  s.CancelDnsLookup();
  EXPECT_EQ(ev.lookups.size(), 3);
  EXPECT_EQ(ev.lookups[2], SocketError::Interrupted);
  s.CancelDnsLookup();  // nothing running: nothing happens
  EXPECT_EQ(ev.lookups.size(), 3);

  s.DnsLookup(QStringLiteral("no-such-host.invalid"));
  ASSERT_TRUE(WaitFor([&] { return ev.lookups.size() == 4; }, 15000));
  EXPECT_EQ(ev.lookups[3], SocketError::HostNotFound);
  EXPECT_FALSE(WSocketErrorDesc(SocketError::HostNotFound).isEmpty());
}

TEST(WSocket, PortsAndServiceNames) {
  bool ok = false;
  EXPECT_EQ(TWSocket::ResolvePort(QStringLiteral("ftp"), &ok), 21);
  EXPECT_TRUE(ok);
  EXPECT_EQ(TWSocket::ResolvePort(QStringLiteral("FTP"), &ok), 21);
  EXPECT_EQ(TWSocket::ResolvePort(QStringLiteral(" 2121 "), &ok), 2121);
  EXPECT_TRUE(ok);
  TWSocket::ResolvePort(QStringLiteral("70000"), &ok);
  EXPECT_FALSE(ok);
  TWSocket::ResolvePort(QStringLiteral("no-such-service"), &ok);
  EXPECT_FALSE(ok);
  TWSocket s;
  s.Addr = QStringLiteral("127.0.0.1");
  s.Port = QStringLiteral("no-such-service");
  EXPECT_THROW(s.Connect(), SocketException);
  EXPECT_EQ(s.State(), wsClosed);
}

TEST(WSocket, ConnectSendReceiveClose) {
  Peer peer;
  TWSocket s;
  Events ev(s);
  QByteArray received;
  s.OnDataAvailable = [&](TWSocket* sender, int) {
    char buffer[3];
    const qint64 n = sender->Receive(buffer, sizeof buffer);  // small reads on purpose
    if (n > 0) received.append(buffer, n);
  };
  s.Addr = QStringLiteral("127.0.0.1");
  s.Port = QString::number(peer.Port());
  s.Connect();
  EXPECT_EQ(s.State(), wsConnecting);
  ASSERT_TRUE(WaitFor([&] { return !ev.connects.isEmpty(); }));
  EXPECT_EQ(ev.connects, QList<int>{0});
  EXPECT_EQ(s.State(), wsConnected);
  EXPECT_EQ(s.GetPeerAddr(), QStringLiteral("127.0.0.1"));
  EXPECT_EQ(s.GetXAddr(), QStringLiteral("127.0.0.1"));
  EXPECT_GT(s.SendBufferSize(), 0);

  char buffer[8];
  EXPECT_EQ(s.Receive(buffer, sizeof buffer), -1);
  EXPECT_EQ(s.LastError(), SocketError::WouldBlock);

  QTcpSocket* other = peer.Accepted();
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(s.Send(QByteArray("hello world")), 11);
  ASSERT_TRUE(WaitFor([&] { return !ev.sent.isEmpty(); }));
  EXPECT_EQ(ev.sent, QList<int>{0});
  ASSERT_TRUE(WaitFor(
      [&] { return other->bytesAvailable() >= 11 || (other->waitForReadyRead(10), false); }));
  EXPECT_EQ(other->readAll(), QByteArray("hello world"));

  // More data than one read takes: notified again until everything is read.
  other->write("0123456789abcdef");
  other->flush();
  ASSERT_TRUE(WaitFor([&] { return received.size() == 16; }));
  EXPECT_EQ(received, QByteArray("0123456789abcdef"));

  s.Close();
  EXPECT_EQ(ev.closes, QList<int>{0}) << "closed event inside the call";
  EXPECT_EQ(s.State(), wsClosed);
  s.Close();
  EXPECT_EQ(ev.closes.size(), 1) << "only once";
  EXPECT_EQ(s.Receive(buffer, sizeof buffer), -1);
  EXPECT_EQ(s.LastError(), SocketError::NotConnected);
  EXPECT_EQ(s.SendBufferSize(), -1);
}

TEST(WSocket, RemoteCloseDeliversTheLastDataFirst) {
  Peer peer;
  TWSocket s;
  Events ev(s);
  QByteArray received;
  QList<int> closedAfterBytes;
  s.OnDataAvailable = [&](TWSocket* sender, int) {
    char buffer[4];
    const qint64 n = sender->Receive(buffer, sizeof buffer);
    if (n > 0) received.append(buffer, n);
  };
  s.OnSessionClosed = [&](TWSocket*, int e) {
    ev.closes << e;
    closedAfterBytes << received.size();
  };
  s.Addr = QStringLiteral("127.0.0.1");
  s.Port = QString::number(peer.Port());
  s.Connect();
  QTcpSocket* other = peer.Accepted();
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(WaitFor([&] { return !ev.connects.isEmpty(); }));
  other->write("last words before closing");
  other->disconnectFromHost();
  ASSERT_TRUE(WaitFor([&] { return !ev.closes.isEmpty(); }));
  EXPECT_EQ(ev.closes, QList<int>{0});
  EXPECT_EQ(received, QByteArray("last words before closing"));
  EXPECT_EQ(closedAfterBytes, QList<int>{25});
}

TEST(WSocket, RefusedConnectionAndThrowingHandler) {
  quint16 port = 0;
  {
    QTcpServer gone;
    gone.listen(QHostAddress::LocalHost, 0);
    port = gone.serverPort();
  }
  TWSocket s;
  Events ev(s);
  s.Addr = QStringLiteral("127.0.0.1");
  s.Port = QString::number(port);
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return !ev.connects.isEmpty(); }));
  EXPECT_EQ(ev.connects, QList<int>{SocketError::ConnectionRefused});
  EXPECT_EQ(s.State(), wsClosed);
  EXPECT_TRUE(ev.closes.isEmpty());

  // An exception from a handler is taken by the socket, which closes.
  Peer peer;
  TWSocket t;
  Events tev(t);
  t.OnSessionConnected = [](TWSocket*, int) { throw std::runtime_error("boom"); };
  t.Addr = QStringLiteral("127.0.0.1");
  t.Port = QString::number(peer.Port());
  t.Connect();
  ASSERT_TRUE(WaitFor([&] { return !tev.closes.isEmpty(); }));
  EXPECT_EQ(t.State(), wsClosed);
}

TEST(WSocket, ListenAcceptAndTakeOver) {
  TWSocket listener;
  Events ev(listener);
  listener.Addr = QStringLiteral("127.0.0.1");
  listener.Port = QStringLiteral("0");
  listener.Listen();
  EXPECT_EQ(listener.State(), wsListening);
  const quint16 port = listener.GetXPort().toUShort();
  ASSERT_NE(port, 0);
  EXPECT_EQ(listener.Accept(), -1);
  EXPECT_EQ(listener.LastError(), SocketError::WouldBlock);

  QTcpSocket client;
  client.connectToHost(QHostAddress::LocalHost, port);
  ASSERT_TRUE(WaitFor([&] { return !ev.available.isEmpty(); }));
  const qintptr handle = listener.Accept();
  ASSERT_GE(handle, 0);
  listener.Close();
  EXPECT_EQ(ev.closes.size(), 1);

  TWSocket data;
  QByteArray received;
  data.OnDataAvailable = [&](TWSocket* sender, int) {
    char buffer[64];
    const qint64 n = sender->Receive(buffer, sizeof buffer);
    if (n > 0) received.append(buffer, n);
  };
  data.LingerOnOff = wsLingerOn;
  data.LingerTimeout = 10;
  data.Dup(handle);
  EXPECT_EQ(data.State(), wsConnected);
  client.write("data");
  ASSERT_TRUE(WaitFor([&] { return received == "data"; }));

  // Shutting the sending side down shows the peer the end of the data.
  data.ShutDown(1);
  ASSERT_TRUE(WaitFor([&] { return client.state() == QAbstractSocket::UnconnectedState; }));
}

}  // namespace

TEST(WSocket, DirectSendingFillsTheSystemAndGoesOnWhenThePeerReads) {
  Peer peer;
  TWSocket s;
  Events ev(s);
  s.Addr = QStringLiteral("127.0.0.1");
  s.Port = QString::number(peer.Port());
  s.Connect();
  ASSERT_TRUE(WaitFor([&] { return !ev.connects.isEmpty(); }));
  QTcpSocket* other = peer.Accepted();
  ASSERT_NE(other, nullptr);

  // The peer does not read yet: the system takes bytes until its buffers are full.
  QByteArray content(1 << 20, Qt::Uninitialized);
  for (int i = 0; i < content.size(); ++i)
    content[i] = static_cast<char>((i * 13 + i / 509) & 0xFF);
  QByteArray sent;
  for (int round = 0; round < 4096; ++round) {
    const qint64 n = s.SendDirect(content.constData(), content.size());
    if (n < 0) break;
    sent.append(content.constData(), n);
  }
  ASSERT_EQ(s.LastError(), SocketError::WouldBlock) << "the system never filled up";
  ASSERT_GT(sent.size(), 0);
  EXPECT_GT(s.UnacknowledgedBytes(), 0);

  // Bytes queued by Send go first: direct sending waits for them.
  EXPECT_EQ(s.Send(QByteArray("queued")), 6);
  EXPECT_EQ(s.SendDirect("x", 1), -1);
  EXPECT_EQ(s.LastError(), SocketError::WouldBlock);

  // The peer reads; the socket says when the system takes more, and the rest follows.
  int canSend = 0;
  const QByteArray tail("the end");
  bool tailSent = false;
  s.OnCanSend = [&](TWSocket* sender, int error) {
    EXPECT_EQ(error, 0);
    ++canSend;
    if (!tailSent && sender->SendDirect(tail.constData(), tail.size()) == tail.size()) {
      tailSent = true;
      sender->SetWantSend(false);
    }
  };
  s.SetWantSend(true);
  QByteArray received;
  const qint64 total = sent.size() + 6 + tail.size();
  ASSERT_TRUE(WaitFor(
      [&] {
        received += other->readAll();
        return received.size() >= total || (other->waitForReadyRead(10), false);
      },
      10000));
  EXPECT_GE(canSend, 1);
  EXPECT_EQ(received, sent + "queued" + tail);

  // A peer that has gone is an error number (no signal ends the process).
  other->abort();
  int error = 0;
  ASSERT_TRUE(WaitFor(
      [&] {
        if (s.State() != wsConnected) return true;
        if (s.SendDirect(content.constData(), content.size()) < 0 &&
            s.LastError() != SocketError::WouldBlock) {
          error = s.LastError();
          return true;
        }
        return false;
      },
      5000));
  if (s.State() == wsConnected) {
    EXPECT_TRUE(error == SocketError::ConnectionReset || error == SocketError::ConnectionAborted)
        << error;
  }
  s.Close();
  EXPECT_EQ(s.SendDirect("x", 1), -1);
  EXPECT_EQ(s.LastError(), SocketError::NotConnected);
  EXPECT_EQ(s.UnacknowledgedBytes(), -1);
}
