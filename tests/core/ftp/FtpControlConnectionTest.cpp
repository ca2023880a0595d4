// The control connection and the request machinery against the in-process scripted server.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include "core/common/WireText.h"
#include "core/ftp/EngineRecorder.h"
#include "core/ftp/SocketErrors.h"
#include "support/ScriptedFtpServer.h"

using enginetest::EngineRecorder;
using enginetest::WaitFor;
using testsupport::ScriptedFtpServer;
using testsupport::ScriptedReply;

namespace {

TEST(FtpControlConnection, DottedAddressConnectsWithoutLookupEventsAndReportsLater) {
  ScriptedFtpServer server;
  EngineRecorder r;
  // Whatever fires inside a socket event must not see the request reported yet.
  QList<int> doneSeenInEvents;
  r.engine.OnResponse = [&](TCustomFtpClientEx*) { doneSeenInEvents << r.done.size(); };
  r.engine.OnStateChange = [&](TCustomFtpClientEx*) {
    r.states << r.engine.State();
    doneSeenInEvents << r.done.size();
  };
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  r.engine.OpenAsync();
  EXPECT_TRUE(r.done.isEmpty()) << "reported inside the call";
  ASSERT_TRUE(r.WaitDone());
  EXPECT_EQ(r.done[0].type, ftpOpenAsync);
  EXPECT_EQ(r.done[0].error, 0);
  for (int seen : doneSeenInEvents) EXPECT_EQ(seen, 0) << "reported inside a socket event";
  EXPECT_EQ(r.conStates, (QList<TFTPConnectState>{ftpConStateContact, ftpConStateContacted,
                                                  ftpConStateConnected}));
  EXPECT_EQ(r.states, (QList<TFtpEngineState>{ftpStateResolving, ftpStateWaitBanner,
                                              ftpStateConnected, ftpStateReady}));
  EXPECT_TRUE(r.engine.Connected);
  EXPECT_EQ(r.engine.StatusCode, 220);
  EXPECT_EQ(r.engine.ResolvedAddr, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(r.sessionConnected, QList<int>{0});

  // The same holds for a command: the reply's event runs, the done event comes later.
  server.Expect(QStringLiteral("NOOP"), "200 ok\r\n");
  r.engine.SetLocalFileName(QStringLiteral("NOOP"));
  r.engine.QuoteAsync();
  ASSERT_TRUE(WaitFor([&] { return r.engine.State() == ftpStateReady; }));
  EXPECT_EQ(r.done.size(), 1) << "reported inside the reply's socket event";
  ASSERT_TRUE(r.WaitDone(2));
  EXPECT_EQ(r.done[1].type, ftpQuoteAsync);
}

TEST(FtpControlConnection, HostNameReportsLookupEventsFirst) {
  ScriptedFtpServer server;
  EngineRecorder r;
  r.engine.HostName = QStringLiteral("localhost");
  r.engine.Port = QString::number(server.Port());
  r.engine.OpenAsync();
  ASSERT_TRUE(r.WaitDone());
  EXPECT_EQ(r.done[0].error, 0) << r.engine.ErrorMessage().toStdString();
  EXPECT_EQ(r.conStates, (QList<TFTPConnectState>{ftpConStateDNSLookup, ftpConStateDNSLookupDone,
                                                  ftpConStateContact, ftpConStateContacted,
                                                  ftpConStateConnected}));
}

TEST(FtpControlConnection, ConnectFailuresEndWithTheSocketError) {
  struct Case {
    QString host;
    QString port;
    int error;
  };
  const quint16 closedPort = [] {
    ScriptedFtpServer gone;
    return gone.Port();
  }();
  const QList<Case> cases{
      {QStringLiteral("no-such-host.invalid"), QStringLiteral("21"), SocketError::HostNotFound},
      {QStringLiteral("127.0.0.1"), QString::number(closedPort), SocketError::ConnectionRefused},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host.toStdString());
    EngineRecorder r;
    r.engine.HostName = c.host;
    r.engine.Port = c.port;
    r.engine.OpenAsync();
    ASSERT_TRUE(r.WaitDone(1, 15000));
    EXPECT_EQ(r.done[0].error, c.error);
    EXPECT_EQ(r.engine.StatusCode, 500);
    EXPECT_TRUE(r.engine.LastResponse.startsWith(QStringLiteral("500 ")));
    EXPECT_TRUE(r.engine.LastResponse.endsWith(QStringLiteral("(Winsock error #%1)").arg(c.error)));
    EXPECT_EQ(r.engine.ErrorMessage(), r.engine.LastResponse);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    EXPECT_FALSE(r.engine.Connected);
  }
}

TEST(FtpControlConnection, SettingsTheSocketCannotUseEndTheRequestWithTheException) {
  ScriptedFtpServer server;
  struct Case {
    QString port;
    QString localAddr;
    QString message;  // empty: the connection is made
  };
  const QList<Case> cases{
      {QStringLiteral("no-such-service"), QStringLiteral("0.0.0.0"),
       QStringLiteral("500 SocketException: Connect: cannot resolve port 'no-such-service'")},
      {QString::number(server.Port()), QStringLiteral("300.1.1.1"),
       QStringLiteral("500 SocketException: Connect: cannot bind to '300.1.1.1'")},
      {QString::number(server.Port()), QStringLiteral("127.0.0.1"), QString()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.localAddr.toStdString());
    EngineRecorder r;
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = c.port;
    r.engine.LocalAddr = c.localAddr;
    r.engine.OpenAsync();
    ASSERT_TRUE(r.WaitDone());
    EXPECT_EQ(r.done[0].error, c.message.isEmpty() ? 0 : 500);
    if (!c.message.isEmpty()) {
      EXPECT_EQ(r.engine.LastResponse, c.message);
      EXPECT_EQ(r.engine.ErrorMessage(), c.message);
      EXPECT_EQ(r.engine.State(), ftpStateReady);
    }
  }
}

TEST(FtpControlConnection, GreetingOutcomes) {
  struct Case {
    const char* name;
    ScriptedReply greeting;
    int error;
    bool connected;
  };
  const QByteArray longLine = "220-" + QByteArray(10000, 'x') + "\r\n";
  const QList<Case> cases{
      {"multi-line greeting ends with the final line",
       ScriptedReply("220-Welcome\r\n").Delay(150).Send("220 Ready\r\n"), 0, true},
      {"421", "421 Too many users\r\n", 421, false},
      {"close during greeting", ScriptedReply("220-Hello\r\n").HangUp(), 426, false},
      {"10,000-byte line then the final line", ScriptedReply(longLine).Send("220 Ready\r\n"), 0,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedFtpServer server;
    server.SetGreeting(c.greeting);
    EngineRecorder r;
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QString::number(server.Port());
    r.engine.OpenAsync();
    ASSERT_TRUE(r.WaitDone());
    EXPECT_EQ(r.done.size(), 1);
    EXPECT_EQ(r.done[0].error, c.error) << r.engine.ErrorMessage().toStdString();
    EXPECT_EQ(r.engine.Connected, c.connected);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    if (c.error == 421) {
      EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("421 Too many users"));
      EXPECT_EQ(r.sessionClosed.size(), 1);
      EXPECT_EQ(r.conStates.last(), ftpConStateClosed);
    }
    if (QByteArray(c.name).startsWith("10,000")) {
      // Cut, shown, and the reading went on.
      const QStringList replies = r.DisplayWithPrefix(QStringLiteral("< "));
      ASSERT_EQ(replies.size(), 2);
      EXPECT_EQ(replies[0].size(), 2 + 4095);
      EXPECT_TRUE(replies[0].startsWith(QStringLiteral("< 220-xxx")));
      EXPECT_EQ(replies[1], QStringLiteral("< 220 Ready"));
      EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("! ")).size(), 1);
    }
  }
}

