#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include "CliProcess.h"
#include "support/FtpFixtures.h"
#include "support/ScriptedFtpServer.h"
#include "support/TestPaths.h"

using namespace testsupport;

namespace {

class CliPyFtpd : public PyFtpdFixture {
 protected:
  QString Address(const QString& folder = "") const {
    return QString("ftp://%1@127.0.0.1:%2%3")
        .arg(PyFtpdServer::User())
        .arg(server.Port())
        .arg(folder);
  }
  Result Run(const QStringList& arguments) { return RunCli(arguments, PyFtpdServer::Password()); }
};

TEST_F(CliPyFtpd, FolderCommandsWorkEndToEnd) {
  ASSERT_TRUE(QDir().mkpath(server.RootPath() + "/pub"));
  Result r = Run({Address("/pub"), "pwd"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "/pub\n");
  EXPECT_TRUE(r.err.contains("> PASS [Objq dlk kto vzpvjet nz?]"));
  EXPECT_FALSE(r.err.contains(PyFtpdServer::Password()));

  r = Run({Address("/pub"), "mkdir", "made"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo(server.RootPath() + "/pub/made").isDir());

  r = Run({Address(), "rename", "/pub/made", "/pub/Renamed"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo(server.RootPath() + "/pub/Renamed").isDir());

  ASSERT_TRUE(WriteFile(server.RootPath() + "/pub/MiXed.TXT", "x"));
  r = Run({Address("/pub"), "lower", "MiXed.TXT"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo::exists(server.RootPath() + "/pub/mixed.txt"));

  r = Run({Address("/pub"), "mv", "mixed.txt", "Renamed"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo::exists(server.RootPath() + "/pub/Renamed/mixed.txt"));

  r = Run({Address("/pub/Renamed"), "rm", "mixed.txt"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_FALSE(QFileInfo::exists(server.RootPath() + "/pub/Renamed/mixed.txt"));

  r = Run({Address(), "quote", "NOOP"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  r = Run({Address(), "quote", "BOGUS"});
  EXPECT_EQ(r.exitCode, 1);
}

TEST_F(CliPyFtpd, WrongPasswordAndMissingFilesFail) {
  Result r = RunCli({Address(), "pwd"}, "wrong");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("cannot log in")) << r.err.toStdString();
  r = Run({Address(), "rm", "/no/such/file"});
  EXPECT_EQ(r.exitCode, 1);
  r = Run({"ftp://127.0.0.1:1", "pwd"});  // nothing listens there
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("10061")) << r.err.toStdString();
}

TEST(CliCopy, CopiesFilesAndFoldersBetweenServersThroughTheQueue) {
  PyFtpdServer::Options options;
  options.permitForeignAddresses = true;
  PyFtpdServer source, dest;
  QString error;
  ASSERT_TRUE(source.Start(options, &error)) << error.toStdString();
  ASSERT_TRUE(dest.Start(options, &error)) << error.toStdString();
  ASSERT_TRUE(WriteFile(source.RootPath() + "/one.bin", QByteArray(100000, 'a')));
  ASSERT_TRUE(WriteFile(source.RootPath() + "/two.txt", "two"));
  ASSERT_TRUE(QDir().mkpath(dest.RootPath() + "/in"));
  const QString from =
      QString("ftp://%1@127.0.0.1:%2/").arg(PyFtpdServer::User()).arg(source.Port());
  const QString to = QString("ftp://%1@127.0.0.1:%2/in").arg(PyFtpdServer::User()).arg(dest.Port());
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("VORNALO_PASSWORD", PyFtpdServer::Password());
  env.insert("VORNALO_DEST_PASSWORD", PyFtpdServer::Password());
  auto config = MakeTempDir("cli-config");
  env.insert("VORNALO_CONFIG_HOME", config->path());
  process.setProcessEnvironment(env);
  // One carrier at a time: pyftpdlib is single-threaded, and two concurrent server-to-server
  // sessions between the same two test servers can stall it (it stops reading a control
  // connection while it is busy with the other session's data connection).
  process.start(VORNALO_FTP_EXE, {"--quiet", "--parallel", "1", from, "copy", "one.bin", "two.txt",
                                  "missing.bin", to});
  ASSERT_TRUE(process.waitForFinished(60000));
  const QString out = QString::fromUtf8(process.readAllStandardOutput());
  const QString err = QString::fromUtf8(process.readAllStandardError());
  EXPECT_EQ(process.exitCode(), 1) << out.toStdString() << err.toStdString();  // one failed
  EXPECT_EQ(ReadFile(dest.RootPath() + "/in/one.bin"), QByteArray(100000, 'a'));
  EXPECT_EQ(ReadFile(dest.RootPath() + "/in/two.txt"), QByteArray("two"));
  EXPECT_EQ(out.count("ok     Carry"), 2) << out.toStdString();
  EXPECT_EQ(out.count("FAILED Carry"), 1) << out.toStdString();
  EXPECT_TRUE(err.contains("missing.bin")) << err.toStdString();
}

TEST(CliTimeout, BadValueIsAUsageErrorAndHelpListsIt) {
  Result r = RunCli({"--timeout", "86401", "ftp://127.0.0.1:1/", "pwd"}, "");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.err.contains("--timeout")) << r.err.toStdString();
  r = RunCli({"--help"}, "");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.out.contains("--timeout SECONDS")) << r.out.toStdString();
}

void ScriptLogin(ScriptedFtpServer& server) {
  server.AnswerLogins();
}

TEST(CliTimeout, SilentServerEndsTheCommandInsteadOfHanging) {
  ScriptedFtpServer server;
  ScriptLogin(server);
  server.Always("CWD", "250 Changed.\r\n");
  server.Always("QUIT", "221 Bye.\r\n");
  server.Expect("PWD", ScriptedReply());  // never answered
  QElapsedTimer clock;
  clock.start();
  const Result r =
      RunCli({"--timeout", "1", QString("ftp://u@127.0.0.1:%1/").arg(server.Port()), "pwd"},
             "secret", 20000);
  EXPECT_EQ(r.exitCode, 1) << r.out.toStdString() << r.err.toStdString();
  EXPECT_LT(clock.elapsed(), 15000) << "the default limit of 30 s would still be waiting";
  EXPECT_TRUE(server.Received().contains("PWD")) << server.Received().join(';').toStdString();
}

TEST(CliTimeout, QueueCarriersGetTheLimitToo) {
  ScriptedFtpServer server;
  ScriptLogin(server);
  server.Always("CWD /pub/file.bin", "550 Not a folder.\r\n");
  server.Always("CWD", "250 Changed.\r\n");
  server.Always("SIZE", "213 5\r\n");
  server.Always("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
  server.Always("QUIT", "221 Bye.\r\n");
  server.Expect("RETR", "150 Opening, then silence.\r\n");
  auto dir = MakeTempDir("cli-timeout");
  QElapsedTimer clock;
  clock.start();
  const Result r = RunCli(
      {"--timeout", "1", "--parallel", "1", QString("ftp://u@127.0.0.1:%1/pub").arg(server.Port()),
       "get", "file.bin", dir->path()},
      "secret", 20000);
  EXPECT_EQ(r.exitCode, 1) << r.out.toStdString() << r.err.toStdString();
  EXPECT_LT(clock.elapsed(), 15000) << "the default limit of 30 s would still be waiting";
  EXPECT_TRUE(r.out.contains("FAILED")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("421 Timeout")) << r.out.toStdString();
  EXPECT_EQ(server.PendingExpectations(), 0) << server.Received().join(';').toStdString();
}

class CliVsftpd : public VsftpdFixture {};

TEST_F(CliVsftpd, LogsInAndMakesFolders) {
  const QString address =
      QString("ftp://%1@127.0.0.1:%2/").arg(VsftpdServer::User()).arg(server.Port());
  Result r = RunCli({address, "mkdir", "from-cli"}, VsftpdServer::Password());
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(QFileInfo(server.RootPath() + "/from-cli").isDir());
  r = RunCli({address, "pwd"}, VsftpdServer::Password());
  EXPECT_EQ(r.out, "/\n");
}

}  // namespace
