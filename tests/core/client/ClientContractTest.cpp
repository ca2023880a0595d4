// What a window relies on: a done handler may start the next request with new names, and a
// hostile listing never places a file outside the folder being downloaded into.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ClientHarness.h"
#include "core/ftp/FtpClientEx.h"
#include "support/ScriptedFtpServer.h"

using testsupport::ScriptedFtpServer;
using testsupport::ScriptedReply;

namespace {

class ClientContract : public ::testing::Test {
 protected:
  void SetUp() override {
    server.Expect("USER", "331 Password required.\r\n");
    server.Expect("PASS", "230 Logged in.\r\n");
    server.Always("SYST", "215 UNIX\r\n");
    server.Always("TYPE", "200 Ok.\r\n");
    server.Always("REST", "350 Ok.\r\n");
    h.PointAt(server.Port());
    ASSERT_TRUE(h.Run(&TThreadedFTPClient::Connect));
    ASSERT_EQ(h.client->LastResult, ftpResultOk);
    h.lines.clear();
  }
  std::string Log() const { return h.lines.join('\n').toStdString(); }
  ScriptedFtpServer server;
  ClientHarness h;
};

TEST_F(ClientContract, ADoneHandlerStartsTheNextBatchAndNoNameIsLost) {
  server.Always("CWD", "250 Ok.\r\n");
  server.Expect("DELE a.txt", "250 Deleted.\r\n");
  server.Expect("DELE b.txt", "550 Permission denied.\r\n");
  server.Expect("DELE c.txt", "250 Deleted.\r\n");
  server.Expect("DELE d.txt", "550 Permission denied.\r\n");
  server.Expect("DELE e.txt", "250 Deleted.\r\n");
  TThreadedFTPClient& c = *h.client;
  std::vector<QStringList> seen;
  c.OnRemoveDone = [&](TThreadedFTPClient* sender) {
    seen.push_back(sender->HostFileNames.ToStringList());
    ++h.doneCount;
    if (seen.size() == 1) {
      // The window's way: read what failed, then go on with the next names at once.
      sender->HostFileNames.Clear();
      for (const char* name : {"c.txt", "d.txt", "e.txt"})
        sender->HostFileNames.Add(name, TFTPNameList::kFile);
      sender->Remove();
    }
  };
  c.HostDirName = "/pub";
  c.HostFileNames.Add("a.txt", TFTPNameList::kFile);
  c.HostFileNames.Add("b.txt", TFTPNameList::kFile);
  const int before = h.doneCount;
  c.Remove();
  ASSERT_TRUE(ClientHarness::Pump([&] { return h.doneCount >= before + 2; }, 10000)) << Log();
  ClientHarness::Pump([&] { return !c.Busy && h.lines.count("% Idle") >= 2; }, 5000);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], QStringList{"b.txt"});
  EXPECT_EQ(seen[1], QStringList{"d.txt"});
  EXPECT_TRUE(c.HostFileNames.IsEmpty());  // cleared after the last handler
  EXPECT_TRUE(server.Received().contains("DELE e.txt"));
  EXPECT_TRUE(server.Unexpected().isEmpty()) << server.Unexpected().join('|').toStdString();
}

