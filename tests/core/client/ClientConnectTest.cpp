#include <gtest/gtest.h>

#include "ClientHarness.h"
#include "core/ftp/FtpClientEx.h"
#include "support/ScriptedFtpServer.h"

using testsupport::ScriptedFtpServer;
using testsupport::ScriptedReply;

namespace {

void ScriptLogin(ScriptedFtpServer& server) {
  server.Expect("USER", "331 Password required.\r\n");
  server.Expect("PASS", "230 Logged in.\r\n");
}

void Configure(ClientHarness& h, const ScriptedFtpServer& server) {
  h.PointAt(server.Port());
}

TEST(ClientConnect, LogsInProbesAndEntersTheInitialFolder) {
  ScriptedFtpServer server;
  ScriptLogin(server);
  server.Expect("SYST", "215 UNIX Type: L8\r\n");
  server.Expect("TYPE I", "200 Type set to I.\r\n");
  server.Expect("REST 1", "350 Restarting at 1.\r\n");
  server.Expect("REST 0", "350 Restarting at 0.\r\n");
  server.Expect("CWD /pub", "250 OK.\r\n");
  ClientHarness h;
  Configure(h, server);
  h.client->InitialFolder = "/pub";
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
  EXPECT_EQ(h.client->LastResult, ftpResultOk);
  EXPECT_EQ(h.client->SystemType, "215 UNIX Type: L8");
  EXPECT_TRUE(h.client->ResumeSupported);
  EXPECT_EQ(h.client->ServerAddress(), "127.0.0.1");
  EXPECT_TRUE(server.Unexpected().isEmpty()) << server.Unexpected().join(", ").toStdString();
  EXPECT_EQ(h.lines.first(), "% Connecting");
  EXPECT_EQ(h.lines.last(), "% Idle");
  EXPECT_TRUE(h.lines.contains("~ Contacting host [127.0.0.1]..."))
      << h.lines.join('\n').toStdString();
  EXPECT_TRUE(h.lines.contains("> USER bob"));
  EXPECT_TRUE(h.lines.contains("> PASS [Objq dlk kto vzpvjet nz?]"));
  EXPECT_FALSE(h.lines.join('\n').contains("secret"));
  EXPECT_TRUE(h.lines.contains("< 230 Logged in."));
  EXPECT_FALSE(h.client->Busy);
}

TEST(ClientConnect, ProbeAndSystOutcomesNeverFailTheConnect) {
  struct Case {
    const char* what;
    const char* syst;
    const char* rest1;
    const char* rest0;
    const char* systemType;
    bool resume;
  } cases[] = {
      {"REST 1 rejected, REST 0 accepted", "215 UNIX\r\n", "501 No.\r\n", "350 Ok.\r\n", "215 UNIX",
       true},
      {"both rejected", "215 UNIX\r\n", "502 No.\r\n", "502 No.\r\n", "215 UNIX", false},
      {"SYST rejected", "500 What?\r\n", "350 Ok.\r\n", "350 Ok.\r\n", "Unknown", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedFtpServer server;
    ScriptLogin(server);
    server.Expect("SYST", c.syst);
    server.Expect("TYPE", "200 Ok.\r\n");
    server.Expect("REST 1", c.rest1);
    server.Expect("REST 0", c.rest0);
    server.Expect("CWD", "550 No such folder.\r\n");
    ClientHarness h;
    Configure(h, server);
    h.client->InitialFolder = "/missing";
    ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
    EXPECT_EQ(h.client->LastResult, ftpResultOk);
    EXPECT_EQ(h.client->SystemType, c.systemType);
    EXPECT_EQ(h.client->ResumeSupported, c.resume);
  }
}

TEST(ClientConnect, UserAcceptedWithoutPasswordSkipsPass) {
  ScriptedFtpServer server;
  server.Expect("USER", "230 Welcome, no password needed.\r\n");
  server.Always("SYST", "215 UNIX\r\n");
  server.Always("TYPE", "200 Ok.\r\n");
  server.Always("REST", "350 Ok.\r\n");
  ClientHarness h;
  Configure(h, server);
  h.client->Password.clear();
  bool asked = false;
  h.client->OnAuthenticate = [&](TThreadedFTPClient*, TFTPAuthenticate, QString&, bool&) {
    asked = true;
  };
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
  EXPECT_EQ(h.client->LastResult, ftpResultOk);
  EXPECT_FALSE(asked);
  EXPECT_FALSE(server.Received().join('\n').contains("PASS"));
}

TEST(ClientConnect, RetriesThenFailsWithTheLastError) {
  ScriptedFtpServer server;
  server.Always("USER", "331 Password required.\r\n");
  server.Always("PASS", "530 Login incorrect.\r\n");
  ClientHarness h;
  Configure(h, server);
  h.client->LoginRetry = 3;
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
  EXPECT_EQ(h.client->LastResult, ftpResultFailed);
  EXPECT_TRUE(h.client->LastError.contains("530")) << h.client->LastError.toStdString();
  EXPECT_EQ(server.ConnectionCount(), 3);
  EXPECT_EQ(server.Received().count("PASS secret"), 3);
}

TEST(ClientConnect, NoAttemptsMeansNoConnection) {
  ScriptedFtpServer server;
  ClientHarness h;
  Configure(h, server);
  h.client->LoginRetry = 0;
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
  EXPECT_EQ(h.client->LastResult, ftpResultFailed);
  EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST(ClientConnect, PromptsForMissingNamesAndKeepsThem) {
  ScriptedFtpServer server;
  server.Expect("USER anonymous", "331 Send e-mail.\r\n");
  server.Expect("PASS me@example.invalid", "230 Ok.\r\n");
  server.Always("SYST", "215 UNIX\r\n");
  server.Always("TYPE", "200 Ok.\r\n");
  server.Always("REST", "350 Ok.\r\n");
  ClientHarness h;
  Configure(h, server);
  h.client->UserName.clear();
  h.client->Password.clear();
  QList<TFTPAuthenticate> asked;
  h.client->OnAuthenticate = [&](TThreadedFTPClient*, TFTPAuthenticate kind, QString& need, bool&) {
    asked << kind;
    need = kind == ftpAuthUserName ? "anonymous" : "me@example.invalid";
  };
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
  EXPECT_EQ(h.client->LastResult, ftpResultOk);
  EXPECT_EQ(asked, (QList<TFTPAuthenticate>{ftpAuthUserName, ftpAuthPassword}));
  EXPECT_EQ(h.client->UserName, "anonymous");
  EXPECT_EQ(h.client->Password, "me@example.invalid");
}

TEST(ClientConnect, CanceledPromptEndsTheLogin) {
  ScriptedFtpServer server;
  ClientHarness h;
  Configure(h, server);
  h.client->UserName.clear();
  h.client->LoginRetry = 5;
  h.client->OnAuthenticate = [](TThreadedFTPClient*, TFTPAuthenticate, QString&, bool& cancel) {
    cancel = true;
  };
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
  EXPECT_EQ(h.client->LastResult, ftpResultAborted);
  EXPECT_TRUE(h.lines.contains("! Login canceled."));
  EXPECT_EQ(server.ConnectionCount(), 1);  // no further attempt
}

class ClientSession : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptLogin(server);
    server.Always("SYST", "215 UNIX\r\n");
    server.Always("TYPE", "200 Ok.\r\n");
    server.Always("REST", "350 Ok.\r\n");
    Configure(h, server);
    ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
    ASSERT_EQ(h.client->LastResult, ftpResultOk);
    h.lines.clear();
  }
  ScriptedFtpServer server;
  ClientHarness h;
};

TEST_F(ClientSession, QuoteSucceedsBelow500) {
  server.Expect("HELP", "214 Help follows.\r\n");
  server.Expect("BOGUS", "500 Unknown command.\r\n");
  h.client->LocalFileName = "HELP";
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Quote));
  EXPECT_EQ(h.client->LastResult, ftpResultOk);
  EXPECT_EQ(h.lines.first(), "% Quoting");
  h.client->LocalFileName = "BOGUS";
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Quote));
  EXPECT_EQ(h.client->LastResult, ftpResultFailed);
  EXPECT_TRUE(h.lines.contains("< 500 Unknown command."));
}

