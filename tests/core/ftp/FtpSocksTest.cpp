// Logins through real SOCKS servers: danted (4 and 5), microsocks (5 with user name and
// password) and a Perl IO::Socket::Socks server (4A).
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>

#include "core/ftp/EngineRecorder.h"
#include "core/ftp/SocketErrors.h"
#include "support/PyFtpdServer.h"
#include "support/ScriptedFtpServer.h"
#include "support/SocksServers.h"
#include "support/TestPaths.h"

using enginetest::EngineRecorder;

namespace {

class FtpSocks : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(ftp.Start(&error)) << error.toStdString();
  }

  // Logs in to pyftpdlib through the SOCKS server, asks PWD, quits; "" when all went well.
  std::string Login(EngineRecorder& r, TFtpConnectionType type, quint16 socksPort) {
    r.engine.SetConnectionType(type);
    r.engine.SetSocksServer(QStringLiteral("127.0.0.1"));
    r.engine.SetSocksPort(QString::number(socksPort));
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QString::number(ftp.Port());
    r.engine.UserName = testsupport::PyFtpdServer::User();
    r.engine.PassWord = testsupport::PyFtpdServer::Password();
    r.engine.ConnectAsync();
    if (!r.WaitDone(1, 10000)) return "no done event";
    if (r.done[0].error != 0) return r.engine.ErrorMessage().toStdString();
    r.engine.PwdAsync();
    if (!r.WaitDone(2, 10000) || r.done[1].error != 0 || r.engine.DirResult != "/")
      return "PWD failed: " + r.display.join(QLatin1Char('\n')).toStdString();
    r.engine.QuitAsync();
    if (!r.WaitDone(3, 10000) || r.done[2].error != 0) return "QUIT failed";
    return {};
  }

  // Connects to a scripted server through the SOCKS server; the request's error.
  static int Refused(EngineRecorder& r, TFtpConnectionType type, quint16 socksPort,
                     quint16 targetPort) {
    r.engine.SetConnectionType(type);
    r.engine.SetSocksServer(QStringLiteral("127.0.0.1"));
    r.engine.SetSocksPort(QString::number(socksPort));
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QString::number(targetPort);
    r.engine.OpenAsync();
    if (!r.WaitDone(1, 10000)) return -1;
    EXPECT_EQ(r.engine.StatusCode, 500);
    EXPECT_TRUE(r.engine.LastResponse.startsWith(QStringLiteral("500 ")));
    EXPECT_FALSE(r.engine.Connected);
    EXPECT_EQ(r.engine.State(), ftpStateReady);
    return r.done[0].error;
  }

  // Lists, downloads and uploads through the SOCKS server, whose passive data connections
  // go through it as well; "" when all went well.
  std::string Transfer(EngineRecorder& r, TFtpConnectionType type, quint16 socksPort) {
    const QByteArray content(300000, 'z');
    testsupport::WriteFile(QDir(ftp.RootPath()).filePath(QStringLiteral("s.bin")), content);
    auto local = testsupport::MakeTempDir();
    r.engine.SetConnectionType(type);
    r.engine.SetSocksServer(QStringLiteral("127.0.0.1"));
    r.engine.SetSocksPort(QString::number(socksPort));
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QString::number(ftp.Port());
    r.engine.UserName = testsupport::PyFtpdServer::User();
    r.engine.PassWord = testsupport::PyFtpdServer::Password();
    const auto run = [&r](void (TCustomFtpClientEx::*op)()) {
      const int before = static_cast<int>(r.done.size());
      (r.engine.*op)();
      return r.WaitDone(before + 1, 10000) ? r.done.last().error : -1;
    };
    const auto log = [&r] { return "\n" + r.display.join(QLatin1Char('\n')).toStdString(); };
    if (run(&TCustomFtpClientEx::ConnectAsync) != 0) return "login failed" + log();
    if (!r.engine.Passive || !r.engine.DataSocket()->SocksEnabled) return "not passive via SOCKS";
    QBuffer listing;
    listing.open(QIODevice::ReadWrite);
    r.engine.SetLocalStream(&listing);
    if (run(&TCustomFtpClientEx::DirAsync) != 0) return "LIST failed" + log();
    r.engine.SetLocalStream(nullptr);
    if (!listing.data().contains("s.bin")) return "listing without s.bin";
    r.engine.HostFileName = QStringLiteral("s.bin");
    r.engine.SetLocalFileName(local->filePath(QStringLiteral("s.bin")));
    if (run(&TCustomFtpClientEx::GetAsync) != 0) return "RETR failed" + log();
    if (testsupport::ReadFile(local->filePath(QStringLiteral("s.bin"))) != content)
      return "downloaded bytes differ";
    r.engine.HostFileName = QStringLiteral("back.bin");
    if (run(&TCustomFtpClientEx::PutAsync) != 0) return "STOR failed" + log();
    if (testsupport::ReadFile(QDir(ftp.RootPath()).filePath(QStringLiteral("back.bin"))) != content)
      return "uploaded bytes differ";
    return {};
  }

  testsupport::PyFtpdServer ftp;
};