TEST_F(ClientContract, HostileListingNamesNeverLeaveTheDownloadFolder) {
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QString inside = root.filePath("downloads");
  ASSERT_TRUE(QDir().mkpath(inside));
  QByteArray listing =
      "-rw-r--r--   1 u g   5 Jan 01  2024 ../escape.bin\r\n"
      "-rw-r--r--   1 u g   5 Jan 01  2024 a/../../x.bin\r\n"
      "-rw-r--r--   1 u g   5 Jan 01  2024 /tmp/abs.bin\r\n"
      "drwxr-xr-x   1 u g   0 Jan 01  2024 ..\r\n"
      "-rw-r--r--   1 u g   5 Jan 01  2024 good.txt\r\n";
  listing += QByteArray("-rw-r--r--   1 u g   5 Jan 01  2024 nul") + QByteArray(1, '\0') +
             QByteArray("name.bin\r\n");
  server.Always("CWD", "250 Ok.\r\n");
  server.Always("PWD", "257 \"/evil\"\r\n");
  server.Always("SIZE", "213 5\r\n");
  server.Expect("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
  server.Expect("LIST", ScriptedReply("150 Listing.\r\n").DataSend(listing).Send("226 Done.\r\n"));
  server.Expect("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
  server.Expect("RETR good.txt",
                ScriptedReply("150 Sending.\r\n").DataSend("hello").Send("226 Sent.\r\n"));
  TThreadedFTPClient& c = *h.client;
  QStringList left;
  c.OnDownloadsDone = [&](TThreadedFTPClient* sender) {
    left = sender->HostFileNames.ToStringList();
    ++h.doneCount;
  };
  const QString target = QDir(inside).filePath("evil");
  c.HostFileNames.Add("/evil", TFTPNameList::kFolder);
  c.LocalFileNames.Add(target);
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Downloads)) << Log();
  EXPECT_EQ(c.LastResult, ftpResultFailed) << Log();
  EXPECT_EQ(left, QStringList{"/evil"});  // the folder counts as failed
  QFile good(QDir(target).filePath("good.txt"));
  ASSERT_TRUE(good.open(QIODevice::ReadOnly)) << Log();
  EXPECT_EQ(good.readAll(), "hello");  // the rest of the folder came
  for (const char* name : {"../escape.bin", "a/../../x.bin", "/tmp/abs.bin"}) {
    EXPECT_TRUE(h.lines.contains(QStringLiteral("! Unsafe file name from the server skipped: [") +
                                 name + "]"))
        << name << '\n'
        << Log();
  }
  EXPECT_TRUE(h.lines.contains("! Unsafe file name from the server skipped: [nul\\x00name.bin]"))
      << Log();
  EXPECT_FALSE(QFile::exists(root.filePath("escape.bin")));
  EXPECT_FALSE(QFile::exists(root.filePath("x.bin")));
  EXPECT_FALSE(QFile::exists(QDir(inside).filePath("escape.bin")));
  // Only the target folder and good.txt were made.
  EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{"downloads"});
  EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList{"good.txt"});
  EXPECT_FALSE(server.Received().join('|').contains("escape")) << "unsafe names are not fetched";
}

TEST_F(ClientContract, TreeDownloadTakesSizesFromTheListing) {
  // The listing gives each file's size: no SIZE for them and TYPE once. A link's listed size
  // is the link's own, so the link is asked for its size; so is a single file.
  QTemporaryDir root;
  ASSERT_TRUE(root.isValid());
  const QByteArray listing =
      "-rw-r--r--   1 u g   5 Jan 01  2024 a.bin\r\n"
      "-rw-r--r--   1 u g   3 Jan 01  2024 b.bin\r\n"
      "lrwxrwxrwx   1 u g   5 Jan 01  2024 lnk -> a.bin\r\n";
  server.Always("PWD", "257 \"/t\"\r\n");
  server.Always("SIZE", "213 5\r\n");
  server.Expect("CWD /t", "250 Ok.\r\n");
  server.Expect("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
  server.Expect("LIST", ScriptedReply("150 Listing.\r\n").DataSend(listing).Send("226 Done.\r\n"));
  server.Expect("CWD /t/lnk", "550 Not a folder.\r\n");
  for (const char* name : {"a.bin", "b.bin", "lnk"}) {
    server.Expect("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
    server.Expect(QString("RETR ") + name,
                  ScriptedReply("150 Sending.\r\n").DataSend("12345").Send("226 Sent.\r\n"));
  }
  TThreadedFTPClient& c = *h.client;
  c.TransferType = ftpTypeBinary;
  c.HostFileNames.Add("/t", TFTPNameList::kFolder);
  c.LocalFileNames.Add(root.filePath("t"));
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::Downloads)) << Log();
  EXPECT_EQ(c.LastResult, ftpResultOk) << Log();
  EXPECT_TRUE(server.Unexpected().isEmpty()) << server.Unexpected().join('|').toStdString();
  EXPECT_EQ(server.Received().filter(QRegularExpression("^SIZE")), QStringList{"SIZE lnk"});
  EXPECT_EQ(server.Received().filter(QRegularExpression("^TYPE")).size(), 1);

  server.Expect("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
  server.Expect("RETR one.bin",
                ScriptedReply("150 Sending.\r\n").DataSend("12345").Send("226 Sent.\r\n"));
  c.HostFileName = "one.bin";
  c.LocalFileName = root.filePath("one.bin");
  ASSERT_TRUE(h.Run(&TThreadedFTPClient::DownloadFile)) << Log();
  EXPECT_EQ(c.LastResult, ftpResultOk) << Log();
  EXPECT_EQ(server.Received().filter(QRegularExpression("^SIZE")).last(), "SIZE one.bin");
  EXPECT_EQ(c.FileSize, 5);
}

}  // namespace