// Reply framing: how bytes become lines and which line ends a command.
TEST(FtpControlConnection, ReplyFraming) {
  struct Case {
    const char* name;
    ScriptedReply reply;
    bool acceptLF;
    int status;
    QStringList shown;  // "< " lines of the command
  };
  const QList<Case> cases{
      {"three lines in one read",
       "230-a\r\n230-b\r\n230 c\r\n",
       true,
       230,
       {"< 230-a", "< 230-b", "< 230 c"}},
      {"one-byte reads",
       ScriptedReply().SendSplit("250-x\r\n250 done\r\n", 1, 5),
       true,
       250,
       {"< 250-x", "< 250 done"}},
      {"line without a digit and an empty line are shown and ignored",
       "211-Status\r\n no digit\r\n\r\n211 End\r\n",
       true,
       211,
       {"< 211-Status", "<  no digit", "< ", "< 211 End"}},
      {"code followed by garbage is final", "200garbage\r\n", true, 200, {"< 200garbage"}},
      {"LF ends a line with the option", "200-a\n200 b\n", true, 200, {"< 200-a", "< 200 b"}},
      {"LF alone does not end a line without the option",
       ScriptedReply("200-a\n200 b\r\n").Delay(100).Send("200 c\r\n"),
       false,
       200,
       {"< 200-a\n200 b", "< 200 c"}},
      {"CR LF without the option", "200-a\r\n200 b\r\n", false, 200, {"< 200-a", "< 200 b"}},
      {"10,000-byte continuation line is cut and reading goes on",
       ScriptedReply("211-" + QByteArray(10000, 'y') + "\r\n").Send("211 End\r\n"),
       true,
       211,
       {"< 211-" + QString(4091, QLatin1Char('y')), "< 211 End"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedFtpServer server;
    EngineRecorder r;
    if (!c.acceptLF) r.engine.Options = TFtpOptions();
    ASSERT_TRUE(r.Open(server.Port()));
    server.Expect(QStringLiteral("STAT"), c.reply);
    r.display.clear();
    r.responses.clear();
    r.engine.SetLocalFileName(QStringLiteral("STAT"));
    r.engine.QuoteAsync();
    ASSERT_TRUE(r.WaitDone(2));
    EXPECT_EQ(r.done[1].error, 0);
    EXPECT_EQ(r.engine.StatusCode, c.status);
    EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("< ")), c.shown);
    EXPECT_EQ(r.responses.size(), c.shown.size());
  }
}

