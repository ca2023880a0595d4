// A server that hangs up at any point of a request: the request ends once, with a failure
// where something was lost, and the next request reconnects.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "ClientHarness.h"
#include "core/ftp/FTPListItems.h"
#include "core/ftp/FtpClientEx.h"
#include "support/ScriptedFtpServer.h"

using testsupport::ScriptedFtpServer;
using testsupport::ScriptedReply;

namespace {

enum class Request { Connect, Download, List, Upload };

struct Case {
  const char* what;
  Request request;
  bool greetingHangsUp;
  // The replies of the connection that is cut, in order.
  std::vector<std::pair<QString, ScriptedReply>> script;
  quint8 result;        // of the request the hang-up hits
  bool reconnectAfter;  // the next request finds the connection closed
};

const QByteArray kPasv = "227 Entering Passive Mode ({PASV}).\r\n";

std::vector<Case> Cases() {
  const ScriptedReply hangUp = ScriptedReply().HangUp();
  return {
      {"after the greeting", Request::Connect, true, {}, ftpResultFailed, true},
      {"after USER",
       Request::Connect,
       false,
       {{"USER", ScriptedReply("331 Password required.\r\n").HangUp()}},
       ftpResultOk,  // the second attempt logs in
       false},
      {"after PASS",
       Request::Connect,
       false,
       {{"USER", "331 Password required.\r\n"},
        {"PASS", ScriptedReply("230 Logged in.\r\n").HangUp()}},
       ftpResultOk,  // logged in: what follows login never fails a connect
       true},
      {"after SYST",
       Request::Connect,
       false,
       {{"USER", "331 Password required.\r\n"},
        {"PASS", "230 Logged in.\r\n"},
        {"SYST", ScriptedReply("215 UNIX\r\n").HangUp()}},
       ftpResultOk,
       true},
      {"after TYPE",
       Request::Connect,
       false,
       {{"USER", "331 Password required.\r\n"},
        {"PASS", "230 Logged in.\r\n"},
        {"SYST", "215 UNIX\r\n"},
        {"TYPE", ScriptedReply("200 Ok.\r\n").HangUp()}},
       ftpResultOk,
       true},
      {"after PASV",
       Request::Download,
       false,
       {{"PASV", ScriptedReply(kPasv).HangUp()}},
       ftpResultFailed,
       true},
      {"after the 150 of RETR",
       Request::Download,
       false,
       {{"PASV", kPasv}, {"RETR", ScriptedReply("150 Opening.\r\n").HangUp()}},
       ftpResultFailed,
       true},
      {"in the middle of the data",
       Request::Download,
       false,
       {{"PASV", kPasv},
        {"RETR", ScriptedReply("150 Opening.\r\n").DataSend(QByteArray(3000, 'x')).HangUp()}},
       ftpResultFailed,
       true},
      {"after the 150 of LIST",
       Request::List,
       false,
       {{"PASV", kPasv}, {"LIST", ScriptedReply("150 Here it comes.\r\n").HangUp()}},
       ftpResultFailed,
       true},
      {"after the 150 of STOR",
       Request::Upload,
       false,
       {{"PASV", kPasv}, {"STOR", ScriptedReply("150 Send it.\r\n").HangUp()}},
       ftpResultFailed,
       true},
  };
}

// Answers for every login after the cut one.
void StandingAnswers(ScriptedFtpServer& server) {
  server.AnswerLogins();
  server.Always("CWD", "250 Ok.\r\n");
  server.Always("SIZE", "213 6000\r\n");
  server.Always("PWD", "257 \"/home/bob\"\r\n");
}

TEST(ClientHangUp, EveryCutEndsTheRequestOnceAndTheNextOneReconnects) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString upload = dir.filePath("up.bin");
  {
    QFile f(upload);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(5000, 'u'));
  }
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    ScriptedFtpServer server;
    if (c.greetingHangsUp) server.SetGreeting(ScriptedReply("220 Ready.\r\n").HangUp());
    ClientHarness h;
    h.PointAt(server.Port());
    h.client->LoginRetry = 2;
    if (c.request != Request::Connect) {
      StandingAnswers(server);
      ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
      ASSERT_EQ(h.client->LastResult, ftpResultOk);
    }
    for (const auto& [prefix, reply] : c.script) server.Expect(prefix, reply);
    if (c.request == Request::Connect) StandingAnswers(server);

    TFTPListItems items;
    void (TThreadedFTPClient::*request)() = &TThreadedFTPClient::Connect;
    switch (c.request) {
      case Request::Connect:
        break;
      case Request::Download:
        h.client->HostFileName = "/f.bin";
        h.client->LocalFileName = dir.filePath("f.bin");
        request = &TThreadedFTPClient::DownloadFile;
        break;
      case Request::List:
        h.client->HostDirName = "/pub";
        h.client->ListItems = &items;
        request = &TThreadedFTPClient::GetListItems;
        break;
      case Request::Upload:
        h.client->HostFileName = "/up.bin";
        h.client->LocalFileName = upload;
        request = &TThreadedFTPClient::UploadFile;
        break;
    }
    const int before = h.doneCount;
    ASSERT_TRUE(h.Run(request));
    ClientHarness::Pump([] { return false; }, 200);  // room for a second done event
    EXPECT_EQ(h.doneCount, before + 1);
    EXPECT_EQ(h.client->LastResult, c.result) << h.lines.join('\n').toStdString();
    EXPECT_FALSE(h.client->Busy);
    if (c.result == ftpResultFailed) {
      EXPECT_FALSE(h.client->LastError.isEmpty());
    }

    if (c.greetingHangsUp) server.SetGreeting(ScriptedReply("220 Ready.\r\n"));
    h.lines.clear();
    ASSERT_TRUE(h.Run(&TThreadedFTPClient::GetFolder));
    EXPECT_EQ(h.client->LastResult, ftpResultOk) << h.lines.join('\n').toStdString();
    EXPECT_EQ(h.lines.contains("~ Connection closed. Reconnecting..."), c.reconnectAfter)
        << h.lines.join('\n').toStdString();
    EXPECT_EQ(h.client->ServerFolder(), "/home/bob");
    EXPECT_TRUE(server.Unexpected().isEmpty()) << server.Unexpected().join('|').toStdString();
  }
}

