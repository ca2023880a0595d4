#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "CarrierRun.h"
#include "core/carrier/ThreadedFTPCarrier.h"
#include "support/FtpFixtures.h"
#include "support/ScriptedFtpServer.h"
#include "support/TestPaths.h"

using namespace testsupport;

namespace {

TEST(ThreadedFTPCarrier, QuietLoginRetriesThenFails) {
  ScriptedFtpServer server;
  server.Always("USER", "331 Password required.\r\n");
  server.Always("PASS", "530 Login incorrect.\r\n");
  CarrierRun run;
  run.carrier.SrcHostName = "127.0.0.1";
  run.carrier.SrcPort = QString::number(server.Port());
  run.carrier.SrcUserName = "bob";
  run.carrier.SrcPassword = "wrong";
  run.carrier.FileName = "x";
  run.carrier.ConnectRetry = 3;
  ASSERT_TRUE(run.Run(TCarryRequest::CarryDownload));
  EXPECT_EQ(run.carrier.LastResult, 1);
  EXPECT_EQ(server.ConnectionCount(), 3);
  const QString host = "127.0.0.1";
  const QString port = QString::number(server.Port());
  const QString failed =
      QString("! [%1]: User [bob] failed to log in onto host [%1] on port [%2]").arg(host, port);
  const auto retry = [&](int left) {
    return QString(
               "~ [%1]: Retrying to connect host [%1] on port [%2]. %3 connection retry "
               "remained")
        .arg(host, port)
        .arg(left);
  };
  // The first attempt is logged in full; later ones only by their failure and retry lines.
  EXPECT_EQ(run.lines.count("> [127.0.0.1]: USER bob"), 1) << run.lines.join('\n').toStdString();
  EXPECT_EQ(run.lines.count("> [127.0.0.1]: PASS [Objq dlk kto vzpvjet nz?]"), 1);
  EXPECT_EQ(run.lines.count(failed), 3);
  const qsizetype r2 = run.lines.indexOf(retry(2));
  const qsizetype r1 = run.lines.indexOf(retry(1));
  ASSERT_GE(r2, 0);
  ASSERT_GT(r1, r2);
  // Between the retry lines: the second attempt's failure (and the close it causes), no
  // command or reply lines.
  const QStringList between = run.lines.mid(r2 + 1, r1 - r2 - 1);
  EXPECT_TRUE(between.contains(failed));
  for (const QString& line : between) {
    EXPECT_FALSE(line.startsWith("> ") || line.startsWith("< ")) << line.toStdString();
  }
  EXPECT_TRUE(run.lines.mid(r1 + 1).contains(failed));
  for (const QString& line : run.lines.mid(r1 + 1)) {
    EXPECT_FALSE(line.startsWith("> ") || line.startsWith("< ")) << line.toStdString();
  }
  EXPECT_FALSE(run.lines.join('\n').contains("wrong"));
}

// Two scripted servers acting as source and destination of a server-to-server copy.
struct TwoServers {
  ScriptedFtpServer src;
  ScriptedFtpServer dest;
  TwoServers() {
    for (ScriptedFtpServer* s : {&src, &dest}) {
      s->Expect("USER", "331 Password.\r\n");
      s->Expect("PASS", "230 Ok.\r\n");
    }
    src.Expect("REST 1", "350 Ok.\r\n");
    src.Expect("REST 0", "350 Ok.\r\n");
    src.Expect("TYPE I", "200 Ok.\r\n");
    dest.Expect("TYPE I", "200 Ok.\r\n");
  }
  void Configure(TThreadedFTPCarrier& c) const { PointAtTwoServers(c, src.Port(), dest.Port()); }
};

TEST(ThreadedFTPCarrier, ServerToServerReversesRolesWhenPortIsRefused) {
  TwoServers s;
  s.src.Expect("PASV", "227 Entering Passive Mode (127,0,0,1,10,1).\r\n");
  s.dest.Expect("PORT 127,0,0,1,10,1", "500 PORT refused.\r\n");
  s.dest.Expect("PASV", "227 Entering Passive Mode (127,0,0,1,20,2).\r\n");
  s.src.Expect("PORT 127,0,0,1,20,2", "200 Ok.\r\n");
  s.src.Expect("RETR /a/f.bin", ScriptedReply("150 Sending.\r\n").Delay(100).Send("226 Sent.\r\n"));
  s.dest.Expect("STOR /b/f.bin",
                ScriptedReply("150 Receiving.\r\n").Delay(200).Send("226 Stored.\r\n"));
  s.src.Expect("QUIT", "221 Bye.\r\n");
  s.dest.Expect("QUIT", "221 Bye.\r\n");
  CarrierRun run;
  s.Configure(run.carrier);
  ASSERT_TRUE(run.Run(TCarryRequest::CarryServerToServer));
  EXPECT_EQ(run.carrier.LastResult, 0) << run.carrier.LastError.toStdString();
  EXPECT_TRUE(s.src.Unexpected().isEmpty()) << s.src.Unexpected().join('|').toStdString();
  EXPECT_TRUE(s.dest.Unexpected().isEmpty()) << s.dest.Unexpected().join('|').toStdString();
  // The side that took PORT is told first; both stay logged in until the carrier stops.
  EXPECT_EQ(s.src.Received().indexOf("RETR /a/f.bin"), s.src.Received().size() - 1);
  EXPECT_TRUE(run.carrier.Reusable());
  run.carrier.StopCarrier();
  ASSERT_TRUE(Pump([&] { return !run.carrier.HasThread(); }, 5000));
  EXPECT_EQ(s.src.Received().last(), "QUIT");
  EXPECT_EQ(s.dest.Received().last(), "QUIT");
}

TEST(ThreadedFTPCarrier, ServerToServerEndsWhenEitherSideFails) {
  struct Case {
    const char* what;
    ScriptedReply retr;
    ScriptedReply stor;
  } cases[] = {
      {"source refuses RETR after PORT was accepted", ScriptedReply("550 No such file.\r\n"),
       ScriptedReply("150 Receiving.\r\n").Delay(5000).Send("226 Stored.\r\n")},
      {"source answers the transfer with an error",
       ScriptedReply("150 Sending.\r\n").Delay(50).Send("426 Broken.\r\n"),
       ScriptedReply("150 Receiving.\r\n").Delay(5000).Send("226 Stored.\r\n")},
      {"destination hangs up", ScriptedReply("150 Sending.\r\n").Delay(5000).Send("226 Sent.\r\n"),
       ScriptedReply("150 Receiving.\r\n").Delay(50).HangUp()},
      {"destination refuses with 4xx", ScriptedReply("150 Sending.\r\n"),
       ScriptedReply("425 Cannot open data connection.\r\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TwoServers s;
    s.src.Expect("PASV", "227 Entering Passive Mode (127,0,0,1,10,1).\r\n");
    s.dest.Expect("PORT", "200 Ok.\r\n");
    s.dest.Expect("STOR", c.stor);
    s.src.Expect("RETR", c.retr);
    CarrierRun run;
    s.Configure(run.carrier);
    ASSERT_TRUE(run.Run(TCarryRequest::CarryServerToServer, 4000));  // never the 5 s delays
    EXPECT_EQ(run.carrier.LastResult, 1);
    EXPECT_FALSE(run.carrier.LastError.isEmpty());
  }
}

TEST(ThreadedFTPCarrier, ExploreUploadMakesTheFolderAndSkipsDotNames) {
  ScriptedFtpServer server;
  server.Expect("USER", "331 Password.\r\n");
  server.Expect("PASS", "230 Ok.\r\n");
  server.Expect("CWD /up/tree", "550 No such folder.\r\n");
  server.Expect("MKD /up/tree", "257 \"/up/tree\" created.\r\n");
  server.Expect("QUIT", "221 Bye.\r\n");
  auto dir = MakeTempDir("explore-up");
  const QString local = dir->filePath("tree");
  ASSERT_TRUE(WriteFile(local + "/a.txt", "aaa"));
  ASSERT_TRUE(WriteFile(local + "/.htaccess", "secret"));
  ASSERT_TRUE(QDir().mkpath(local + "/sub"));
  CarrierRun run;
  TThreadedFTPCarrier& c = run.carrier;
  c.FileName = "tree";
  c.SrcPath = dir->path() + QDir::separator();
  c.DestHostName = "127.0.0.1";
  c.DestPort = QString::number(server.Port());
  c.DestUserName = "u";
  c.DestPassword = "p";
  c.DestPath = "/up/";
  std::vector<std::unique_ptr<TFTPCarryItem>> found;
  c.OnExploreDone = [&] {
    found = c.TakeExploredItems();
    run.done = true;
  };
  ASSERT_TRUE(run.Run(TCarryRequest::ExploreUpload));
  EXPECT_EQ(c.LastResult, 0) << c.LastError.toStdString();
  ASSERT_EQ(found.size(), 2u);
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a->FileName < b->FileName; });
  EXPECT_EQ(found[0]->FileName, "a.txt");
  EXPECT_EQ(found[0]->IsFolder, 0);
  EXPECT_EQ(found[0]->FileSize, 3);
  EXPECT_EQ(found[0]->Direction, carryUpload);
  EXPECT_EQ(found[0]->DestPath, "/up/tree/");
  EXPECT_EQ(found[0]->SrcPath, local + QDir::separator());
  EXPECT_EQ(found[1]->FileName, "sub");
  EXPECT_EQ(found[1]->CommandText(), "Explore");
  EXPECT_TRUE(c.ExploredItems.empty());
}

TEST(ThreadedFTPCarrier, AbortDuringLoginEndsTheRequest) {
  ScriptedFtpServer server;
  server.SetGreeting(ScriptedReply().Delay(10000).Send("220 Late.\r\n"));
  CarrierRun run;
  run.carrier.SrcHostName = "127.0.0.1";
  run.carrier.SrcPort = QString::number(server.Port());
  run.carrier.SrcUserName = "u";
  run.carrier.FileName = "x";
  run.carrier.Start(TCarryRequest::CarryDownload);
  ASSERT_TRUE(server.WaitForConnectionCount(1, 5000));
  run.carrier.AbortCarry();
  ASSERT_TRUE(Pump([&] { return run.done; }, 5000));
  EXPECT_EQ(run.carrier.LastResult, 2);
  EXPECT_EQ(run.carrier.LastError, "! [127.0.0.1]: Operation aborted.");
}

QByteArray Md5Of(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QCryptographicHash hash(QCryptographicHash::Md5);
  hash.addData(&file);
  return hash.result().toHex();
}

// Real servers copying a 50 MiB file to each other, steered by the carrier.
void CopyBetween(const QString& srcRoot, quint16 srcPort, const QString& srcUser,
                 const QString& srcPassword, const QString& destRoot, quint16 destPort,
                 const QString& destUser, const QString& destPassword) {
  QByteArray block(1 << 20, '\0');
  for (int i = 0; i < block.size(); ++i) block[i] = char((i * 131 + 7) & 0xFF);
  {
    QFile file(srcRoot + "/big.bin");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int i = 0; i < 50; ++i) {
      block[0] = char(i);
      file.write(block);
    }
  }
  CarrierRun run;
  TThreadedFTPCarrier& c = run.carrier;
  c.FileName = "big.bin";
  c.SrcHostName = c.DestHostName = "127.0.0.1";
  c.SrcPort = QString::number(srcPort);
  c.DestPort = QString::number(destPort);
  c.SrcUserName = srcUser;
  c.SrcPassword = srcPassword;
  c.DestUserName = destUser;
  c.DestPassword = destPassword;
  c.SrcPath = "/";
  c.DestPath = "/";
  ASSERT_TRUE(run.Run(TCarryRequest::CarryServerToServer, 60000));
  ASSERT_EQ(c.LastResult, 0) << c.LastError.toStdString() << run.lines.join('\n').toStdString();
  EXPECT_EQ(QFileInfo(destRoot + "/big.bin").size(), 50 << 20);
  EXPECT_EQ(Md5Of(destRoot + "/big.bin"), Md5Of(srcRoot + "/big.bin"));
}

