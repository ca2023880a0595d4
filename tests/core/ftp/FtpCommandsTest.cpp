// Single commands, compound requests and connection types against the scripted server.
#include <gtest/gtest.h>

#include "core/ftp/EngineRecorder.h"
#include "core/ftp/FtpReplyResults.h"
#include "support/ScriptedFtpServer.h"

using enginetest::EngineRecorder;
using enginetest::WaitFor;
using testsupport::ScriptedFtpServer;
using testsupport::ScriptedReply;

namespace {

TEST(FtpCommands, SingleCommandsSendTheirLineAndJudgeTheReply) {
  using Op = void (TCustomFtpClientEx::*)();
  struct Case {
    const char* name;
    Op op;
    QString line;
    QByteArray reply;
    TFtpRequest type;
    int error;
  };
  const QList<Case> cases{
      {"cwd", &TCustomFtpClientEx::CwdAsync, "CWD /pub", "250 ok\r\n", ftpCwdAsync, 0},
      {"cwd refused", &TCustomFtpClientEx::CwdAsync, "CWD /pub", "550 No such\r\n", ftpCwdAsync,
       550},
      {"size", &TCustomFtpClientEx::SizeAsync, "SIZE a.bin", "213 1048576\r\n", ftpSizeAsync, 0},
      {"mkd", &TCustomFtpClientEx::MkdAsync, "MKD a.bin", "257 \"/a\" made\r\n", ftpMkdAsync, 0},
      {"rmd", &TCustomFtpClientEx::RmdAsync, "RMD a.bin", "250 gone\r\n", ftpRmdAsync, 0},
      {"rnfr", &TCustomFtpClientEx::RenFromAsync, "RNFR a.bin", "350 go on\r\n", ftpRenFromAsync,
       0},
      {"rnto", &TCustomFtpClientEx::RenToAsync, "RNTO b.bin", "250 done\r\n", ftpRenToAsync, 0},
      {"syst", &TCustomFtpClientEx::SystAsync, "SYST", "215 UNIX Type: L8\r\n", ftpSystAsync, 0},
      {"dele", &TCustomFtpClientEx::DeleAsync, "DELE a.bin", "250 ok\r\n", ftpDeleAsync, 0},
      {"dele refused", &TCustomFtpClientEx::DeleAsync, "DELE a.bin", "450 busy\r\n", ftpDeleAsync,
       450},
      {"pwd", &TCustomFtpClientEx::PwdAsync, "PWD", "257 \"/\"\r\n", ftpPwdAsync, 0},
      {"cdup", &TCustomFtpClientEx::CDupAsync, "CDUP", "250 ok\r\n", ftpCDupAsync, 0},
      {"cdup with 200 is not accepted", &TCustomFtpClientEx::CDupAsync, "CDUP", "200 ok\r\n",
       ftpCDupAsync, 200},
      {"quote 200", &TCustomFtpClientEx::QuoteAsync, "b.bin", "200 ok\r\n", ftpQuoteAsync, 0},
      {"quote 500", &TCustomFtpClientEx::QuoteAsync, "b.bin", "500 what\r\n", ftpQuoteAsync, 500},
      {"type binary", &TCustomFtpClientEx::TypeBinaryAsync, "TYPE I", "200 ok\r\n", ftpTypeSetAsync,
       0},
      {"type ascii", &TCustomFtpClientEx::TypeAsciiAsync, "TYPE A", "200 ok\r\n", ftpTypeSetAsync,
       0},
      {"abor", &TCustomFtpClientEx::AbortXferAsync, "ABOR", "226 ok\r\n", ftpAbortXferAsync, 0},
  };
  ScriptedFtpServer server;
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  r.engine.HostDirName = QStringLiteral("/pub");
  r.engine.HostFileName = QStringLiteral("a.bin");
  r.engine.SetLocalFileName(QStringLiteral("b.bin"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    server.Expect(c.line, ScriptedReply(c.reply));
    const qsizetype before = r.done.size();
    (r.engine.*c.op)();
    ASSERT_TRUE(r.WaitDone(static_cast<int>(before) + 1));
    EXPECT_EQ(server.Received().last(), c.line);
    EXPECT_EQ(r.done.last().type, c.type);
    EXPECT_EQ(r.done.last().error, c.error);
    EXPECT_EQ(r.engine.ErrorMessage(), c.error ? r.engine.LastResponse : QString());
  }
  EXPECT_TRUE(server.Unexpected().isEmpty())
      << server.Unexpected().join(QLatin1Char('|')).toStdString();
}

TEST(FtpCommands, ReplyResults) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("SIZE"), "213 1048576\r\n");
  server.Expect(QStringLiteral("MKD"), "257 \"/new \"\"quoted\"\" dir\" created\r\n");
  server.Expect(QStringLiteral("PWD"), "257 no quotes here\r\n");
  server.Expect(QStringLiteral("SIZE"), "550 no file\r\n");
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  r.engine.HostFileName = QStringLiteral("f");
  r.engine.SizeAsync();
  ASSERT_TRUE(r.WaitDone(2));
  EXPECT_EQ(r.engine.SizeResult, 1048576);
  r.engine.MkdAsync();
  ASSERT_TRUE(r.WaitDone(3));
  EXPECT_EQ(r.engine.DirResult, QStringLiteral("/new \"quoted\" dir"));
  r.engine.PwdAsync();
  ASSERT_TRUE(r.WaitDone(4));
  EXPECT_EQ(r.engine.DirResult, QString());
  r.engine.SizeAsync();
  ASSERT_TRUE(r.WaitDone(5));
  EXPECT_EQ(r.engine.SizeResult, 0) << "a refused SIZE leaves the cleared value";
}

