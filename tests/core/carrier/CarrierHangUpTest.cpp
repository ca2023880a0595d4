// Carriers against servers that hang up at any point or list hostile names.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "CarrierRun.h"
#include "core/carrier/CarrierQueue.h"
#include "core/settings/GlobalOptions.h"
#include "support/ScriptedFtpServer.h"

using testsupport::ScriptedFtpServer;
using testsupport::ScriptedReply;

namespace {

const QByteArray kPasv = "227 Entering Passive Mode ({PASV}).\r\n";

void StandingAnswers(ScriptedFtpServer& server) {
  server.AnswerLogins();
  server.Always("CWD", "250 Ok.\r\n");
  server.Always("QUIT", "221 Bye.\r\n");
}

void Point(TThreadedFTPCarrier& c, const ScriptedFtpServer& server, const QString& local) {
  c.SrcHostName = c.DestHostName = "127.0.0.1";
  c.SrcPort = c.DestPort = QString::number(server.Port());
  c.SrcUserName = c.DestUserName = "bob";
  c.SrcPassword = c.DestPassword = "secret";
  c.ConnectRetry = 2;
  c.FileName = "f.bin";
  c.SrcPath = "/pub/";
  c.DestPath = local + QDir::separator();
}

TEST(CarrierHangUp, EveryCutEndsTheItemOnceAsFailed) {
  struct Case {
    const char* what;
    TCarryRequest request;
    bool greetingHangsUp;
    std::vector<std::pair<QString, ScriptedReply>> script;
  };
  const std::vector<Case> cases = {
      {"after the greeting", TCarryRequest::CarryDownload, true, {}},
      {"after PASS",
       TCarryRequest::CarryDownload,
       false,
       {{"USER", "331 Password required.\r\n"},
        {"PASS", ScriptedReply("230 Logged in.\r\n").HangUp()}}},
      {"after TYPE",
       TCarryRequest::CarryDownload,
       false,
       {{"USER", "331 Password required.\r\n"},
        {"PASS", "230 Logged in.\r\n"},
        {"TYPE", ScriptedReply("200 Ok.\r\n").HangUp()}}},
      {"after PASV",
       TCarryRequest::CarryDownload,
       false,
       {{"PASV", ScriptedReply(kPasv).HangUp()}}},
      {"after the 150 of RETR",
       TCarryRequest::CarryDownload,
       false,
       {{"PASV", kPasv}, {"RETR", ScriptedReply("150 Opening.\r\n").HangUp()}}},
      {"in the middle of the data",
       TCarryRequest::CarryDownload,
       false,
       {{"PASV", kPasv},
        {"RETR", ScriptedReply("150 Opening.\r\n").DataSend(QByteArray(3000, 'x')).HangUp()}}},
      {"after the 150 of LIST",
       TCarryRequest::ExploreDownload,
       false,
       {{"PASV", kPasv}, {"LIST", ScriptedReply("150 Listing.\r\n").HangUp()}}},
      {"after the 150 of STOR",
       TCarryRequest::CarryUpload,
       false,
       {{"PASV", kPasv}, {"STOR", ScriptedReply("150 Send it.\r\n").HangUp()}}},
  };
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  {
    QFile up(dir.filePath("f.bin"));
    ASSERT_TRUE(up.open(QIODevice::WriteOnly));
    up.write(QByteArray(4000, 'u'));
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedFtpServer server;
    if (c.greetingHangsUp) server.SetGreeting(ScriptedReply("220 Ready.\r\n").HangUp());
    for (const auto& [prefix, reply] : c.script) server.Expect(prefix, reply);
    StandingAnswers(server);
    CarrierRun run;
    int doneCount = 0;
    run.carrier.OnCarryDone = run.carrier.OnExploreDone = [&] {
      ++doneCount;
      run.done = true;
    };
    Point(run.carrier, server, dir.path());
    if (c.request == TCarryRequest::CarryUpload) {
      run.carrier.SrcPath = dir.path() + QDir::separator();
      run.carrier.DestPath = "/pub/";
    }
    ASSERT_TRUE(run.Run(c.request, 15000));
    Pump([] { return false; }, 200);  // room for a second done event
    EXPECT_EQ(doneCount, 1);
    EXPECT_EQ(run.carrier.LastResult, 1) << run.Log();
    EXPECT_FALSE(run.carrier.LastError.isEmpty());
    if (c.greetingHangsUp) {
      EXPECT_EQ(server.ConnectionCount(), 2);  // ConnectRetry attempts
    }
  }
}

TEST(CarrierHangUp, HostileNamesBecomeFailedItemsAndNothingLeavesTheFolder) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QString downloads = root.filePath("downloads");
  ASSERT_TRUE(QDir().mkpath(downloads));
  ScriptedFtpServer server;
  StandingAnswers(server);
  server.Always("PASV", kPasv);
  server.Expect("LIST", ScriptedReply("150 Listing.\r\n")
                            .DataSend("-rw-r--r--   1 u g   5 Jan 01  2024 ../escape.bin\r\n"
                                      "-rw-r--r--   1 u g   5 Jan 01  2024 good.txt\r\n")
                            .Send("226 Done.\r\n"));
  server.Always("RETR", ScriptedReply("150 Sending.\r\n").DataSend("hello").Send("226 Sent.\r\n"));
  TGlobalOptions options;
  TCarrierQueue queue([] { return std::make_unique<TThreadedFTPCarrier>(); }, options);
  auto folder = std::make_unique<TFTPCarryItem>();
  folder->IsFolder = 1;
  folder->Direction = carryDownload;
  folder->FileName = "evil";
  folder->SrcHostName = "127.0.0.1";
  folder->SrcPort = QString::number(server.Port());
  folder->SrcUserName = "bob";
  folder->SrcPassword = "secret";
  folder->SrcPath = "/";
  folder->DestPath = downloads + QDir::separator();
  queue.AddItem(std::move(folder));
  queue.RunQueue();
  ASSERT_TRUE(Pump([&] { return queue.RunningCount() == 0 && queue.Queue().empty(); }, 20000));
  ASSERT_EQ(queue.Fail().size(), 1u);
  EXPECT_EQ(queue.Fail()[0].Item->FileName, "../escape.bin");
  EXPECT_EQ(queue.Fail()[0].ErrorMessage,
            "Unsafe file name from the server skipped: [../escape.bin]");
  EXPECT_EQ(queue.Success().size(), 2u);  // the explore and good.txt
  EXPECT_FALSE(QFile::exists(root.filePath("escape.bin")));
  QFile good(QDir(downloads).filePath("evil/good.txt"));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  EXPECT_EQ(good.readAll(), "hello");
  // Sent again, the refused item fails again without touching the server.
  const int connections = server.ConnectionCount();
  queue.ResubmitItems({queue.Fail()[0].Item.get()});
  ASSERT_TRUE(Pump([&] { return queue.RunningCount() == 0 && queue.Queue().empty(); }, 10000));
  ASSERT_EQ(queue.Fail().size(), 1u);
  EXPECT_EQ(server.ConnectionCount(), connections);
  EXPECT_FALSE(QFile::exists(root.filePath("escape.bin")));
}

}  // namespace

