// The engine's data side against the scripted server: PASV and PORT, downloads, uploads,
// resume, progress and the faults a server or the local disk can throw at a transfer.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>

#include "core/ftp/EngineRecorder.h"
#include "core/ftp/HrpCounter.h"
#include "support/ScriptedFtpServer.h"
#include "support/TestPaths.h"

using enginetest::EngineRecorder;
using enginetest::WaitFor;
using testsupport::ScriptedFtpServer;
using testsupport::ScriptedReply;

namespace {

const QByteArray kPasv = "227 Entering Passive Mode ({PASV}).\r\n";

// Runs one request; its error, or -1 when it did not end in time.
int RunRequest(EngineRecorder& r, void (TCustomFtpClientEx::*op)(), int timeoutMs = 5000) {
  const int before = static_cast<int>(r.done.size());
  (r.engine.*op)();
  if (!r.WaitDone(before + 1, timeoutMs)) return -1;
  return r.done.last().error;
}

QString Log(const EngineRecorder& r) {
  return r.display.join(QLatin1Char('\n'));
}

QByteArray Pattern(int size) {
  QByteArray bytes(size, Qt::Uninitialized);
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

class FtpData : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = testsupport::MakeTempDir();
    ASSERT_TRUE(r.Open(server.Port()));
    r.engine.SetPassive(true);
  }
  QString LocalPath(const char* name) const { return dir->filePath(QString::fromLatin1(name)); }
  bool Sent(const QString& prefix) const {
    for (const QString& line : server.Received())
      if (line.startsWith(prefix)) return true;
    return false;
  }

  ScriptedFtpServer server;
  EngineRecorder r;
  std::unique_ptr<QTemporaryDir> dir;
};

TEST_F(FtpData, ListingIntoCallerStreamWithOptionAndName) {
  struct Case {
    QString hostFileName;
    QString line;
  };
  for (const Case& c : {Case{QString(), QStringLiteral("LIST -a")},
                        Case{QStringLiteral("pub"), QStringLiteral("LIST -a pub")}}) {
    SCOPED_TRACE(c.line.toStdString());
    const QByteArray listing = "-rw-r--r-- 1 u g 5 Jan  1 10:00 a.txt\r\n";
    server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
    server.Expect(c.line, ScriptedReply("150 Here comes the listing.\r\n")
                              .DataSend(listing)
                              .Send("226 Directory send OK.\r\n"));
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    r.engine.HostFileName = c.hostFileName;
    r.engine.SetLocalStream(&buffer);
    ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::DirAsync), 0) << Log(r).toStdString();
    EXPECT_EQ(r.done.last().type, ftpDirAsync);
    EXPECT_EQ(buffer.data(), listing);
    EXPECT_TRUE(buffer.isOpen()) << "the engine must leave a caller's stream alone";
    EXPECT_EQ(server.Received().last(), c.line);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    r.engine.SetLocalStream(nullptr);
  }
  EXPECT_TRUE(server.Unexpected().isEmpty())
      << server.Unexpected().join(QLatin1Char('|')).toStdString();
}

// The second reply and the close of the data connection may come in either order; the
// request ends only when both are there, with every byte written.
TEST_F(FtpData, DownloadEndsAfterReplyAndCloseInEitherOrder) {
  const QByteArray content = Pattern(300000);
  struct Case {
    const char* name;
    ScriptedReply reply;
  };
  const QList<Case> cases{
      {"reply first",
       ScriptedReply("150 Opening.\r\n").Send("226 Done.\r\n").Delay(150).DataSend(content)},
      {"close first",
       ScriptedReply("150 Opening.\r\n").DataSend(content).Delay(150).Send("226 Done.\r\n")},
      {"125 then 250",
       ScriptedReply("125 Already open.\r\n").DataSend(content).Send("250 Done.\r\n")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    r.display.clear();
    server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
    server.Expect(QStringLiteral("RETR big.bin"), c.reply);
    r.engine.HostFileName = QStringLiteral("big.bin");
    r.engine.SetLocalFileName(LocalPath("big.bin"));
    QList<qint64> states;
    r.engine.OnTransferState = [&states](TCustomFtpClientEx*, qint64 position, qint64, double) {
      states << position;
    };
    ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 0) << Log(r).toStdString();
    EXPECT_EQ(r.done.last().type, ftpGetAsync);
    EXPECT_EQ(testsupport::ReadFile(LocalPath("big.bin")), content);
    const QStringList stats =
        r.DisplayWithPrefix(QStringLiteral("! 300000 bytes received/sent in "));
    EXPECT_EQ(stats.size(), 1) << Log(r).toStdString();
    ASSERT_FALSE(states.isEmpty());
    EXPECT_EQ(states.last(), 300000);
    EXPECT_EQ(r.engine.LocalStream, nullptr) << "the engine's own file must be closed";
  }
}