TEST(FtpReplyResults, Parsing) {
  EXPECT_EQ(ParseSizeResult(QStringLiteral("213 1048576")), 1048576);
  EXPECT_EQ(ParseSizeResult(QStringLiteral("213 5368709120")), Q_INT64_C(5368709120));
  EXPECT_EQ(ParseSizeResult(QStringLiteral("213 77 bytes")), 77);
  EXPECT_EQ(ParseSizeResult(QStringLiteral("213 n/a")), -1) << "the code is not a size";
  EXPECT_EQ(ParseSizeResult(QStringLiteral("213")), -1);
  EXPECT_EQ(ParseDirResult(QStringLiteral("257 \"/a\"\"b\" is current")), QStringLiteral("/a\"b"));
  EXPECT_EQ(ParseDirResult(QStringLiteral("250 \"/x y\"")), QStringLiteral("/x y"));
  EXPECT_EQ(ParseDirResult(QStringLiteral("250 ok")), QString());
  EXPECT_EQ(ParseDirResult(QStringLiteral("257 \"unterminated")), QStringLiteral("unterminated"));
}

TEST(FtpCommands, EmptyArgumentsAreRefusedBeforeAnythingIsSent) {
  ScriptedFtpServer server;
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  QStringList usage;
  r.engine.OnUsageError = [&](TCustomFtpClientEx*, QString& msg) { usage << msg; };
  r.engine.UserAsync();
  r.engine.PassAsync();
  r.engine.CwdAsync();
  EXPECT_EQ(usage, (QStringList{QStringLiteral("UserName emtpy"), QStringLiteral("Password emtpy"),
                                QStringLiteral("HostDirName emtpy")}));
  r.engine.OnUsageError = nullptr;
  EXPECT_THROW(r.engine.CwdAsync(), FtpException);
  WaitFor([] { return false; }, 100);
  EXPECT_TRUE(server.Received().isEmpty());
  EXPECT_EQ(r.engine.State(), ftpStateReady);
  EXPECT_EQ(r.done.size(), 1);
}