namespace {

// A copy between two servers is silent on both control connections while it runs; once one
// side has finished, the other must answer within the limit.
TEST(CarrierHangUp, ServerToServerGivesUpOnAPeerThatStallsAfterTheOtherFinished) {
  ScriptedFtpServer src;
  ScriptedFtpServer dest;
  for (ScriptedFtpServer* s : {&src, &dest}) StandingAnswers(*s);
  src.Expect("PASV", "227 Entering Passive Mode (127,0,0,1,10,1).\r\n");
  dest.Expect("PORT", "200 Ok.\r\n");
  dest.Expect("STOR", ScriptedReply("150 Receiving.\r\n").Delay(20000).Send("226 Late.\r\n"));
  // The source is silent longer than the limit before it finishes: that alone is no stall.
  src.Expect("RETR", ScriptedReply("150 Sending.\r\n").Delay(1500).Send("226 Sent.\r\n"));
  CarrierRun run;
  TThreadedFTPCarrier& c = run.carrier;
  PointAtTwoServers(c, src.Port(), dest.Port());
  c.Timeout = 1;
  ASSERT_TRUE(run.Run(TCarryRequest::CarryServerToServer, 10000)) << run.Log();
  EXPECT_EQ(c.LastResult, 1);
  EXPECT_EQ(c.LastError, "421 Timeout: no data from the server for 1 seconds.");
  EXPECT_TRUE(
      run.lines.contains("! [127.0.0.1]: No data from the server for 1 seconds: connection closed"))
      << run.Log();
  EXPECT_TRUE(run.lines.contains("< [127.0.0.1]: 226 Sent.")) << run.Log();
}

}  // namespace