TEST_F(FtpData, ServerFailuresEndTheDownloadWithTheirCode) {
  struct Case {
    const char* name;
    ScriptedReply reply;
    int error;
    bool failedLine;
  };
  const QList<Case> cases{
      {"425 first", ScriptedReply("425 Can't open data connection.\r\n"), 425, false},
      {"550 first", ScriptedReply("550 No such file.\r\n"), 550, false},
      {"early close, 426",
       ScriptedReply("150 Opening.\r\n")
           .DataSend("partial")
           .Send("426 Connection closed; transfer aborted.\r\n"),
       426, true},
      {"data refused, 425 second",
       ScriptedReply("150 Opening.\r\n").DataHangUp().Send("425 No data connection.\r\n"), 425,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    r.display.clear();
    server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
    server.Expect(QStringLiteral("RETR"), c.reply);
    r.engine.HostFileName = QStringLiteral("f.bin");
    r.engine.SetLocalFileName(LocalPath("f.bin"));
    r.engine.ResumeAt = 0;
    ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), c.error) << Log(r).toStdString();
    EXPECT_TRUE(r.engine.ErrorMessage().startsWith(QString::number(c.error)))
        << r.engine.ErrorMessage().toStdString();
    EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("! RETR/LIST/NLST Failed")).size(),
              c.failedLine ? 1 : 0);
    EXPECT_EQ(r.engine.ResumeAt, 0);
    EXPECT_EQ(r.engine.LocalStream, nullptr);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
  }
}

TEST_F(FtpData, MalformedPassiveRepliesEndTheRequestWithoutDataCommand) {
  const QList<QByteArray> replies{
      "227 Entering Passive Mode.\r\n",
      "227 Entering Passive Mode (127,0,0,1,0,0).\r\n",
      "227 Entering Passive Mode (127,0,0,1,300,1).\r\n",
      "227 Entering Passive Mode (127,0,0,1,4,x).\r\n",
      "227 Entering Passive Mode (127,0,0,1,4,1.\r\n",
      "227 Entering Passive Mode (127,0,0,1).\r\n",
      "200 PASV is fine I guess.\r\n",
  };
  for (const QByteArray& reply : replies) {
    SCOPED_TRACE(reply.toStdString());
    server.Expect(QStringLiteral("PASV"), ScriptedReply(reply));
    r.engine.HostFileName = QStringLiteral("f.bin");
    r.engine.SetLocalFileName(LocalPath("f.bin"));
    ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 550) << Log(r).toStdString();
    EXPECT_TRUE(r.engine.ErrorMessage().startsWith(QStringLiteral("550 ")));
    QBuffer source;
    source.setData("data");
    source.open(QIODevice::ReadOnly);
    r.engine.SetLocalStream(&source);
    server.Expect(QStringLiteral("PASV"), ScriptedReply(reply));
    ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync), 426) << Log(r).toStdString();
    r.engine.SetLocalStream(nullptr);
    EXPECT_FALSE(Sent(QStringLiteral("RETR")));
    EXPECT_FALSE(Sent(QStringLiteral("STOR")));
    EXPECT_EQ(r.engine.State(), ftpStateReady);
  }
}

TEST_F(FtpData, ActiveModeUsesTheLoopbackPortFormAndAcceptsTheServer) {
  r.engine.SetPassive(false);
  const QByteArray content = Pattern(70000);
  server.Expect(QStringLiteral("PORT 127,0,0,1,"), ScriptedReply("200 PORT ok.\r\n"));
  server.Expect(QStringLiteral("RETR a.bin"),
                ScriptedReply("150 Opening.\r\n").DataSend(content).Send("226 Done.\r\n"));
  r.engine.HostFileName = QStringLiteral("a.bin");
  r.engine.SetLocalFileName(LocalPath("a.bin"));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 0) << Log(r).toStdString();
  EXPECT_EQ(testsupport::ReadFile(LocalPath("a.bin")), content);

  server.Expect(QStringLiteral("PORT 127,0,0,1,"), ScriptedReply("200 PORT ok.\r\n"));
  server.Expect(QStringLiteral("APPE a.bin"),
                ScriptedReply("150 Go on.\r\n").DataReceive().Send("226 Stored.\r\n"));
  r.engine.ResumeAt = 1000;
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::AppendAsync), 0) << Log(r).toStdString();
  EXPECT_EQ(r.done.last().type, ftpAppendAsync);
  EXPECT_EQ(server.ReceivedData(), content.mid(1000));
  EXPECT_EQ(r.engine.ResumeAt, 0);
}

