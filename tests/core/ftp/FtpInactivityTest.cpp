// The engine's inactivity limit against the scripted server: a server that falls silent while
// a greeting, a reply, a data connection or transfer bytes are awaited ends the request with
// 421 and a closed connection; a slow server that keeps sending, or an idle connection, never
// times out.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <vector>

#include "core/ftp/EngineRecorder.h"
#include "support/ScriptedFtpServer.h"
#include "support/TestPaths.h"

using enginetest::EngineRecorder;
using enginetest::WaitFor;
using testsupport::ScriptedFtpServer;
using testsupport::ScriptedReply;

namespace {

const QByteArray kPasv = "227 Entering Passive Mode ({PASV}).\r\n";
const QString kTimeoutLine =
    QStringLiteral("! No data from the server for 1 seconds: connection closed");
const QString kTimeoutReply = QStringLiteral("421 Timeout: no data from the server for 1 seconds.");

// A loopback port whose listener never accepts and whose accept queue is full, so a new
// connection attempt gets no answer at all (its SYN is dropped) instead of a refusal.
class StuckListener {
 public:
  StuckListener() {
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 0) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    m_port = ntohs(address.sin_port);
    // Fill the queue until one attempt stays unanswered.
    for (int i = 0; i < 16; ++i) {
      const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
      ::fcntl(fd, F_SETFL, O_NONBLOCK);
      ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      pollfd wait{fd, POLLOUT, 0};
      const bool answered = ::poll(&wait, 1, 300) == 1;
      m_fillers.push_back(fd);
      if (!answered) {
        m_stuck = true;
        break;
      }
    }
  }
  ~StuckListener() {
    for (int fd : m_fillers) ::close(fd);
    if (m_listener >= 0) ::close(m_listener);
  }
  StuckListener(const StuckListener&) = delete;
  StuckListener& operator=(const StuckListener&) = delete;

  bool Stuck() const { return m_stuck; }
  QByteArray PasvReply() const {
    return QStringLiteral("227 Entering Passive Mode (127,0,0,1,%1,%2).\r\n")
        .arg(m_port / 256)
        .arg(m_port % 256)
        .toLatin1();
  }

 private:
  int m_listener = -1;
  quint16 m_port = 0;
  std::vector<int> m_fillers;
  bool m_stuck = false;
};

class FtpInactivity : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testsupport::MakeTempDir();
    r.engine.InactivityTimeout = 1;
    r.engine.SetPassive(true);
    r.engine.OnInactivityTimeout = [this](TCustomFtpClientEx*, QString& line) { notes << line; };
  }
  QString LocalPath(const char* name) const { return dir->filePath(QString::fromLatin1(name)); }

  // Starts `op` and waits for its end; the error, or -1 when it did not end in time.
  int Run(void (TCustomFtpClientEx::*op)(), int timeoutMs = 6000) {
    const int before = static_cast<int>(r.done.size());
    clock.start();
    (r.engine.*op)();
    if (!r.WaitDone(before + 1, timeoutMs)) return -1;
    elapsedMs = clock.elapsed();
    return r.done.last().error;
  }

  // The request ended by the limit: 421, the texts, both connections closed, the engine ready.
  void ExpectTimedOut(int error) {
    EXPECT_EQ(error, 421);
    EXPECT_GE(elapsedMs, 900) << "the limit is one second";
    EXPECT_EQ(r.engine.ErrorMessage(), kTimeoutReply);
    EXPECT_EQ(r.engine.LastResponse, kTimeoutReply);
    EXPECT_EQ(r.engine.StatusCode, 421);
    EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("! No data")), QStringList{kTimeoutLine});
    EXPECT_EQ(notes, QStringList{kTimeoutLine});
    EXPECT_FALSE(r.engine.Connected);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    EXPECT_EQ(r.engine.ControlSocket()->State(), wsClosed);
    EXPECT_EQ(r.engine.DataSocket()->State(), wsClosed);
  }

  // A fresh connection to the same server works after the timeout.
  void ExpectReconnects() {
    const int connections = server.ConnectionCount();
    ASSERT_TRUE(r.Open(server.Port()));
    EXPECT_EQ(server.ConnectionCount(), connections + 1);
    server.Expect(QStringLiteral("CWD"), "250 Changed.\r\n");
    r.engine.HostDirName = QStringLiteral("/again");
    EXPECT_EQ(Run(&TCustomFtpClientEx::CwdAsync), 0);
    EXPECT_TRUE(r.engine.Connected);
  }

  ScriptedFtpServer server;
  EngineRecorder r;
  std::unique_ptr<QTemporaryDir> dir;
  QStringList notes;
  QElapsedTimer clock;
  qint64 elapsedMs = 0;
};

