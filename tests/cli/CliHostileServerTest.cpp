// The command line against servers that misbehave: no crash, a failure exit, nothing written
// outside the folder named on the command line.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "CliProcess.h"
#include "support/ScriptedFtpServer.h"
#include "support/TestPaths.h"

using namespace testsupport;

namespace {

QString Address(const ScriptedFtpServer& server) {
  return QStringLiteral("ftp://bob@127.0.0.1:%1/").arg(server.Port());
}

TEST(CliHostileServer, HangUpAfterLoginFailsTheDownloadWithoutACrash) {
  ScriptedFtpServer server;
  server.Expect("USER", "331 Password required.\r\n");
  server.Expect("PASS", ScriptedReply("230 Logged in.\r\n").HangUp());
  // Every later login is refused, so the reconnects fail too.
  server.Always("USER", "331 Password required.\r\n");
  server.Always("PASS", "530 Login incorrect.\r\n");
  auto dir = MakeTempDir("cli-hangup");
  const Result r = RunCli({Address(server), "get", "file.bin", dir->path()}, "secret");
  EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
  EXPECT_FALSE(r.err.contains("terminate called")) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("! FTP component not connected")) << r.err.toStdString();
  EXPECT_FALSE(QFile::exists(QDir(dir->path()).filePath("file.bin")));
}

TEST(CliHostileServer, NamesFromAListingStayInsideTheDownloadFolder) {
  ScriptedFtpServer server;
  server.AnswerLogins();
  server.Always("PWD", "257 \"/\"\r\n");
  server.Always("CWD", "250 Ok.\r\n");
  server.Always("SIZE", "213 5\r\n");
  server.Always("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
  server.Expect("LIST", ScriptedReply("150 Listing.\r\n")
                            .DataSend("-rw-r--r--   1 u g   5 Jan 01  2024 ../escape.bin\r\n"
                                      "-rw-r--r--   1 u g   5 Jan 01  2024 /tmp/abs.bin\r\n"
                                      "-rw-r--r--   1 u g   5 Jan 01  2024 good.txt\r\n")
                            .Send("226 Done.\r\n"));
  server.Always("RETR", ScriptedReply("150 Sending.\r\n").DataSend("hello").Send("226 Sent.\r\n"));
  auto root = MakeTempDir("cli-hostile");
  const QString downloads = QDir(root->path()).filePath("downloads");
  const Result r = RunCli({Address(server), "get", "evil", downloads}, "secret");
  EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("Unsafe file name from the server skipped: [../escape.bin]"))
      << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("download failed: /evil")) << r.err.toStdString();
  EXPECT_FALSE(QFile::exists(QDir(root->path()).filePath("escape.bin")));
  EXPECT_FALSE(QFile::exists(QDir(downloads).filePath("escape.bin")));
  QFile good(QDir(downloads).filePath("evil/good.txt"));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly)) << r.err.toStdString();
  EXPECT_EQ(good.readAll(), "hello");
}

}  // namespace