TEST(FtpCommands, ConnectAsyncLogin) {
  struct Case {
    const char* name;
    QByteArray userReply;
    QByteArray passReply;  // empty: PASS must not be sent
    int error;
  };
  const QList<Case> cases{
      {"331 then 230", "331 Password required\r\n", "230 Logged in\r\n", 0},
      {"230 at once: no PASS", "230 Welcome\r\n", "", 0},
      {"PASS refused", "331 Password required\r\n", "530 Login incorrect\r\n", 530},
      {"USER refused", "530 Not allowed\r\n", "", 530},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedFtpServer server;
    server.Expect(QStringLiteral("USER joe"), ScriptedReply(c.userReply));
    if (!c.passReply.isEmpty())
      server.Expect(QStringLiteral("PASS pw"), ScriptedReply(c.passReply));
    EngineRecorder r;
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QString::number(server.Port());
    r.engine.UserName = QStringLiteral("joe");
    r.engine.PassWord = QStringLiteral("pw");
    r.engine.ConnectAsync();
    ASSERT_TRUE(r.WaitDone());
    EXPECT_EQ(r.done.size(), 1);
    EXPECT_EQ(r.done[0].type, ftpConnectAsync);
    EXPECT_EQ(r.done[0].error, c.error);
    EXPECT_EQ(server.Received().size(), c.passReply.isEmpty() ? 1 : 2);
    EXPECT_TRUE(r.engine.Connected) << "a refused login leaves the connection open";
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    if (c.error) {
      EXPECT_EQ(r.engine.ErrorMessage(), r.engine.LastResponse);
    }
    EXPECT_TRUE(server.Unexpected().isEmpty());
  }
}

TEST(FtpCommands, CompoundStepsRunInTheirFixedOrder) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("USER u"), "331 pw\r\n");
  server.Expect(QStringLiteral("PASS p"), "230 in\r\n");
  server.Expect(QStringLiteral("CWD /d"), "250 ok\r\n");
  server.Expect(QStringLiteral("RNFR old"), "350 go on\r\n");
  server.Expect(QStringLiteral("RNTO new"), "250 renamed\r\n");
  server.Expect(QStringLiteral("QUIT"), "221 bye\r\n");
  EngineRecorder r;
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  r.engine.UserName = QStringLiteral("u");
  r.engine.PassWord = QStringLiteral("p");
  r.engine.HostDirName = QStringLiteral("/d");
  r.engine.HostFileName = QStringLiteral("old");
  r.engine.SetLocalFileName(QStringLiteral("new"));
  r.engine.RenameAsync();
  ASSERT_TRUE(r.WaitDone());
  EXPECT_EQ(r.done.size(), 1);
  EXPECT_EQ(r.done[0].type, ftpRenameAsync);
  EXPECT_EQ(r.done[0].error, 0);
  EXPECT_EQ(server.Received(),
            (QStringList{"USER u", "PASS p", "CWD /d", "RNFR old", "RNTO new", "QUIT"}));
  // The reply before QUIT is what the request leaves behind.
  EXPECT_EQ(r.engine.LastResponse, QStringLiteral("250 renamed"));
  EXPECT_EQ(r.engine.StatusCode, 250);
  EXPECT_FALSE(r.engine.Connected);
  EXPECT_EQ(r.engine.State(), ftpStateReady);
}

TEST(FtpCommands, CompoundWithoutFolderSkipsCwdAndReportsItsOwnKind) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("USER u"), "230 in\r\n");
  server.Expect(QStringLiteral("SIZE f"), "213 42\r\n");
  server.Expect(QStringLiteral("QUIT"), "221 bye\r\n");
  EngineRecorder r;
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  r.engine.UserName = QStringLiteral("u");
  r.engine.PassWord = QStringLiteral("p");
  r.engine.HostFileName = QStringLiteral("f");
  r.engine.FileSizeAsync();
  ASSERT_TRUE(r.WaitDone());
  EXPECT_EQ(server.Received(), (QStringList{"USER u", "SIZE f", "QUIT"}));
  EXPECT_EQ(r.done[0].type, ftpSizeAsync);
  EXPECT_EQ(r.done[0].error, 0);
  EXPECT_EQ(r.engine.SizeResult, 42);
  EXPECT_EQ(r.engine.LastResponse, QStringLiteral("213 42"));
}