TEST_F(FtpInactivity, SilentGreetingEndsTheOpenAndTheConnection) {
  server.SetGreeting(ScriptedReply().Delay(60000));
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  ExpectTimedOut(Run(&TCustomFtpClientEx::ConnectAsync));
  EXPECT_EQ(r.done.last().type, ftpConnectAsync);
  EXPECT_TRUE(server.Received().isEmpty()) << "no USER after a timed-out greeting";

  server.SetGreeting("220 Awake now.\r\n");
  ExpectReconnects();
}

TEST_F(FtpInactivity, SilentServerEndsEachKindOfWait) {
  struct Case {
    const char* name;
    bool passive;
    std::function<StuckListener*()> script;  // sets the server up; may hand back a listener
    void (TCustomFtpClientEx::*op)();
    const char* notSent;  // a command that must never go out, or nullptr
  };
  std::unique_ptr<StuckListener> stuck;
  const std::vector<Case> cases = {
      {"no reply to a command", true,
       [&] {
         server.Expect(QStringLiteral("CWD"), ScriptedReply());
         return nullptr;
       },
       &TCustomFtpClientEx::CwdAsync, nullptr},
      {"data sent but no final reply", true,
       [&] {
         server.Expect(QStringLiteral("PASV"), kPasv);
         server.Expect(QStringLiteral("RETR"),
                       ScriptedReply("150 Opening.\r\n").DataSend("all the bytes"));
         return nullptr;
       },
       &TCustomFtpClientEx::GetAsync, nullptr},
      {"upload taken but no final reply", true,
       [&] {
         server.Expect(QStringLiteral("PASV"), kPasv);
         server.Expect(QStringLiteral("STOR"), ScriptedReply("150 Go ahead.\r\n").DataReceive());
         return nullptr;
       },
       &TCustomFtpClientEx::PutAsync, nullptr},
      {"passive port that never answers", true,
       [&] {
         stuck = std::make_unique<StuckListener>();
         server.Expect(QStringLiteral("PASV"), stuck->PasvReply());
         return stuck.get();
       },
       &TCustomFtpClientEx::PutAsync, "STOR"},
      {"active data connection never made", false,
       [&] {
         server.Expect(QStringLiteral("PORT"), "200 PORT ok.\r\n");
         server.Expect(QStringLiteral("RETR"), "150 Opening, but never connecting.\r\n");
         return nullptr;
       },
       &TCustomFtpClientEx::GetAsync, nullptr},
  };
  QFile upload(LocalPath("up.bin"));
  ASSERT_TRUE(upload.open(QIODevice::WriteOnly));
  upload.write(QByteArray(300000, 'u'));
  upload.close();

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    r.display.clear();
    notes.clear();
    ASSERT_TRUE(r.Open(server.Port()));
    const qsizetype commandsBefore = server.Received().size();
    r.engine.SetPassive(c.passive);
    r.engine.HostDirName = QStringLiteral("/pub");
    r.engine.HostFileName = QStringLiteral("file.bin");
    r.engine.SetLocalFileName(c.op == &TCustomFtpClientEx::PutAsync ? LocalPath("up.bin")
                                                                    : LocalPath("down.bin"));
    if (StuckListener* listener = c.script()) {
      ASSERT_TRUE(listener->Stuck()) << "could not fill the listener's queue";
    }
    ExpectTimedOut(Run(c.op));
    if (c.notSent) {
      for (const QString& line : server.Received().mid(commandsBefore))
        EXPECT_FALSE(line.startsWith(QLatin1String(c.notSent))) << line.toStdString();
    }
    EXPECT_EQ(server.PendingExpectations(), 0);
    EXPECT_TRUE(server.Unexpected().isEmpty()) << server.Unexpected().join(';').toStdString();
    stuck.reset();
  }
  r.engine.SetPassive(true);
  ExpectReconnects();
}