TEST(FtpControlConnection, UsageErrorsChangeNothing) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("NOOP"), ScriptedReply().Delay(300).Send("200 ok\r\n"));
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  EXPECT_THROW(r.engine.OpenAsync(), FtpException);
  try {
    r.engine.OpenAsync();
  } catch (const FtpException& e) {
    EXPECT_EQ(e.Message(), QStringLiteral("FTP component already connected"));
  }
  r.engine.SetLocalFileName(QStringLiteral("NOOP"));
  r.engine.QuoteAsync();
  QStringList usage;
  r.engine.OnUsageError = [&](TCustomFtpClientEx*, QString& msg) { usage << msg; };
  r.engine.HostDirName = QStringLiteral("/x");
  r.engine.CwdAsync();
  EXPECT_EQ(usage, QStringList{QStringLiteral("FTP component not ready")});
  ASSERT_TRUE(r.WaitDone(2));
  EXPECT_EQ(server.Received().last(), QStringLiteral("NOOP"));
  EXPECT_EQ(server.Received().size(), 1);
  EXPECT_EQ(r.done.size(), 2);

  // Not connected.
  EngineRecorder idle;
  idle.engine.OnUsageError = [&](TCustomFtpClientEx*, QString& msg) { usage << msg; };
  idle.engine.SystAsync();
  EXPECT_EQ(usage.last(), QStringLiteral("FTP component not connected"));
  EXPECT_EQ(idle.engine.State(), ftpStateReady);
}

TEST(FtpControlConnection, OnCommandMayChangeTheLine) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("NOOP CHANGED"), "200 ok\r\n");
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  r.engine.OnCommand = [](TCustomFtpClientEx*, QString& cmd) { cmd += QStringLiteral(" CHANGED"); };
  r.engine.SetLocalFileName(QStringLiteral("NOOP"));
  r.engine.QuoteAsync();
  ASSERT_TRUE(r.WaitDone(2));
  EXPECT_EQ(r.done[1].error, 0);
  EXPECT_EQ(server.Received(), QStringList{QStringLiteral("NOOP CHANGED")});
  EXPECT_TRUE(r.display.contains(QStringLiteral("> NOOP CHANGED")));
}