TEST(FtpCommands, FailingStepEndsTheCompoundAndKeepsTheConnection) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("USER u"), "331 pw\r\n");
  server.Expect(QStringLiteral("PASS p"), "230 in\r\n");
  server.Expect(QStringLiteral("CWD /nope"), "550 No such folder\r\n");
  EngineRecorder r;
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  r.engine.UserName = QStringLiteral("u");
  r.engine.PassWord = QStringLiteral("p");
  r.engine.HostDirName = QStringLiteral("/nope");
  r.engine.SetLocalFileName(QStringLiteral("SITE X"));
  r.engine.DoQuoteAsync();
  ASSERT_TRUE(r.WaitDone());
  WaitFor([] { return false; }, 100);
  EXPECT_EQ(r.done.size(), 1);
  EXPECT_EQ(r.done[0].type, ftpDoQuoteAsync);
  EXPECT_EQ(r.done[0].error, 550);
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("550 No such folder"));
  EXPECT_EQ(server.Received().size(), 3) << "no QUOTE, no QUIT";
  EXPECT_TRUE(r.engine.Connected);
}

TEST(FtpCommands, StepThatCannotStartEndsTheCompound) {
  ScriptedFtpServer server;
  EngineRecorder r;
  QStringList usage;
  r.engine.OnUsageError = [&](TCustomFtpClientEx*, QString& msg) { usage << msg; };
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  r.engine.ConnectAsync();  // no user name
  ASSERT_TRUE(r.WaitDone());
  EXPECT_EQ(r.done[0].type, ftpConnectAsync);
  EXPECT_EQ(r.done[0].error, 500);
  EXPECT_EQ(usage, QStringList{QStringLiteral("UserName emtpy")});
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("500 UserName emtpy"));
  EXPECT_EQ(r.engine.State(), ftpStateReady);
}

TEST(FtpCommands, FailedOpenEndsTheCompoundWithTheSocketError) {
  quint16 closedPort = 0;
  {
    ScriptedFtpServer gone;
    closedPort = gone.Port();
  }
  EngineRecorder r;
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(closedPort);
  r.engine.UserName = QStringLiteral("u");
  r.engine.PassWord = QStringLiteral("p");
  r.engine.SystemAsync();
  ASSERT_TRUE(r.WaitDone());
  WaitFor([] { return false; }, 100);
  ASSERT_EQ(r.done.size(), 1);
  EXPECT_EQ(r.done[0].type, ftpSystemAsync);
  EXPECT_EQ(r.done[0].error, 10061);
  EXPECT_TRUE(r.engine.ErrorMessage().startsWith(QStringLiteral("500 ")));
  EXPECT_EQ(r.engine.State(), ftpStateReady);
  EXPECT_FALSE(r.engine.Connected);
}

TEST(FtpCommands, CompoundWithOpenWhileConnectedIsRefused) {
  ScriptedFtpServer server;
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  r.engine.UserName = QStringLiteral("u");
  try {
    r.engine.ConnectAsync();
    ADD_FAILURE() << "no exception";
  } catch (const FtpException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("FTP component already connected"));
  }
  // RenAsync has no Open step and runs.
  server.Expect(QStringLiteral("RNFR a"), "350 ok\r\n");
  server.Expect(QStringLiteral("RNTO b"), "250 ok\r\n");
  r.engine.HostFileName = QStringLiteral("a");
  r.engine.SetLocalFileName(QStringLiteral("b"));
  r.engine.RenAsync();
  ASSERT_TRUE(r.WaitDone(2));
  EXPECT_EQ(r.done[1].type, ftpRenAsync);
  EXPECT_EQ(r.done[1].error, 0);
  EXPECT_TRUE(r.engine.Connected);
}