TEST_F(FtpInactivity, SlowButAliveServerNeverTimesOut) {
  ASSERT_TRUE(r.Open(server.Port()));
  // A multi-line reply that trickles in over three seconds, a line every 300 ms.
  QByteArray lines;
  for (int i = 0; i < 10; ++i) lines += "250-still busy\r\n";
  server.Expect(
      QStringLiteral("CWD"),
      ScriptedReply().SendSplit(lines, 16, 300).Delay(300).Send("250 Changed at last.\r\n"));
  r.engine.HostDirName = QStringLiteral("/slow");
  EXPECT_EQ(Run(&TCustomFtpClientEx::CwdAsync), 0);
  EXPECT_GE(elapsedMs, 2500);

  // Listing bytes every 300 ms for three seconds, then the final reply after a pause.
  const QByteArray listing = "-rw-r--r-- 1 a b 1 Jan 1 2020 x\r\n";
  QByteArray content;
  while (content.size() < 10 * 32) content += listing;
  server.Expect(QStringLiteral("PASV"), kPasv);
  server.Expect(QStringLiteral("LIST"), ScriptedReply("150 Here it comes.\r\n")
                                            .DataSendSplit(content, 32, 300)
                                            .Delay(700)
                                            .Send("226 Done.\r\n"));
  r.engine.SetLocalFileName(LocalPath("list.txt"));
  EXPECT_EQ(Run(&TCustomFtpClientEx::DirAsync), 0);
  EXPECT_GE(elapsedMs, 2500);
  QFile received(LocalPath("list.txt"));
  ASSERT_TRUE(received.open(QIODevice::ReadOnly));
  EXPECT_EQ(received.readAll(), content);

  EXPECT_TRUE(notes.isEmpty());
  EXPECT_TRUE(r.DisplayWithPrefix(QStringLiteral("! No data")).isEmpty());
  EXPECT_TRUE(r.engine.Connected);
}

// A passive data port whose one connection is read slowly: a small piece now and then, so
// the system's buffers on both sides stay full and the sender rarely gets room for a block.
class SlowReader {
 public:
  SlowReader() {
    m_server.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
      m_socket = m_server.nextPendingConnection();
      m_socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 8192);
      m_socket->setReadBufferSize(8192);
      QObject::connect(m_socket, &QTcpSocket::disconnected, [this] { m_closed = true; });
      QObject::connect(m_socket, &QTcpSocket::errorOccurred, [this] { m_closed = true; });
      QObject::connect(m_socket, &QTcpSocket::readyRead, [this] {
        if (m_draining) m_received += m_socket->readAll().size();
      });
    });
    QObject::connect(&m_pace, &QTimer::timeout, [this] {
      if (m_socket) m_received += m_socket->read(8192).size();
    });
    m_pace.start(100);
  }
  QByteArray PasvReply() const {
    const quint16 port = m_server.serverPort();
    return QStringLiteral("227 Entering Passive Mode (127,0,0,1,%1,%2).\r\n")
        .arg(port / 256)
        .arg(port % 256)
        .toLatin1();
  }
  // From now on reads everything as it comes.
  void Drain() {
    m_draining = true;
    if (!m_socket) return;
    m_socket->setReadBufferSize(0);
    m_received += m_socket->readAll().size();
  }
  qint64 Received() const { return m_received; }
  bool Closed() const { return m_closed; }

 private:
  QTcpServer m_server;
  QTcpSocket* m_socket = nullptr;
  QTimer m_pace;
  qint64 m_received = 0;
  bool m_closed = false;
  bool m_draining = false;
};