TEST_F(ClientSession, CommandsNamingPassAreMaskedInTheLog) {
  server.Expect("CWD /", "250 Ok.\r\n");
  server.Expect("DELE PASSWORD.TXT", "250 Deleted.\r\n");
  server.Expect("SITE pass", "200 Ok.\r\n");
  h.client->HostDirName = "/";
  h.client->HostFileNames.Add("PASSWORD.TXT", TFTPNameList::kFile);
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Remove));
  EXPECT_TRUE(h.lines.contains("> PASS [Objq dlk kto vzpvjet nz?]"));
  EXPECT_FALSE(h.lines.contains("> DELE PASSWORD.TXT"));
  h.client->LocalFileName = "SITE pass";
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Quote));
  EXPECT_TRUE(h.lines.contains("> SITE pass"));
}

TEST_F(ClientSession, ReconnectsWhenTheServerClosedBetweenRequests) {
  server.Expect("PWD", ScriptedReply("421 Timeout.\r\n").HangUp());
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::GetFolder));
  EXPECT_EQ(h.client->LastResult, ftpResultFailed);
  ASSERT_TRUE(ClientHarness::Pump([&] { return !h.client->Engine()->Connected; }, 5000));
  ScriptLogin(server);
  server.Expect("PWD", "257 \"/home/bob\" is the current folder.\r\n");
  h.lines.clear();
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::GetFolder));
  EXPECT_EQ(h.client->LastResult, ftpResultOk);
  EXPECT_EQ(h.lines.indexOf("~ Connection closed. Reconnecting..."),
            h.lines.indexOf("% Getting Path") + 1);
  EXPECT_EQ(h.client->ServerFolder(), "/home/bob");
  EXPECT_EQ(server.ConnectionCount(), 2);
}