TEST_F(FtpData, ActiveModeWhereTheServerNeverConnectsEndsOnItsError) {
  r.engine.SetPassive(false);
  const QList<ScriptedReply> replies{
      ScriptedReply("425 Can't build data connection.\r\n"),
      ScriptedReply("150 Opening.\r\n").Delay(50).Send("426 Failure reading network stream.\r\n"),
  };
  for (const ScriptedReply& reply : replies) {
    server.Expect(QStringLiteral("PORT"), ScriptedReply("200 PORT ok.\r\n"));
    server.Expect(QStringLiteral("RETR"), reply);
    r.engine.HostFileName = QStringLiteral("a.bin");
    r.engine.SetLocalFileName(LocalPath("a.bin"));
    const int error = RunRequest(r, &TCustomFtpClientEx::GetAsync, 3000);
    EXPECT_TRUE(error == 425 || error == 426) << error << Log(r).toStdString();
    EXPECT_EQ(r.engine.State(), ftpStateReady);
  }
  server.Expect(QStringLiteral("PORT"), ScriptedReply("200 PORT ok.\r\n"));
  server.Expect(QStringLiteral("STOR"), ScriptedReply("425 Can't build data connection.\r\n"));
  ASSERT_TRUE(testsupport::WriteFile(LocalPath("up.bin"), "abc"));
  r.engine.SetLocalFileName(LocalPath("up.bin"));
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync, 3000), 425);
}

TEST_F(FtpData, LocalFileProblemsEndTheRequestAndTouchNothingElse) {
  // A folder that does not exist: nothing is sent after PASV and no file appears.
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  const QString missing = LocalPath("no-such-folder/f.bin");
  r.engine.HostFileName = QStringLiteral("f.bin");
  r.engine.SetLocalFileName(missing);
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 550);
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("Unable to open local file ") + missing);
  EXPECT_FALSE(Sent(QStringLiteral("RETR")));
  EXPECT_EQ(QDir(dir->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);

  // An upload from a missing file.
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync), 426);
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("426 Unable to open local file ") + missing);
  EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("! 426 Unable to open local file ")).size(), 1);
  EXPECT_FALSE(Sent(QStringLiteral("STOR")));

  // A disk that is full: the request fails even though the server reports success.
  for (const QByteArray& second :
       {QByteArray("226 Done.\r\n"), QByteArray("426 Broken pipe.\r\n")}) {
    SCOPED_TRACE(second.toStdString());
    r.display.clear();
    server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
    server.Expect(QStringLiteral("RETR"),
                  ScriptedReply("150 Opening.\r\n").DataSend(Pattern(200000)).Send(second));
    r.engine.SetLocalFileName(QStringLiteral("/dev/full"));
    const int error = RunRequest(r, &TCustomFtpClientEx::GetAsync);
    EXPECT_EQ(error, 426) << Log(r).toStdString();
    EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("! Error writing local file")).size(), 1);
    EXPECT_TRUE(r.engine.ErrorMessage().startsWith(QStringLiteral("426 ")));
    EXPECT_EQ(r.engine.State(), ftpStateReady);
  }
}

TEST_F(FtpData, ResumedDownloadWritesFromTheRestOffset) {
  const QByteArray content = Pattern(5000);
  struct Case {
    const char* name;
    QByteArray restReply;
    qint64 firstProgressAtLeast;
    QByteArray serverSends;
  };
  const QList<Case> cases{
      {"350 resumes", "350 Restarting at 1000.\r\n", 1000, content.mid(1000)},
      {"200 starts over", "200 REST ignored.\r\n", 0, content},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(testsupport::WriteFile(LocalPath("r.bin"), content.left(1000)));
    server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
    server.Expect(QStringLiteral("REST 1000"), ScriptedReply(c.restReply));
    server.Expect(QStringLiteral("RETR r.bin"),
                  ScriptedReply("150 Opening.\r\n").DataSend(c.serverSends).Send("226 Done.\r\n"));
    QList<qint64> counts;
    r.engine.OnProgress = [&counts](TCustomFtpClientEx*, qint64 count, bool&) { counts << count; };
    r.engine.HostFileName = QStringLiteral("r.bin");
    r.engine.SetLocalFileName(LocalPath("r.bin"));
    ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::RestGetAsync), 0) << Log(r).toStdString();
    EXPECT_EQ(r.done.last().type, ftpRestGetAsync);
    EXPECT_EQ(testsupport::ReadFile(LocalPath("r.bin")), content);
    ASSERT_FALSE(counts.isEmpty());
    EXPECT_GE(counts.first(), c.firstProgressAtLeast);
    EXPECT_EQ(counts.last(), 5000);
    EXPECT_EQ(r.engine.ResumeAt, 0);
    r.engine.OnProgress = nullptr;
  }
  // No local file: no REST, the whole file.
  QFile::remove(LocalPath("r.bin"));
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  server.Expect(QStringLiteral("RETR r.bin"),
                ScriptedReply("150 Opening.\r\n").DataSend(content).Send("226 Done.\r\n"));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::RestGetAsync), 0) << Log(r).toStdString();
  EXPECT_EQ(testsupport::ReadFile(LocalPath("r.bin")), content);
  EXPECT_TRUE(server.Unexpected().isEmpty())
      << server.Unexpected().join(QLatin1Char('|')).toStdString();
}