TEST(FtpControlConnection, UnsolicitedLineIsShownOnly) {
  ScriptedFtpServer server;
  server.SetGreeting(ScriptedReply("220 hi\r\n").Delay(200).Send("421 idle soon\r\n"));
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  ASSERT_TRUE(WaitFor([&] { return r.display.contains(QStringLiteral("< 421 idle soon")); }));
  EXPECT_EQ(r.engine.StatusCode, 220);
  EXPECT_EQ(r.engine.State(), ftpStateReady);
  EXPECT_TRUE(r.engine.Connected);
  EXPECT_EQ(r.done.size(), 1);
}

TEST(FtpControlConnection, ServerClosesWhileIdle) {
  ScriptedFtpServer server;
  server.SetGreeting(ScriptedReply("220 hi\r\n").Delay(200).HangUp());
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  ASSERT_TRUE(WaitFor([&] { return !r.engine.Connected; }));
  WaitFor([] { return false; }, 100);  // a done event would have been delivered by now
  EXPECT_EQ(r.done.size(), 1);
  EXPECT_EQ(r.sessionClosed.size(), 1);
  EXPECT_EQ(r.conStates.last(), ftpConStateClosed);
  EXPECT_EQ(r.engine.State(), ftpStateStepReady);
}

TEST(FtpControlConnection, ServerClosesWhileAReplyIsAwaited) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("SYST"), ScriptedReply("215-UNIX\r\n").HangUp());
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  r.engine.SystAsync();
  ASSERT_TRUE(r.WaitDone(2));
  EXPECT_EQ(r.done[1].type, ftpSystAsync);
  EXPECT_EQ(r.done[1].error, 426);
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("426 Connection closed by the server."));
  EXPECT_FALSE(r.engine.Connected);
  EXPECT_EQ(r.engine.State(), ftpStateReady);
}

TEST(FtpControlConnection, QuitClosesTheConnection) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("QUIT"), "221 Bye\r\n");
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  r.engine.QuitAsync();
  ASSERT_TRUE(r.WaitDone(2));
  EXPECT_EQ(r.done[1].type, ftpQuitAsync);
  EXPECT_EQ(r.done[1].error, 0);
  EXPECT_FALSE(r.engine.Connected);
  EXPECT_EQ(r.engine.State(), ftpStateReady);
}

TEST(FtpControlConnection, QuitAborAndStatWhileClosedEndAtOnceWithAnError) {
  for (const QString& line :
       {QStringLiteral("QUIT"), QStringLiteral("ABOR"), QStringLiteral("STAT")}) {
    SCOPED_TRACE(line.toStdString());
    EngineRecorder r;
    if (line == QLatin1String("QUIT")) {
      r.engine.QuitAsync();
    } else if (line == QLatin1String("ABOR")) {
      r.engine.AbortXferAsync();
    } else {
      r.engine.SetLocalFileName(line);
      r.engine.QuoteAsync();
    }
    EXPECT_TRUE(r.done.isEmpty());
    ASSERT_TRUE(r.WaitDone(1, 1000));
    EXPECT_EQ(r.done[0].error, SocketError::NotConnected);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    EXPECT_EQ(r.engine.StatusCode, 500);
  }
}

