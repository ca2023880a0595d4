// The engine against real FTP servers: pyftpdlib and vsftpd on 127.0.0.1.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "core/ftp/EngineRecorder.h"
#include "support/FtpFixtures.h"
#include "support/TestPaths.h"

using enginetest::EngineRecorder;

namespace {

// Runs one request and waits for its done event; the request's error, or -1 on time-out.
int RunRequest(EngineRecorder& r, void (TCustomFtpClientEx::*op)()) {
  const int before = static_cast<int>(r.done.size());
  (r.engine.*op)();
  if (!r.WaitDone(before + 1, 10000)) return -1;
  return r.done.last().error;
}

void RunSession(quint16 port, const QString& user, const QString& password, const QString& root) {
  ASSERT_TRUE(testsupport::WriteFile(QDir(root).filePath(QStringLiteral("data.bin")),
                                     QByteArray(12345, 'd')));
  EngineRecorder r;
  auto& e = r.engine;
  const auto log = [&r] { return r.display.join(QLatin1Char('\n')).toStdString(); };
  e.HostName = QStringLiteral("127.0.0.1");
  e.Port = QString::number(port);
  e.UserName = user;
  e.PassWord = password;
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::ConnectAsync), 0) << log();
  EXPECT_EQ(r.done.last().type, ftpConnectAsync);
  EXPECT_EQ(e.StatusCode, 230);

  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::SystAsync), 0) << log();
  EXPECT_TRUE(e.LastResponse.startsWith(QStringLiteral("215 "))) << log();
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::PwdAsync), 0) << log();
  EXPECT_EQ(e.DirResult, QStringLiteral("/"));

  e.HostFileName = QStringLiteral("sub");
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::MkdAsync), 0) << log();
  EXPECT_TRUE(QDir(QDir(root).filePath(QStringLiteral("sub"))).exists());
  e.HostDirName = QStringLiteral("sub");
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::CwdAsync), 0) << log();
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::PwdAsync), 0) << log();
  EXPECT_EQ(e.DirResult, QStringLiteral("/sub"));
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::CDupAsync), 0) << log();
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::PwdAsync), 0) << log();
  EXPECT_EQ(e.DirResult, QStringLiteral("/"));

  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::TypeBinaryAsync), 0) << log();
  e.HostFileName = QStringLiteral("data.bin");
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::SizeAsync), 0) << log();
  EXPECT_EQ(e.SizeResult, 12345);

  e.SetLocalFileName(QStringLiteral("moved.bin"));
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::RenAsync), 0) << log();
  EXPECT_EQ(r.done.last().type, ftpRenAsync);
  EXPECT_TRUE(QFile::exists(QDir(root).filePath(QStringLiteral("moved.bin"))));
  EXPECT_FALSE(QFile::exists(QDir(root).filePath(QStringLiteral("data.bin"))));

  e.HostFileName = QStringLiteral("moved.bin");
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::DeleAsync), 0) << log();
  EXPECT_FALSE(QFile::exists(QDir(root).filePath(QStringLiteral("moved.bin"))));
  e.HostFileName = QStringLiteral("missing.bin");
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::DeleAsync), 550) << log();
  EXPECT_TRUE(e.ErrorMessage().startsWith(QStringLiteral("550")));

  e.HostFileName = QStringLiteral("sub");
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::RmdAsync), 0) << log();
  EXPECT_FALSE(QDir(QDir(root).filePath(QStringLiteral("sub"))).exists());

  e.HostDirName = QStringLiteral("/no-such-folder");
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::CwdAsync), 550) << log();

  e.SetLocalFileName(QStringLiteral("NOOP"));
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::QuoteAsync), 0) << log();
  EXPECT_EQ(e.StatusCode, 200);

  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::QuitAsync), 0) << log();
  EXPECT_EQ(r.done.last().type, ftpQuitAsync);
  EXPECT_FALSE(e.Connected);
  EXPECT_EQ(e.State(), ftpStateReady);
}

class PyFtpdEngine : public testsupport::PyFtpdFixture {};
class VsftpdEngine : public testsupport::VsftpdFixture {};

TEST_F(PyFtpdEngine, Session) {
  RunSession(server.Port(), server.User(), server.Password(), server.RootPath());
}

TEST_F(VsftpdEngine, Session) {
  RunSession(server.Port(), server.User(), server.Password(), server.RootPath());
}

TEST_F(PyFtpdEngine, CompoundRequestEndsWithTheReplyBeforeQuit) {
  EngineRecorder r;
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(server.Port());
  r.engine.UserName = server.User();
  r.engine.PassWord = server.Password();
  r.engine.HostFileName = QStringLiteral("made");
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::MkdirAsync), 0)
      << r.display.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(r.done.last().type, ftpMkdirAsync);
  EXPECT_TRUE(QDir(QDir(server.RootPath()).filePath(QStringLiteral("made"))).exists());
  EXPECT_EQ(r.engine.StatusCode, 257) << "the reply before QUIT";
  EXPECT_EQ(r.engine.DirResult, QStringLiteral("/made"));
  EXPECT_FALSE(r.engine.Connected);
}

}  // namespace