TEST_F(FtpData, UploadsSendTheSourceFromTheResumeOffset) {
  struct Case {
    const char* name;
    int size;
    qint64 resumeAt;
    void (TCustomFtpClientEx::*op)();
    QString restLine;
  };
  const QList<Case> cases{
      {"10 bytes", 10, 0, &TCustomFtpClientEx::PutAsync, QString()},
      {"empty", 0, 0, &TCustomFtpClientEx::PutAsync, QString()},
      {"large", 1500000, 0, &TCustomFtpClientEx::PutAsync, QString()},
      {"rest put at 500", 2000, 500, &TCustomFtpClientEx::RestPutAsync, QStringLiteral("REST 500")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    r.display.clear();
    const QByteArray content = Pattern(c.size);
    ASSERT_TRUE(testsupport::WriteFile(LocalPath("up.bin"), content));
    const int before = static_cast<int>(server.Received().size());
    server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
    if (!c.restLine.isEmpty()) server.Expect(c.restLine, ScriptedReply("350 Restarting.\r\n"));
    server.Expect(QStringLiteral("STOR up.bin"),
                  ScriptedReply("150 Go ahead.\r\n").DataReceive().Send("226 Stored.\r\n"));
    r.engine.HostFileName = QStringLiteral("up.bin");
    r.engine.SetLocalFileName(LocalPath("up.bin"));
    r.engine.ResumeAt = c.resumeAt;
    const int startDataBytes = static_cast<int>(server.ReceivedData().size());
    ASSERT_EQ(RunRequest(r, c.op), 0) << Log(r).toStdString();
    EXPECT_EQ(server.ReceivedData().mid(startDataBytes), content.mid(c.resumeAt));
    const QString stats = QStringLiteral("! %1 bytes received/sent in ").arg(c.size - c.resumeAt);
    EXPECT_EQ(r.DisplayWithPrefix(stats).size(), 1) << Log(r).toStdString();
    EXPECT_EQ(server.Received().size() - before, c.restLine.isEmpty() ? 2 : 3);
    EXPECT_EQ(r.engine.ResumeAt, 0);
    EXPECT_EQ(r.engine.LocalStream, nullptr);
  }
}

TEST_F(FtpData, UploadFromACallerStreamReadsItToItsEnd) {
  const QByteArray content = Pattern(900000);
  QBuffer source;
  source.setData(content);
  ASSERT_TRUE(source.open(QIODevice::ReadOnly));
  ASSERT_TRUE(source.seek(1000));
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  server.Expect(QStringLiteral("STOR up.bin"),
                ScriptedReply("150 Go ahead.\r\n").DataReceive().Send("226 Stored.\r\n"));
  r.engine.HostFileName = QStringLiteral("up.bin");
  r.engine.SetLocalStream(&source);
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync), 0) << Log(r).toStdString();
  EXPECT_EQ(server.ReceivedData(), content.mid(1000));
  EXPECT_EQ(r.engine.ByteCount, content.size() - 1000);
  EXPECT_TRUE(source.isOpen()) << "the caller's stream stays the caller's";
  EXPECT_EQ(source.pos(), content.size());
  r.engine.SetLocalStream(nullptr);
}