TEST(FtpControlConnection, AbortEndsRequestsAsAborted) {
  // A compound request waiting for a reply.
  {
    ScriptedFtpServer server;
    server.Expect(QStringLiteral("USER"), ScriptedReply().Delay(2000).Send("331 pw\r\n"));
    EngineRecorder r;
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QString::number(server.Port());
    r.engine.UserName = QStringLiteral("u");
    r.engine.PassWord = QStringLiteral("p");
    r.engine.ConnectAsync();
    ASSERT_TRUE(server.WaitForCommandCount(1, 5000));
    r.engine.Abort();
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    EXPECT_FALSE(r.engine.Connected);
    ASSERT_TRUE(r.WaitDone());
    EXPECT_EQ(r.done[0].type, ftpConnectAsync);
    EXPECT_EQ(r.done[0].error, 426);
    EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("426 Operation aborted."));
  }
  // A single command waiting for its reply.
  {
    ScriptedFtpServer server;
    server.Expect(QStringLiteral("SYST"), ScriptedReply().Delay(2000).Send("215 UNIX\r\n"));
    EngineRecorder r;
    ASSERT_TRUE(r.Open(server.Port()));
    r.engine.SystAsync();
    ASSERT_TRUE(server.WaitForCommandCount(1, 5000));
    r.engine.Abort();
    ASSERT_TRUE(r.WaitDone(2));
    EXPECT_EQ(r.done[1].error, 426);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
  }
  // A host-name lookup.
  {
    EngineRecorder r;
    r.engine.HostName = QStringLiteral("abort-me.invalid");
    r.engine.OpenAsync();
    r.engine.Abort();
    ASSERT_TRUE(r.WaitDone());
    EXPECT_EQ(r.done[0].error, SocketError::Interrupted);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(r.done.size(), 1);
  }
  // Connected and idle: the connection closes, no request is reported.
  {
    ScriptedFtpServer server;
    EngineRecorder r;
    ASSERT_TRUE(r.Open(server.Port()));
    r.engine.Abort();
    EXPECT_FALSE(r.engine.Connected);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    EXPECT_EQ(r.sessionClosed.size(), 1);
    WaitFor([] { return false; }, 50);
    EXPECT_EQ(r.done.size(), 1);
  }
  // Waiting for the greeting.
  {
    ScriptedFtpServer server;
    server.SetGreeting(ScriptedReply().Delay(2000).Send("220 late\r\n"));
    EngineRecorder r;
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QString::number(server.Port());
    r.engine.OpenAsync();
    ASSERT_TRUE(server.WaitForConnectionCount(1, 5000));
    r.engine.Abort();
    ASSERT_TRUE(r.WaitDone());
    EXPECT_EQ(r.done[0].type, ftpOpenAsync);
    EXPECT_EQ(r.done[0].error, 426);
    EXPECT_FALSE(r.engine.Connected);
  }
  // Idle: nothing to report.
  {
    EngineRecorder r;
    r.engine.Abort();
    WaitFor([] { return false; }, 50);
    EXPECT_TRUE(r.done.isEmpty());
    EXPECT_EQ(r.engine.State(), ftpStateReady);
  }
}

TEST(FtpControlConnection, WaitUntilReady) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("SYST"), "215 UNIX\r\n");
  server.Expect(QStringLiteral("PWD"), "550 no\r\n");
  server.Expect(QStringLiteral("NOOP"), ScriptedReply().Delay(2500).Send("200 late\r\n"));
  EngineRecorder r;
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  EXPECT_TRUE(r.engine.Synchronize([&] { r.engine.OpenAsync(); }));
  EXPECT_TRUE(r.engine.Synchronize([&] { r.engine.SystAsync(); }));
  EXPECT_FALSE(r.engine.Synchronize([&] { r.engine.PwdAsync(); }));
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("550 no"));
  // A usage error gives false rather than an exception.
  r.engine.HostDirName.clear();
  EXPECT_FALSE(r.engine.Synchronize([&] { r.engine.CwdAsync(); }));

  r.engine.Timeout = 1;
  r.engine.SetLocalFileName(QStringLiteral("NOOP"));
  QElapsedTimer clock;
  clock.start();
  EXPECT_FALSE(r.engine.Synchronize([&] { r.engine.QuoteAsync(); }));
  EXPECT_GE(clock.elapsed(), 900);
  EXPECT_LT(clock.elapsed(), 4000);
  EXPECT_EQ(r.engine.ErrorMessage(), QStringLiteral("426 Timeout"));
  EXPECT_EQ(r.engine.StatusCode, 426);
  EXPECT_FALSE(r.engine.Connected);
  EXPECT_EQ(r.engine.State(), ftpStateReady);
}