TEST(FtpCommands, ProxyUserLine) {
  struct Case {
    QString port;
    QString userLine;
  };
  const QList<Case> cases{
      {QStringLiteral("2121"), QStringLiteral("USER joe@ftp.example.com:2121")},
      {QStringLiteral("FTP"), QStringLiteral("USER joe@ftp.example.com")},
      {QStringLiteral("21"), QStringLiteral("USER joe@ftp.example.com")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port.toStdString());
    ScriptedFtpServer proxy;
    proxy.Expect(c.userLine, "331 pw\r\n");
    proxy.Expect(QStringLiteral("PASS pw"), "230 in\r\n");
    EngineRecorder r;
    r.engine.SetConnectionType(ftpProxy);
    r.engine.ProxyServer = QStringLiteral("127.0.0.1");
    r.engine.ProxyPort = QString::number(proxy.Port());
    r.engine.HostName = QStringLiteral("ftp.example.com");  // never looked up
    r.engine.Port = c.port;
    r.engine.UserName = QStringLiteral("joe");
    r.engine.PassWord = QStringLiteral("pw");
    r.engine.ConnectAsync();
    ASSERT_TRUE(r.WaitDone());
    EXPECT_EQ(r.done[0].error, 0) << r.engine.ErrorMessage().toStdString();
    EXPECT_EQ(proxy.Received(), (QStringList{c.userLine, QStringLiteral("PASS pw")}));
    EXPECT_TRUE(r.engine.Passive);
  }
}

TEST(FtpCommands, ConnectionTypeSettings) {
  TFtpClientEx engine;
  engine.SetPassive(false);
  EXPECT_FALSE(engine.Passive);
  engine.SetSocksServer(QStringLiteral("10.0.0.1"));
  engine.SetSocksPort(QStringLiteral("1081"));
  engine.SetSocksUserCode(QStringLiteral("sock"));
  engine.SetSocksPassword(QStringLiteral("pw"));
  engine.SetConnectionType(ftpSocks4A);
  for (TWSocket* socket : {engine.ControlSocket(), engine.DataSocket()}) {
    EXPECT_EQ(socket->SocksServer(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(socket->SocksPort(), QStringLiteral("1081"));
    EXPECT_EQ(socket->SocksUsercode, QStringLiteral("sock"));
    EXPECT_EQ(socket->SocksPassword, QStringLiteral("pw"));
    EXPECT_EQ(socket->SocksLevel(), QStringLiteral("4A"));
    EXPECT_EQ(socket->SocksAuthentication, socksAuthenticateUsercode);
  }
  EXPECT_EQ(engine.SocksServer(), QStringLiteral("10.0.0.1"));
  EXPECT_TRUE(engine.Passive);
  engine.SetConnectionType(ftpSocks5);
  engine.SetPassive(false);
  EXPECT_TRUE(engine.Passive) << "SOCKS forces passive";
  EXPECT_EQ(engine.ControlSocket()->SocksLevel(), QStringLiteral("5"));
  engine.SetConnectionType(ftpDirect);
  EXPECT_EQ(engine.ConnectionType(), ftpDirect);
  EXPECT_EQ(engine.ControlSocket()->SocksAuthentication, socksNoAuthentication);
  EXPECT_EQ(engine.SocksServer(), QStringLiteral("10.0.0.1")) << "settings stay stored";
  engine.SetPassive(false);
  EXPECT_FALSE(engine.Passive);
  engine.SetConnectionType(static_cast<TFtpConnectionType>(42));
  EXPECT_EQ(engine.ConnectionType(), ftpDirect);

  ScriptedFtpServer server;
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  QStringList usage;
  r.engine.OnUsageError = [&](TCustomFtpClientEx*, QString& msg) { usage << msg; };
  r.engine.SetConnectionType(ftpSocks5);
  EXPECT_EQ(usage, QStringList{QStringLiteral("FTP component connected")});
  EXPECT_EQ(r.engine.ConnectionType(), ftpDirect);
}

TEST(FtpCommands, DirectTypeIgnoresStoredSocksSettings) {
  // A SOCKS server stored earlier must not be used once the type is direct again.
  ScriptedFtpServer server;
  EngineRecorder r;
  r.engine.SetSocksServer(QStringLiteral("127.0.0.1"));
  r.engine.SetSocksPort(QStringLiteral("1"));
  r.engine.SetConnectionType(ftpSocks5);
  r.engine.SetConnectionType(ftpDirect);
  ASSERT_TRUE(r.Open(server.Port())) << r.engine.ErrorMessage().toStdString();
}

}  // namespace