// The same cut for the command line's case: logged in, then the server is gone; every engine
// call the worker makes afterwards is refused and must come back as a failed step.
TEST(ClientHangUp, RefusedStepsAreLoggedAndNeverEscape) {
  ScriptedFtpServer server;
  server.Expect("USER", "331 Password required.\r\n");
  server.Expect("PASS", ScriptedReply("230 Logged in.\r\n").HangUp());
  ClientHarness h;
  h.PointAt(server.Port());
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
  EXPECT_EQ(h.client->SystemType, "Unknown");
  EXPECT_FALSE(h.client->ResumeSupported);
  EXPECT_TRUE(h.lines.contains("! FTP component not connected"))
      << h.lines.join('\n').toStdString();
  // A batch on the dead connection: reconnecting is refused too, the batch fails whole.
  h.client->LoginRetry = 1;
  h.client->HostDirName = "/";
  h.client->HostFileNames.Add("a.txt", TFTPNameList::kFile);
  QStringList left;
  h.client->OnRemoveDone = [&](TThreadedFTPClient* c) {
    left = c->HostFileNames.ToStringList();
    ++h.doneCount;
  };
  server.SetGreeting(ScriptedReply("421 Too many users.\r\n").HangUp());
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Remove));
  EXPECT_EQ(h.client->LastResult, ftpResultFailed);
  EXPECT_EQ(left, QStringList{"a.txt"});
  EXPECT_TRUE(h.client->HostFileNames.IsEmpty());
}

}  // namespace

namespace {

TEST(ClientHangUp, SilentServerTimesOutAndTheNextRequestReconnects) {
  ScriptedFtpServer server;
  server.Expect("USER", "331 Password required.\r\n");
  server.Expect("PASS", "230 Logged in.\r\n");
  StandingAnswers(server);
  server.Expect("PWD", ScriptedReply().Delay(8000).Send("257 \"/late\"\r\n"));
  ClientHarness h;
  h.PointAt(server.Port());
  h.client->Timeout = 1;
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
  ASSERT_EQ(h.client->LastResult, ftpResultOk);
  h.lines.clear();
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::GetFolder, 5000));  // long before the reply
  EXPECT_EQ(h.client->LastResult, ftpResultFailed);
  EXPECT_EQ(h.client->LastError, "421 Timeout: no data from the server for 1 seconds.");
  EXPECT_TRUE(h.lines.contains("! No data from the server for 1 seconds: connection closed"))
      << h.lines.join('\n').toStdString();
  h.lines.clear();
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::GetFolder));
  EXPECT_EQ(h.client->LastResult, ftpResultOk);
  EXPECT_TRUE(h.lines.contains("~ Connection closed. Reconnecting..."));
  EXPECT_EQ(h.client->ServerFolder(), "/home/bob");
}

}  // namespace