TEST(FtpControlConnection, ExceptionFromTheDoneHandlerGoesToOnBgException) {
  ScriptedFtpServer server;
  EngineRecorder r;
  QStringList caught;
  bool canClose = false;
  r.engine.OnRequestDone = [](TCustomFtpClientEx*, TFtpRequest, quint16) {
    throw std::runtime_error("handler failed");
  };
  r.engine.OnBgException = [&](TCustomFtpClientEx*, const std::exception& e, bool& close) {
    caught << QString::fromUtf8(e.what());
    canClose = close;
  };
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  r.engine.OpenAsync();
  ASSERT_TRUE(WaitFor([&] { return !caught.isEmpty(); }));
  EXPECT_EQ(caught, QStringList{QStringLiteral("handler failed")});
  EXPECT_TRUE(canClose);
}

TEST(FtpControlConnection, NonUtf8RepliesAndNamesRoundTrip) {
  ScriptedFtpServer server;
  const QByteArray latin1Name = "caf\xe9.txt";
  server.Expect(QStringLiteral("DELE"), QByteArray("250 Deleted caf\xe9.txt\r\n"));
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  r.engine.HostFileName = DecodeWireText(latin1Name);
  r.engine.DeleAsync();
  ASSERT_TRUE(r.WaitDone(2));
  ASSERT_EQ(server.ReceivedRaw().size(), 1);
  EXPECT_EQ(server.ReceivedRaw()[0], "DELE " + latin1Name);
  EXPECT_EQ(EncodeWireText(r.engine.LastResponse), QByteArray("250 Deleted caf\xe9.txt"));
}

// A SOCKS 5 server that answers the method offer with fixed bytes (and may hang up).
TEST(FtpControlConnection, SocksNegotiationFailuresEndTheRequest) {
  struct Case {
    const char* name;
    QByteArray answer;
    bool hangUp;
    int error;
  };
  const QList<Case> cases{
      {"server asks for an unsupported method", QByteArray("\x05\x01", 2), false,
       SocketError::SocksUnsupportedMethod},
      {"server hangs up during the handshake", QByteArray(), true, SocketError::SocksServerClosed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTcpServer socks;
    ASSERT_TRUE(socks.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&socks, &QTcpServer::newConnection, [&] {
      QTcpSocket* peer = socks.nextPendingConnection();
      QObject::connect(peer, &QTcpSocket::readyRead, peer, [peer, c] {
        peer->readAll();
        if (!c.answer.isEmpty()) peer->write(c.answer);
        if (c.hangUp) peer->disconnectFromHost();
      });
    });
    EngineRecorder r;
    r.engine.SetConnectionType(ftpSocks5);
    r.engine.SetSocksServer(QStringLiteral("127.0.0.1"));
    r.engine.SetSocksPort(QString::number(socks.serverPort()));
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QStringLiteral("21");
    r.engine.OpenAsync();
    ASSERT_TRUE(r.WaitDone());
    EXPECT_EQ(r.done[0].error, c.error);
    EXPECT_EQ(
        r.engine.ErrorMessage(),
        QStringLiteral("500 %1 (Winsock error #%2)").arg(WSocketErrorDesc(c.error)).arg(c.error));
    EXPECT_FALSE(r.engine.Connected);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
  }
}

TEST(FtpControlConnection, OverlongFinalLineEndsTheCommandAndTheRestIsDropped) {
  ScriptedFtpServer server;
  server.Expect(QStringLiteral("SYST"),
                ScriptedReply("215 " + QByteArray(10000, 'z') + "\r\n").Send("200 extra\r\n"));
  EngineRecorder r;
  ASSERT_TRUE(r.Open(server.Port()));
  r.engine.SystAsync();
  ASSERT_TRUE(r.WaitDone(2));
  EXPECT_EQ(r.done[1].error, 0);
  EXPECT_EQ(r.engine.StatusCode, 215);
  ASSERT_TRUE(WaitFor([&] { return r.display.contains(QStringLiteral("< 200 extra")); }));
  // The tail of the long line is neither shown nor taken for a reply.
  EXPECT_EQ(r.DisplayWithPrefix(QStringLiteral("< ")).size(), 3);
  EXPECT_TRUE(r.DisplayWithPrefix(QStringLiteral("< z")).isEmpty());
  EXPECT_EQ(r.engine.State(), ftpStateReady);
}

}  // namespace