TEST_F(FtpSocks, PassiveTransfersGoThroughTheSocksServer) {
  testsupport::DantedServer danted;
  testsupport::MicrosocksServer microsocks;
  QString error;
  ASSERT_TRUE(danted.Start(&error)) << error.toStdString();
  ASSERT_TRUE(microsocks.Start(QStringLiteral("sockuser"), QStringLiteral("sockpass"), &error))
      << error.toStdString();
  for (TFtpConnectionType type : {ftpSocks5, ftpSocks4}) {
    EngineRecorder r;
    EXPECT_EQ(Transfer(r, type, danted.Port()), "") << danted.LogText().toStdString();
  }
  EngineRecorder r;
  r.engine.SetSocksUserCode(QStringLiteral("sockuser"));
  r.engine.SetSocksPassword(QStringLiteral("sockpass"));
  EXPECT_EQ(Transfer(r, ftpSocks5, microsocks.Port()), "") << microsocks.LogText().toStdString();
}

TEST_F(FtpSocks, DantedSocks4And5) {
  testsupport::DantedServer socks;
  QString error;
  ASSERT_TRUE(socks.Start(&error)) << error.toStdString();
  for (TFtpConnectionType type : {ftpSocks5, ftpSocks4}) {
    SCOPED_TRACE(type == ftpSocks5 ? "SOCKS 5" : "SOCKS 4");
    EngineRecorder r;
    EXPECT_EQ(Login(r, type, socks.Port()), "") << socks.LogText().toStdString();
    EXPECT_TRUE(r.engine.Passive);
  }
}

TEST_F(FtpSocks, DantedRefusesABlockedDestination) {
  testsupport::ScriptedFtpServer blocked;
  testsupport::DantedServer socks;
  QString error;
  ASSERT_TRUE(socks.Start(&error, blocked.Port())) << error.toStdString();
  EngineRecorder r5;
  EXPECT_EQ(Refused(r5, ftpSocks5, socks.Port(), blocked.Port()), SocketError::SocksNotAllowed);
  EXPECT_TRUE(r5.engine.LastResponse.endsWith(
      QStringLiteral("(Winsock error #%1)").arg(SocketError::SocksNotAllowed)));
  EngineRecorder r4;
  EXPECT_EQ(Refused(r4, ftpSocks4, socks.Port(), blocked.Port()),
            SocketError::SocksRequestRejected);
  EXPECT_EQ(blocked.ConnectionCount(), 0);
}

TEST_F(FtpSocks, MicrosocksUserNameAndPassword) {
  testsupport::MicrosocksServer socks;
  QString error;
  ASSERT_TRUE(socks.Start(QStringLiteral("sockuser"), QStringLiteral("sockpass"), &error))
      << error.toStdString();
  {
    EngineRecorder r;
    r.engine.SetSocksUserCode(QStringLiteral("sockuser"));
    r.engine.SetSocksPassword(QStringLiteral("sockpass"));
    EXPECT_EQ(Login(r, ftpSocks5, socks.Port()), "") << socks.LogText().toStdString();
  }
  {
    EngineRecorder r;
    r.engine.SetSocksUserCode(QStringLiteral("sockuser"));
    r.engine.SetSocksPassword(QStringLiteral("wrong"));
    EXPECT_EQ(Refused(r, ftpSocks5, socks.Port(), ftp.Port()),
              SocketError::SocksAuthenticationFailed);
  }
  {
    // Offering no authentication at all: the server accepts none of the methods.
    EngineRecorder r;
    r.engine.SetConnectionType(ftpSocks5);
    r.engine.ControlSocket()->SocksAuthentication = socksNoAuthentication;
    r.engine.SetSocksServer(QStringLiteral("127.0.0.1"));
    r.engine.SetSocksPort(QString::number(socks.Port()));
    r.engine.HostName = QStringLiteral("127.0.0.1");
    r.engine.Port = QString::number(ftp.Port());
    r.engine.OpenAsync();
    ASSERT_TRUE(r.WaitDone(1, 10000));
    EXPECT_EQ(r.done[0].error, SocketError::SocksNoAcceptableMethod);
  }
}

TEST_F(FtpSocks, PerlServerSocks4A) {
  testsupport::PerlSocks4aServer socks;
  QString error;
  ASSERT_TRUE(socks.Start(&error)) << error.toStdString();
  EngineRecorder r;
  r.engine.SetSocksUserCode(QStringLiteral("me"));
  EXPECT_EQ(Login(r, ftpSocks4A, socks.Port()), "") << socks.LogText().toStdString();
  EXPECT_TRUE(socks.Requests().contains(QStringLiteral("CONNECT 3 127.0.0.1 %1").arg(ftp.Port())))
      << socks.Requests().join(QLatin1Char('|')).toStdString();
}

}  // namespace