TEST(ThreadedFTPCarrierRealServers, BetweenTwoPyftpdlibServers) {
  PyFtpdServer::Options options;
  options.permitForeignAddresses = true;
  PyFtpdServer a, b;
  QString error;
  ASSERT_TRUE(a.Start(options, &error)) << error.toStdString();
  ASSERT_TRUE(b.Start(options, &error)) << error.toStdString();
  CopyBetween(a.RootPath(), a.Port(), PyFtpdServer::User(), PyFtpdServer::Password(), b.RootPath(),
              b.Port(), PyFtpdServer::User(), PyFtpdServer::Password());
}

TEST(ThreadedFTPCarrierRealServers, BetweenPyftpdlibAndVsftpdBothWays) {
  PyFtpdServer::Options pyOptions;
  pyOptions.permitForeignAddresses = true;
  VsftpdServer::Options vsOptions;
  vsOptions.promiscuous = true;
  PyFtpdServer py;
  VsftpdServer vs;
  QString error;
  ASSERT_TRUE(py.Start(pyOptions, &error)) << error.toStdString();
  ASSERT_TRUE(vs.Start(vsOptions, &error)) << error.toStdString();
  {
    SCOPED_TRACE("pyftpdlib to vsftpd");
    CopyBetween(py.RootPath(), py.Port(), PyFtpdServer::User(), PyFtpdServer::Password(),
                vs.RootPath(), vs.Port(), VsftpdServer::User(), VsftpdServer::Password());
  }
  QFile::remove(py.RootPath() + "/big.bin");
  {
    SCOPED_TRACE("vsftpd to pyftpdlib");
    CopyBetween(vs.RootPath(), vs.Port(), VsftpdServer::User(), VsftpdServer::Password(),
                py.RootPath(), py.Port(), PyFtpdServer::User(), PyFtpdServer::Password());
  }
}

}  // namespace