TEST_F(FtpData, AbortFromProgressStopsAnUpload) {
  ASSERT_TRUE(testsupport::WriteFile(LocalPath("up.bin"), Pattern(32000000)));
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  server.Expect(QStringLiteral("STOR"),
                ScriptedReply("150 Go ahead.\r\n").DataReceive().Send("426 Transfer aborted.\r\n"));
  QList<qint64> counts;
  r.engine.OnProgress = [&counts](TCustomFtpClientEx*, qint64 count, bool& abort) {
    counts << count;
    abort = count > 100000;
  };
  r.engine.HostFileName = QStringLiteral("up.bin");
  r.engine.SetLocalFileName(LocalPath("up.bin"));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync), 426) << Log(r).toStdString();
  EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("! Abort requested")).size(), 1);
  // Progress before every block, and nothing more is handed over after the abort.
  ASSERT_GE(counts.size(), 2);
  EXPECT_EQ(counts.first(), 0);
  EXPECT_EQ(counts.last(), r.engine.ByteCount);
  EXPECT_LT(server.ReceivedData().size(), 2000000);
  EXPECT_LE(server.ReceivedData().size(), r.engine.ByteCount);
  EXPECT_EQ(r.engine.LocalStream, nullptr);
}

TEST_F(FtpData, UploadCancelledBeforeItStartsSendsNothing) {
  ASSERT_TRUE(testsupport::WriteFile(LocalPath("up.bin"), "abc"));
  r.engine.SetLocalFileName(LocalPath("up.bin"));
  r.engine.HostFileName = QStringLiteral("up.bin");
  r.engine.OnReadyToTransmit = [](TCustomFtpClientEx*, bool& cancel) { cancel = true; };
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync), 426);
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("426 Transmit cancelled by application"));
  EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("! 426 Transmit cancelled")).size(), 1);
  EXPECT_FALSE(Sent(QStringLiteral("STOR")));
}

TEST_F(FtpData, AbortFromProgressClosesTheDataConnection) {
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  server.Expect(QStringLiteral("RETR"), ScriptedReply("150 Opening.\r\n")
                                            .DataSend(Pattern(4000000))
                                            .Send("426 Transfer aborted.\r\n"));
  r.engine.OnProgress = [](TCustomFtpClientEx*, qint64 count, bool& abort) {
    abort = count > 100000;
  };
  r.engine.HostFileName = QStringLiteral("f.bin");
  r.engine.SetLocalFileName(LocalPath("f.bin"));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 426) << Log(r).toStdString();
  EXPECT_GE(r.DisplayWithPrefix(QStringLiteral("! Abort requested")).size(), 1);
  EXPECT_LT(QFileInfo(LocalPath("f.bin")).size(), 4000000);
}

TEST_F(FtpData, DisplayFileFlagPassesNonEmptyLines) {
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  server.Expect(
      QStringLiteral("NLST -a"),
      ScriptedReply("150 Opening.\r\n").DataSend("one\r\n\r\ntwo\n").Send("226 Done.\r\n"));
  QStringList lines;
  r.engine.OnDisplayFile = [&lines](TCustomFtpClientEx*, QString& line) { lines << line; };
  r.engine.DisplayFileFlag = true;
  r.engine.HostFileName.clear();
  r.engine.SetLocalFileName(QString());
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::LsAsync), 0) << Log(r).toStdString();
  EXPECT_EQ(r.done.last().type, ftpLsAsync);
  EXPECT_EQ(lines, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
}

TEST_F(FtpData, DataCommandsRefuseWithoutTargetOrConnection) {
  r.engine.SetLocalFileName(QString());
  r.engine.OnUsageError = [](TCustomFtpClientEx*, QString&) {};
  server.Expect(QStringLiteral("PASV"), ScriptedReply(kPasv));
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 500);
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("500 LocalFileName empty"));

  EngineRecorder idle;
  idle.engine.SetLocalFileName(QStringLiteral("x"));
  for (auto op : {&TCustomFtpClientEx::DataRetrAsync, &TCustomFtpClientEx::DataStorAsync}) {
    try {
      (idle.engine.*op)();
      ADD_FAILURE() << "no exception";
    } catch (const FtpException& e) {
      EXPECT_TRUE(e.Message().endsWith(QStringLiteral(": not connected")))
          << e.Message().toStdString();
    }
  }
}

TEST(HrpCounter, TicksOncePerIntervalAndMeasuresFromStart) {
  THrpCounter counter;
  counter.Interval = 0.05L;
  counter.Start();
  EXPECT_FALSE(counter.Tick());
  EXPECT_TRUE(WaitFor([&counter] { return counter.Tick(); }, 2000));
  EXPECT_FALSE(counter.Tick());
  EXPECT_GE(counter.Elapsed(), 0.05L);
  EXPECT_LT(counter.Elapsed(), 2.0L);
  EXPECT_EQ(counter.Frequency(), 1000000000);
}

}  // namespace