TEST_F(ClientSession, AbortWhileIdleDoesNothingAndUnknownMessagesStartNothing) {
  h.client->Abort();
  h.client->PostRequest(4242);
  h.client->PostRequest(rqAbort);
  server.Expect("NOOP", "200 Still here.\r\n");
  h.client->LocalFileName = "NOOP";
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Quote));
  EXPECT_EQ(h.client->LastResult, ftpResultOk);
  EXPECT_FALSE(h.lines.contains("! Operation aborted."));
  EXPECT_EQ(h.doneCount, 2);  // the connect and the quote, nothing else
}

TEST_F(ClientSession, AbortDuringAStepClosesAndTheNextRequestReconnects) {
  server.Expect("STAT", ScriptedReply().Delay(5000).Send("211 Late.\r\n"));
  h.client->LocalFileName = "STAT";
  const int before = h.doneCount;
  h.client->Quote();
  ASSERT_TRUE(server.WaitForCommandCount(server.Received().size() + 1, 5000));
  h.client->Abort();
  ASSERT_TRUE(ClientHarness::Pump([&] { return h.doneCount > before; }, 5000));
  EXPECT_EQ(h.client->LastResult, ftpResultAborted);
  EXPECT_EQ(h.client->LastError, "! Operation aborted.");
  EXPECT_TRUE(h.lines.contains("! Operation aborted."));
  ScriptLogin(server);
  server.Expect("PWD", "257 \"/\"\r\n");
  h.lines.clear();
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::GetFolder));
  EXPECT_TRUE(h.lines.contains("~ Connection closed. Reconnecting..."));
  EXPECT_EQ(h.client->LastResult, ftpResultOk);
}

TEST_F(ClientSession, ASecondRequestWhileOneRunsIsDropped) {
  server.Expect("HELP", ScriptedReply().Delay(300).Send("214 Ok.\r\n"));
  h.client->LocalFileName = "HELP";
  const int before = h.doneCount;
  h.client->Quote();
  h.client->GetFolder();  // posted while busy
  ASSERT_TRUE(ClientHarness::Pump([&] { return h.doneCount > before; }, 5000));
  ClientHarness::Pump([] { return false; }, 300);  // room for a wrong second request
  EXPECT_EQ(h.doneCount, before + 1);
  EXPECT_FALSE(server.Received().contains("PWD"));
}

TEST_F(ClientSession, StopThreadEndsTheWorker) {
  h.client->StopThread();
  ASSERT_TRUE(ClientHarness::Pump([&] { return h.ended; }, 5000));
  EXPECT_FALSE(h.client->HasThread());
  EXPECT_FALSE(h.client->ThreadReady);
}

}  // namespace
