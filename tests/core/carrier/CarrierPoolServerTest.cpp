// Real carriers in the queue reusing their logins, against vsftpd and a scripted server.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "CarrierRun.h"
#include "core/carrier/CarrierQueue.h"
#include "core/settings/GlobalOptions.h"
#include "support/ScriptedFtpServer.h"
#include "support/TestPaths.h"
#include "support/VsftpdServer.h"

using namespace testsupport;

namespace {

// vsftpd refuses a fourth connection from 127.0.0.1 at once, and logs every command.
struct LimitedVsftpd {
  VsftpdServer server;
  explicit LimitedVsftpd(const QStringList& extra = {}) {
    VsftpdServer::Options options;
    options.extraConfig << "max_per_ip=3" << extra;
    QString error;
    started = server.Start(options, &error);
    if (!started) ADD_FAILURE() << error.toStdString();
  }
  bool Put(const QString& relative, const QByteArray& bytes) const {
    const QString path = server.RootPath() + "/" + relative;
    if (!WriteFile(path, bytes)) return false;
    for (QString dir = QFileInfo(path).path(); dir != server.RootPath();
         dir = QFileInfo(dir).path()) {
      QFile::setPermissions(dir, QFile::Permissions(0x7777));
    }
    return QFile::setPermissions(path, QFile::Permissions(0x6666));
  }
  // QUITs of logged-in sessions: vsftpd tags their lines with the user.
  int LoggedInQuits() const {
    return int(
        server.LogText().count(QStringLiteral("[%1] FTP command: Client \"127.0.0.1\", \"QUIT\"")
                                   .arg(VsftpdServer::User())));
  }
  int Logins() const { return int(server.LogText().count(QRegularExpression(R"("USER \S+")"))); }
  std::unique_ptr<TFTPCarryItem> Item(const QString& path, const QString& name, bool folder,
                                      const QString& localFolder) const {
    auto item = std::make_unique<TFTPCarryItem>();
    item->IsFolder = folder ? 1 : 0;
    item->Direction = carryDownload;
    item->FileName = name;
    item->SrcHostName = "127.0.0.1";
    item->SrcPort = QString::number(server.Port());
    item->SrcUserName = VsftpdServer::User();
    item->SrcPassword = VsftpdServer::Password();
    item->SrcPath = path;
    item->DestPath = localFolder + QDir::separator();
    item->SrcTransferType = ftpTypeBinary;
    item->FileSize = folder ? -1 : 4;
    return item;
  }
  bool started = false;
};

// A queue of real carriers with default options.
struct RealQueue {
  TGlobalOptions options;
  TCarrierQueue queue{[] { return std::make_unique<TThreadedFTPCarrier>(); }, options};
  explicit RealQueue(int maxCarrier) { queue.SetMaxCarrier(maxCarrier); }
};

// A login as carriers make it on a fresh connection: USER, PASS, TYPE and the REST probe.
void ExpectLogin(ScriptedFtpServer& server) {
  server.Expect("USER", "331 Password.\r\n");
  server.Expect("PASS", "230 Ok.\r\n");
  server.Expect("TYPE I", "200 Ok.\r\n");
  server.Expect("REST 1", "350 Ok.\r\n");
  server.Expect("REST 0", "350 Ok.\r\n");
}

std::unique_ptr<TFTPCarryItem> ScriptedItem(const ScriptedFtpServer& server, const QString& name,
                                            const QString& localFolder) {
  auto item = std::make_unique<TFTPCarryItem>();
  item->FileName = name;
  item->SrcHostName = "127.0.0.1";
  item->SrcPort = QString::number(server.Port());
  item->SrcUserName = "u";
  item->SrcPassword = "p";
  item->SrcPath = "/p/";
  item->DestPath = localFolder + QDir::separator();
  item->SrcTransferType = ftpTypeBinary;
  return item;
}

bool Drain(TCarrierQueue& queue, int timeoutMs = 30000) {
  return Pump([&] { return queue.Queue().empty() && queue.RunningCount() == 0; }, timeoutMs);
}

TEST(CarrierPoolServers, TenFilesWithThreeCarriersLogInAtMostThreeTimes) {
  LimitedVsftpd vs;
  ASSERT_TRUE(vs.started);
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(vs.Put(QString("ten/f%1.dat").arg(i), "data"));
  auto local = MakeTempDir("pool-ten");
  RealQueue real(3);
  TCarrierQueue& queue = real.queue;
  for (int i = 0; i < 10; ++i)
    queue.AddItem(vs.Item("/ten/", QString("f%1.dat").arg(i), false, local->path()));
  queue.RunQueue();
  ASSERT_TRUE(Drain(queue));
  for (const auto& row : queue.Fail()) ADD_FAILURE() << row.ErrorMessage.toStdString();
  EXPECT_EQ(queue.Success().size(), 10u);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(ReadFile(local->filePath(QString("f%1.dat").arg(i))), "data");
  EXPECT_LE(vs.Logins(), 3) << vs.server.LogText().toStdString();
  EXPECT_GE(vs.Logins(), 1);
  // They wait logged in; clearing the queue says goodbye to each.
  EXPECT_EQ(queue.IdleCount(), vs.Logins());
  queue.ClearQueue();
  EXPECT_TRUE(Pump([&] { return vs.LoggedInQuits() == vs.Logins(); }, 5000))
      << vs.server.LogText().toStdString();
}

TEST(CarrierPoolServers, TreeWithThreeCarriersUnderThreeConnectionsAServer) {
  // What `vornalo-ftp --parallel 3 get /tree` does, against a server that refuses a fourth
  // connection: explores and files share the three logins, and none is refused.
  LimitedVsftpd vs;
  ASSERT_TRUE(vs.started);
  for (int d = 0; d < 4; ++d) {
    for (int f = 0; f < 8; ++f)
      ASSERT_TRUE(
          vs.Put(QString("tree/d%1/f%2.dat").arg(d).arg(f), QByteArray(100 + f, char('a' + d))));
  }
  auto local = MakeTempDir("pool-tree");
  RealQueue real(3);
  TCarrierQueue& queue = real.queue;
  queue.AddItem(vs.Item("/", "tree", true, local->path()));
  queue.RunQueue();
  ASSERT_TRUE(Drain(queue));
  for (const auto& row : queue.Fail()) ADD_FAILURE() << row.ErrorMessage.toStdString();
  EXPECT_EQ(queue.Success().size(), 1u + 4u + 32u);
  for (int d = 0; d < 4; ++d) {
    for (int f = 0; f < 8; ++f) {
      EXPECT_EQ(ReadFile(local->filePath(QString("tree/d%1/f%2.dat").arg(d).arg(f))),
                QByteArray(100 + f, char('a' + d)));
    }
  }
  const QString log = vs.server.LogText();
  EXPECT_LE(vs.Logins(), 3) << log.toStdString();
  EXPECT_FALSE(log.contains("too many connections")) << log.toStdString();
}

TEST(CarrierPoolServers, SessionTheServerClosedWhileIdleIsReplacedWithoutAFailure) {
  // vsftpd says goodbye to a session idle for a second.
  LimitedVsftpd vs({"idle_session_timeout=1"});
  ASSERT_TRUE(vs.started);
  ASSERT_TRUE(vs.Put("idle/a.dat", "aaaa"));
  ASSERT_TRUE(vs.Put("idle/b.dat", "bbbb"));
  auto local = MakeTempDir("pool-idle");
  RealQueue real(1);
  TCarrierQueue& queue = real.queue;
  queue.AddItem(vs.Item("/idle/", "a.dat", false, local->path()));
  queue.RunQueue();
  ASSERT_TRUE(Drain(queue));
  ASSERT_EQ(queue.IdleCount(), 1);
  Pump([] { return false; }, 2500);
  queue.AddItem(vs.Item("/idle/", "b.dat", false, local->path()));
  queue.RunQueue();
  ASSERT_TRUE(Drain(queue));
  for (const auto& row : queue.Fail()) ADD_FAILURE() << row.ErrorMessage.toStdString();
  EXPECT_EQ(queue.Success().size(), 2u);
  EXPECT_EQ(ReadFile(local->filePath("b.dat")), "bbbb");
  EXPECT_EQ(vs.Logins(), 2);
}

TEST(CarrierPoolServers, HangUpOnThePooledSessionsFirstCommandLogsInAgain) {
  // The server drops the idle session just as the next item starts on it.
  ScriptedFtpServer server;
  const auto transfer = [&server](const char* name) {
    server.Expect("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
    server.Expect(QString("RETR /p/") + name,
                  ScriptedReply("150 Sending.\r\n").DataSend("four").Send("226 Done.\r\n"));
  };
  ExpectLogin(server);
  transfer("a.dat");
  server.Expect("PASV", ScriptedReply("421 Closing idle connection.\r\n").HangUp());
  ExpectLogin(server);
  transfer("b.dat");
  auto local = MakeTempDir("pool-hangup");
  RealQueue real(1);
  TCarrierQueue& queue = real.queue;
  for (const char* name : {"a.dat", "b.dat"})
    queue.AddItem(ScriptedItem(server, name, local->path()));
  queue.RunQueue();
  ASSERT_TRUE(Drain(queue, 10000));
  for (const auto& row : queue.Fail()) ADD_FAILURE() << row.ErrorMessage.toStdString();
  EXPECT_EQ(queue.Success().size(), 2u);
  EXPECT_EQ(ReadFile(local->filePath("b.dat")), "four");
  EXPECT_EQ(server.Received().filter(QRegularExpression("^USER")).size(), 2);
  EXPECT_EQ(server.ConnectionCount(), 2);
  EXPECT_TRUE(server.Unexpected().isEmpty()) << server.Unexpected().join('|').toStdString();
}

TEST(CarrierPoolServers, AbortedCarrierIsNotReused) {
  ScriptedFtpServer server;
  ExpectLogin(server);
  server.Expect("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
  server.Expect("RETR", ScriptedReply("150 Sending.\r\n").Delay(5000).Send("226 Done.\r\n"));
  server.Always("USER", "331 Password.\r\n");
  server.Always("PASS", "230 Ok.\r\n");
  server.Always("TYPE", "200 Ok.\r\n");
  server.Always("REST", "350 Ok.\r\n");
  auto local = MakeTempDir("pool-abort");
  RealQueue real(1);
  TCarrierQueue& queue = real.queue;
  queue.AddItem(ScriptedItem(server, "slow.dat", local->path()));
  queue.RunQueue();
  ASSERT_TRUE(
      server.WaitUntil([&] { return server.Received().contains("RETR /p/slow.dat"); }, 5000));
  queue.AbortItems({queue.Running()[0].Item.get()});
  ASSERT_TRUE(Drain(queue, 5000));
  EXPECT_EQ(queue.Fail().size(), 1u);
  EXPECT_EQ(queue.IdleCount(), 0);
}

}  // namespace