TEST_F(FtpInactivity, SlowReaderKeepsAnUploadAliveAndAnAbortEndsItAtOnce) {
  QFile upload(LocalPath("big.bin"));
  ASSERT_TRUE(upload.open(QIODevice::WriteOnly));
  ASSERT_EQ(upload.write(QByteArray(48 * 1024 * 1024, 'b')), 48 * 1024 * 1024);
  upload.close();
  ASSERT_TRUE(r.Open(server.Port()));
  SlowReader reader;
  server.Expect(QStringLiteral("PASV"), reader.PasvReply());
  server.Expect(QStringLiteral("STOR"), "150 Go ahead.\r\n");  // and no final reply
  r.engine.HostFileName = QStringLiteral("big.bin");
  r.engine.SetLocalFileName(LocalPath("big.bin"));
  const int before = static_cast<int>(r.done.size());
  r.engine.PutAsync();

  // Three times the limit, with nothing on the control connection after the 150 reply.
  qint64 readAfterOneSecond = -1;
  QElapsedTimer running;
  running.start();
  WaitFor(
      [&] {
        if (readAfterOneSecond < 0 && running.elapsed() >= 1000)
          readAfterOneSecond = reader.Received();
        return r.done.size() > before || running.elapsed() >= 3000;
      },
      4000);
  EXPECT_TRUE(notes.isEmpty()) << "timed out although the peer kept reading";
  ASSERT_EQ(r.done.size(), before) << "the upload ended early";
  EXPECT_GT(reader.Received(), readAfterOneSecond) << "the peer read nothing for two seconds";
  EXPECT_LT(r.engine.ByteCount, 48 * 1024 * 1024);

  // The engine's abort stops it within the call: both connections and the file closed.
  QElapsedTimer aborting;
  aborting.start();
  r.engine.Abort();
  EXPECT_LT(aborting.elapsed(), 200);
  EXPECT_EQ(r.engine.State(), ftpStateReady);
  EXPECT_EQ(r.engine.DataSocket()->State(), wsClosed);
  EXPECT_EQ(r.engine.LocalStream, nullptr);
  // The bytes the system still held are dropped, not delivered after the abort.
  reader.Drain();
  EXPECT_TRUE(WaitFor([&] { return reader.Closed(); }, 1000))
      << "the peer still sees a data connection";
  EXPECT_LT(reader.Received(), r.engine.ByteCount);
}

TEST_F(FtpInactivity, IdleConnectionAndZeroLimitNeverTimeOut) {
  ASSERT_TRUE(r.Open(server.Port()));
  // Logged in and idle for longer than the limit: nothing happens.
  ASSERT_FALSE(WaitFor([this] { return !notes.isEmpty() || !r.engine.Connected; }, 1600));
  EXPECT_TRUE(r.engine.Connected);
  EXPECT_EQ(r.engine.ControlSocket()->State(), wsConnected);

  // 0 waits without limit, however long the server stays silent.
  r.engine.InactivityTimeout = 0;
  server.Expect(QStringLiteral("CWD"), ScriptedReply().Delay(1600).Send("250 Late.\r\n"));
  r.engine.HostDirName = QStringLiteral("/late");
  EXPECT_EQ(Run(&TCustomFtpClientEx::CwdAsync), 0);
  EXPECT_GE(elapsedMs, 1500);
  EXPECT_TRUE(notes.isEmpty());
  EXPECT_TRUE(r.engine.Connected);
}

}  // namespace
