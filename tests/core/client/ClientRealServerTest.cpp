// Every request of the background client end to end against real servers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ClientHarness.h"
#include "core/ftp/FTPListItems.h"
#include "support/PyFtpdServer.h"
#include "support/VsftpdServer.h"

using testsupport::PyFtpdServer;
using testsupport::VsftpdServer;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
  file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

int ModeOf(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
  return static_cast<int>(st.st_mode & 07777);
}

// Files below a folder, as sorted relative paths joined with ",".
std::string FilesBelow(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(folder).relativeFilePath(it.next());
  files.sort();
  return files.join(',').toStdString();
}

QByteArray Binary(int size) {
  QByteArray bytes;
  for (int i = 0; i < size; ++i) bytes.append(char((i * 7 + i / 13) % 256));
  return bytes;
}

template <class Server>
class ClientRealServer : public ::testing::Test {
 protected:
  void SetUp() override {
    QString error;
    ASSERT_TRUE(server.Start(&error)) << error.toStdString();
    ASSERT_TRUE(local.isValid());
    h = std::make_unique<ClientHarness>();
    h->client->HostName = QStringLiteral("127.0.0.1");
    h->client->Port = QString::number(server.Port());
    h->client->UserName = Server::User();
    h->client->Password = Server::Password();
  }
  void TearDown() override {
    h.reset();
    server.Stop();
  }

  QString Root(const QString& relative) const { return server.RootPath() + '/' + relative; }
  QString Local(const QString& relative) const { return local.filePath(relative); }
  std::string Log() const { return h->lines.join('\n').toStdString(); }

  // Runs a request and expects its outcome.
  void Expect(void (TThreadedFTPClient::*request)(), quint8 result, int timeoutMs = 10000) {
    ASSERT_TRUE(h->Run(request, timeoutMs)) << Log();
    ASSERT_EQ(h->client->LastResult, result) << h->client->LastError.toStdString() << '\n' << Log();
  }
  void Connect() { Expect(&TThreadedFTPClient::Connect, ftpResultOk); }
  void Upload(const QString& localPath, const QString& remote) {
    h->client->LocalFileName = localPath;
    h->client->HostFileName = remote;
    Expect(&TThreadedFTPClient::UploadFile, ftpResultOk);
  }
  // Uploads a local tree (so that the server's user owns what it holds, which vsftpd
  // needs for removing and changing permissions).
  void UploadTree(const QString& localFolder, const QString& remote) {
    h->client->HostFileNames.Add(remote, TFTPNameList::kFolder);
    h->client->LocalFileNames.Add(localFolder, TFTPNameList::kFolder);
    Expect(&TThreadedFTPClient::Uploads, ftpResultOk);
  }

  // Replaces a done handler; the harness still counts the done event.
  void OnDone(TFTPNotifyEvent TThreadedFTPClient::*event,
              std::function<void(TThreadedFTPClient*)> handler) {
    (*h->client).*event = [this, handler](TThreadedFTPClient* c) {
      handler(c);
      ++h->doneCount;
    };
  }

  Server server;
  QTemporaryDir local;
  std::unique_ptr<ClientHarness> h;
};

using Servers = ::testing::Types<PyFtpdServer, VsftpdServer>;
class ServerNames {
 public:
  template <class T>
  static std::string GetName(int) {
    return std::is_same_v<T, PyFtpdServer> ? "pyftpdlib" : "vsftpd";
  }
};
TYPED_TEST_SUITE(ClientRealServer, Servers, ServerNames);

TYPED_TEST(ClientRealServer, ConnectsWithAndWithoutAnInitialFolder) {
  QDir().mkpath(this->Root("pub/inner"));
  struct Case {
    QString initial;
    QString folder;  // what PWD reports afterwards
  } cases[] = {{"", "/"}, {"/pub/inner", "/pub/inner"}, {"/missing", "/"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.initial.toStdString());
    this->h->client->InitialFolder = c.initial;
    this->Connect();
    EXPECT_FALSE(this->h->client->SystemType.isEmpty());
    EXPECT_NE(this->h->client->SystemType, "Unknown");
    EXPECT_TRUE(this->h->client->ResumeSupported);
    this->Expect(&TThreadedFTPClient::GetFolder, ftpResultOk);
    EXPECT_EQ(this->h->client->ServerFolder(), c.folder);
    this->Expect(&TThreadedFTPClient::Quit, ftpResultOk);
  }
}

TYPED_TEST(ClientRealServer, ListsLinksToAFileAndAFolderByAbsolutePath) {
  WriteFile(this->Root("links/plain.txt"), "plain");
  QDir().mkpath(this->Root("links/real"));
  ASSERT_TRUE(QFile::link("plain.txt", this->Root("links/tofile")));
  ASSERT_TRUE(QFile::link("real", this->Root("links/todir")));
  this->Connect();
  this->h->lines.clear();
  TFTPListItems items;
  this->h->client->ListItems = &items;
  this->h->client->HostDirName = "/links";
  this->Expect(&TThreadedFTPClient::GetListItems, ftpResultOk);

  const QStringList& lines = this->h->lines;
  const qsizetype probe = lines.indexOf("~ Auto-detecting link property...");
  const qsizetype count = lines.indexOf("~ 1 folder and 1 file links detected.");
  ASSERT_GE(probe, 0) << this->Log();
  ASSERT_EQ(count, probe + 1) << "the probe's commands are not logged\n" << this->Log();
  std::map<QString, std::pair<bool, bool>> kinds;  // name -> (IsFile, IsLink)
  for (int i = 0; i < items.Count(); ++i) {
    kinds[items.Items(i)->Name] = {items.Items(i)->IsFile, items.Items(i)->IsLink};
  }
  const std::map<QString, std::pair<bool, bool>> expected{{"plain.txt", {true, false}},
                                                          {"real", {false, false}},
                                                          {"tofile", {true, true}},
                                                          {"todir", {false, true}}};
  EXPECT_EQ(kinds, expected);
  this->Expect(&TThreadedFTPClient::GetFolder, ftpResultOk);
  EXPECT_EQ(this->h->client->ServerFolder(), "/links") << "back in the listed folder";

  // A folder without links logs neither probe line.
  TFTPListItems plain;
  this->h->lines.clear();
  this->h->client->ListItems = &plain;
  this->h->client->HostDirName = "/links/real";
  this->Expect(&TThreadedFTPClient::GetListItems, ftpResultOk);
  EXPECT_EQ(plain.Count(), 0);
  EXPECT_FALSE(this->h->lines.join('\n').contains("Auto-detecting")) << this->Log();
}

TYPED_TEST(ClientRealServer, TransfersSingleFilesAsTextBinaryAndResumed) {
  const QByteArray text = "line one\nline two\n";
  const QByteArray binary = Binary(1000) + QByteArray("\r\n\0\n", 4);
  this->Connect();
  struct Case {
    const char* what;
    TFTPTransferType type;
    bool resume;
    QByteArray content;
    const char* typeCommand;
    const char* resumeCommand;  // of the download
  } cases[] = {
      {"ascii", ftpTypeASCII, false, text, "> TYPE A", nullptr},
      {"binary", ftpTypeBinary, false, binary, "> TYPE I", nullptr},
      {"resumed", ftpTypeBinary, true, binary, nullptr, "> REST 400"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QString name = QString::fromLatin1(c.what) + ".bin";
    this->h->client->TransferType = c.type;
    this->h->client->ResumeTransfer = c.resume;
    // Download: the server holds the file; a resumed one finds 400 bytes here already.
    WriteFile(this->Root("down/" + name), c.content);
    if (c.resume) WriteFile(this->Local(name), c.content.left(400));
    this->h->lines.clear();
    this->h->client->HostFileName = "/down/" + name;
    this->h->client->LocalFileName = this->Local(name);
    this->Expect(&TThreadedFTPClient::DownloadFile, ftpResultOk);
    // pyftpdlib answers SIZE only in binary mode; the size is then unknown.
    if (c.type == ftpTypeBinary) {
      EXPECT_EQ(this->h->client->FileSize, c.content.size());
    }
    QByteArray got = ReadFile(this->Local(name));
    if (c.type == ftpTypeASCII) got.replace("\r\n", "\n");
    EXPECT_EQ(got, c.content);
    if (c.typeCommand) {
      EXPECT_TRUE(this->h->lines.contains(c.typeCommand)) << this->Log();
    }
    if (c.resumeCommand) {
      EXPECT_TRUE(this->h->lines.contains(c.resumeCommand)) << this->Log();
    }

    // Upload: a resumed one finds 400 bytes on the server and appends the rest.
    QDir().mkpath(this->Root("up"));
    QFile::setPermissions(this->Root("up"), QFile::Permissions(0x7777));
    if (c.resume) {
      this->h->client->ResumeTransfer = false;
      WriteFile(this->Local("part.bin"), c.content.left(400));
      this->Upload(this->Local("part.bin"), "/up/" + name);
      this->h->client->ResumeTransfer = true;
    }
    WriteFile(this->Local(name), c.content);
    this->h->lines.clear();
    this->Upload(this->Local(name), "/up/" + name);
    got = ReadFile(this->Root("up/" + name));
    if (c.type == ftpTypeASCII) got.replace("\r\n", "\n");
    EXPECT_EQ(got, c.content);
    if (c.resume) {
      EXPECT_TRUE(this->h->lines.contains("> APPE /up/" + name)) << this->Log();
    } else {
      EXPECT_TRUE(this->h->lines.contains("> STOR /up/" + name)) << this->Log();
    }
  }
  // The type is sent once per connection while it stays the same.
  this->h->lines.clear();
  this->h->client->ResumeTransfer = false;
  this->h->client->HostFileName = "/down/binary.bin";
  this->h->client->LocalFileName = this->Local("again.bin");
  this->Expect(&TThreadedFTPClient::DownloadFile, ftpResultOk);
  EXPECT_FALSE(this->h->lines.join('\n').contains("> TYPE")) << this->Log();
}

TYPED_TEST(ClientRealServer, UploadsDownloadsAndRemovesAFolderTree) {
  const QString src = this->Local("src");
  WriteFile(src + "/top.txt", "top");
  WriteFile(src + "/.htaccess", "deny from all");
  WriteFile(src + "/sub1/one.bin", Binary(5000));
  WriteFile(src + "/sub1/deep/two.txt", "two");
  QDir().mkpath(src + "/sub2");
  WriteFile(this->Local("single.txt"), "single");
  this->Connect();

  this->h->client->HostFileNames.Add("/tree", TFTPNameList::kFolder);
  this->h->client->LocalFileNames.Add(src, TFTPNameList::kFolder);
  this->h->client->HostFileNames.Add("/single.txt", TFTPNameList::kFile);
  this->h->client->LocalFileNames.Add(this->Local("single.txt"), TFTPNameList::kFile);
  int leftAtDone = -1;
  this->OnDone(&TThreadedFTPClient::OnUploadsDone, [&](TThreadedFTPClient* c) {
    leftAtDone = c->HostFileNames.Count() + c->LocalFileNames.Count();
  });
  this->Expect(&TThreadedFTPClient::Uploads, ftpResultOk);
  EXPECT_EQ(leftAtDone, 0);
  EXPECT_EQ(FilesBelow(this->Root("tree")), "sub1/deep/two.txt,sub1/one.bin,top.txt")
      << ".htaccess stays behind";
  EXPECT_TRUE(QFileInfo(this->Root("tree/sub2")).isDir());
  EXPECT_EQ(ReadFile(this->Root("tree/sub1/one.bin")), Binary(5000));
  EXPECT_EQ(ReadFile(this->Root("single.txt")), "single");

  // Uploading into the existing folder sends no MKD for it.
  this->h->lines.clear();
  this->UploadTree(src, "/tree");
  EXPECT_FALSE(this->h->lines.join('\n').contains("> MKD /tree\n")) << this->Log();

  QDir().mkpath(this->Local("dl"));
  this->h->client->HostFileNames.Add("/tree", TFTPNameList::kFolder);
  this->h->client->LocalFileNames.Add(this->Local("dl/tree"), TFTPNameList::kFolder);
  this->h->client->HostFileNames.Add("/single.txt", TFTPNameList::kFile);
  this->h->client->LocalFileNames.Add(this->Local("dl/single.txt"), TFTPNameList::kFile);
  this->Expect(&TThreadedFTPClient::Downloads, ftpResultOk);
  EXPECT_EQ(FilesBelow(this->Local("dl")),
            "single.txt,tree/sub1/deep/two.txt,tree/sub1/one.bin,tree/top.txt");
  EXPECT_TRUE(QFileInfo(this->Local("dl/tree/sub2")).isDir());
  EXPECT_EQ(ReadFile(this->Local("dl/tree/sub1/one.bin")), Binary(5000));

  // Removing the tree deletes a folder link inside it, never the folder it leads to.
  WriteFile(this->Root("keep/kept.txt"), "kept");
  ASSERT_TRUE(QFile::link("../../keep", this->Root("tree/sub1/tokeep")));
  this->h->client->HostDirName = "/";
  this->h->client->HostFileNames.Add("tree", TFTPNameList::kFolder);
  this->h->client->HostFileNames.Add("single.txt", TFTPNameList::kFile);
  this->Expect(&TThreadedFTPClient::Remove, ftpResultOk);
  EXPECT_EQ(ReadFile(this->Root("keep/kept.txt")), "kept");
  EXPECT_FALSE(QFileInfo::exists(this->Root("tree")));
  EXPECT_FALSE(QFileInfo::exists(this->Root("single.txt")));
  EXPECT_TRUE(this->h->client->HostFileNames.IsEmpty());
}

TYPED_TEST(ClientRealServer, ChangesPermissionsOneByOneAndRecursively) {
  WriteFile(this->Local("perm/a.txt"), "a");
  WriteFile(this->Local("perm/b.txt"), "b");
  WriteFile(this->Local("perm/dir/inner.txt"), "inner");
  WriteFile(this->Local("perm/dir/deeper/leaf.txt"), "leaf");
  this->Connect();
  this->UploadTree(this->Local("perm"), "/perm");

  this->h->client->HostDirName = "/perm";
  this->h->client->LocalFileName = "600";
  this->h->client->HostFileNames.Add("a.txt");
  this->h->client->HostFileNames.Add("b.txt");
  this->Expect(&TThreadedFTPClient::ChangePerms, ftpResultOk);
  EXPECT_EQ(ModeOf(this->Root("perm/a.txt")), 0600);
  EXPECT_EQ(ModeOf(this->Root("perm/b.txt")), 0600);

  // A name that does not exist stops the head loop: it and the names after it stay.
  QStringList left;
  this->OnDone(&TThreadedFTPClient::OnChangePermsDone,
               [&](TThreadedFTPClient* c) { left = c->HostFileNames.ToStringList(); });
  this->h->client->LocalFileName = "640";
  for (const char* name : {"a.txt", "nothing.txt", "b.txt"}) {
    this->h->client->HostFileNames.Add(name);
  }
  this->Expect(&TThreadedFTPClient::ChangePerms, ftpResultFailed);
  EXPECT_EQ(left, (QStringList{"nothing.txt", "b.txt"}));
  EXPECT_EQ(ModeOf(this->Root("perm/a.txt")), 0640);
  EXPECT_EQ(ModeOf(this->Root("perm/b.txt")), 0600);

  this->h->client->LocalFileName = "750";
  this->h->client->HostFileNames.Add("dir", TFTPNameList::kFolder);
  this->h->client->HostFileNames.Add("b.txt", TFTPNameList::kFile);
  this->Expect(&TThreadedFTPClient::ChangePermsRecursive, ftpResultOk);
  for (const char* path : {"perm/dir", "perm/dir/inner.txt", "perm/dir/deeper",
                           "perm/dir/deeper/leaf.txt", "perm/b.txt"}) {
    EXPECT_EQ(ModeOf(this->Root(path)), 0750) << path;
  }
  EXPECT_EQ(ModeOf(this->Root("perm/a.txt")), 0640);
}

TYPED_TEST(ClientRealServer, MovesRenamesCaseQuotesAndQuits) {
  for (const char* name : {"one.txt", "two.txt", "MiXed.Txt", "Other.TXT"}) {
    WriteFile(this->Root(QStringLiteral("ren/") + name), name);
  }
  QDir().mkpath(this->Root("ren/target"));
  WriteFile(this->Root("ren/target/two.txt"), "already there");
  for (const char* folder : {"ren", "ren/target"}) {
    QFile::setPermissions(this->Root(folder), QFile::Permissions(0x7777));
  }
  this->Connect();

  QStringList left;
  this->OnDone(&TThreadedFTPClient::OnMoveDone,
               [&](TThreadedFTPClient* c) { left = c->HostFileNames.ToStringList(); });
  this->h->client->HostDirName = "/ren";
  this->h->client->LocalDirName = "/ren/target/";
  this->h->client->HostFileNames.Add("one.txt");
  this->h->client->HostFileNames.Add("missing.txt");
  this->Expect(&TThreadedFTPClient::Move, ftpResultFailed);
  EXPECT_EQ(left, QStringList{"missing.txt"});
  EXPECT_EQ(ReadFile(this->Root("ren/target/one.txt")), "one.txt");
  EXPECT_TRUE(this->h->client->HostFileNames.IsEmpty()) << "cleared after the done event";

  struct Case {
    void (TThreadedFTPClient::*request)();
    const char* name;
    const char* renamed;
  } cases[] = {{&TThreadedFTPClient::Uppercase, "MiXed.Txt", "MIXED.TXT"},
               {&TThreadedFTPClient::Lowercase, "Other.TXT", "other.txt"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.renamed);
    this->h->client->HostFileNames.Add(c.name);
    this->Expect(c.request, ftpResultOk);
    EXPECT_EQ(ReadFile(this->Root(QStringLiteral("ren/") + c.renamed)), c.name);
    EXPECT_FALSE(QFileInfo::exists(this->Root(QStringLiteral("ren/") + c.name)));
  }

  struct Quote {
    const char* line;
    quint8 result;
  } quotes[] = {{"NOOP", ftpResultOk}, {"HELP", ftpResultOk}, {"XYZZY", ftpResultFailed}};
  for (const Quote& q : quotes) {
    SCOPED_TRACE(q.line);
    this->h->client->LocalFileName = q.line;
    this->Expect(&TThreadedFTPClient::Quote, q.result);
  }

  this->h->lines.clear();
  this->Expect(&TThreadedFTPClient::Quit, ftpResultOk);
  EXPECT_TRUE(this->h->lines.contains("> QUIT")) << this->Log();
  EXPECT_TRUE(this->h->lines.filter(QRegularExpression("^< 221")).size() == 1) << this->Log();
  // The next request reconnects.
  this->h->lines.clear();
  this->Expect(&TThreadedFTPClient::GetFolder, ftpResultOk);
  EXPECT_TRUE(this->h->lines.contains("~ Connection closed. Reconnecting...")) << this->Log();
}

TYPED_TEST(ClientRealServer, AbortDuringALongDownloadAndReconnect) {
  {
    QFile big(this->Root("big.bin"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(qint64(3) << 30));  // sparse, above 2 GiB
  }
  this->Connect();
  int progress = 0;
  qint64 lastPosition = -1;
  this->h->client->OnTransferStatus = [&](TThreadedFTPClient* c, qint64 position, qint64, double) {
    lastPosition = position;
    if (++progress == 1) c->Abort();
  };
  this->h->lines.clear();
  this->h->client->HostFileName = "/big.bin";
  // Progress comes once a second: keep that second's gigabyte off the disk.
  this->h->client->LocalFileName = "/dev/null";
  this->Expect(&TThreadedFTPClient::DownloadFile, ftpResultAborted);
  EXPECT_GE(progress, 1);
  EXPECT_EQ(this->h->client->FileSize, qint64(3) << 30);
  EXPECT_GT(lastPosition, 0);
  EXPECT_LT(lastPosition, qint64(3) << 30);
  EXPECT_TRUE(this->h->lines.contains("! Operation aborted.")) << this->Log();
  EXPECT_EQ(this->h->client->LastError, "! Operation aborted.");
  EXPECT_FALSE(this->h->client->Busy);

  this->h->client->OnTransferStatus = nullptr;
  this->h->lines.clear();
  this->Expect(&TThreadedFTPClient::GetFolder, ftpResultOk);
  EXPECT_EQ(this->h->lines.value(1), "~ Connection closed. Reconnecting...") << this->Log();
  EXPECT_EQ(this->h->client->ServerFolder(), "/");
}

TYPED_TEST(ClientRealServer, DownloadTreeFetchesAFolderOnceThroughLinksBackIntoTheTree) {
  struct Case {
    const char* link;  // inside loop/sub
    const char* target;
  } cases[] = {{"up", ".."}, {"self", "."}, {"top", "../../loop"}};
  WriteFile(this->Root("loop/top.txt"), "top");
  WriteFile(this->Root("loop/sub/inner.txt"), "inner");
  this->Connect();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link);
    ASSERT_TRUE(QFile::link(c.target, this->Root(QStringLiteral("loop/sub/") + c.link)));
    const QString target = this->Local(QStringLiteral("dl-") + c.link);
    QDir().mkpath(target);
    this->h->lines.clear();
    this->h->client->HostFileNames.Add("/loop", TFTPNameList::kFolder);
    this->h->client->LocalFileNames.Add(target + "/loop", TFTPNameList::kFolder);
    this->Expect(&TThreadedFTPClient::Downloads, ftpResultOk, 8000);
    EXPECT_EQ(FilesBelow(target), "loop/sub/inner.txt,loop/top.txt") << this->Log();
    EXPECT_EQ(this->h->lines.filter("link not followed").size(), 1) << this->Log();
    QFile::remove(this->Root(QStringLiteral("loop/sub/") + c.link));
  }
}

// pyftpdlib reports folders by the path entered and shows a link's target as the host path,
// so neither names the folder a link leads to: the number of links followed bounds the walk.
using ClientPyFtpd = ClientRealServer<PyFtpdServer>;
TEST_F(ClientPyFtpd, DownloadTreeEndsOnALoopItCannotRecognise) {
  WriteFile(Root("loop/top.txt"), "top");
  QDir().mkpath(Root("loop/sub"));
  ASSERT_TRUE(QFile::link(QFileInfo(Root("loop")).canonicalFilePath(), Root("loop/sub/back")));
  Connect();
  QDir().mkpath(Local("dl"));
  h->client->HostFileNames.Add("/loop", TFTPNameList::kFolder);
  h->client->LocalFileNames.Add(Local("dl/loop"), TFTPNameList::kFolder);
  Expect(&TThreadedFTPClient::Downloads, ftpResultOk, 8000);
  EXPECT_EQ(h->lines.filter("lies behind too many links").size(), 1) << Log();
  QString deepest = "loop";
  for (int i = 0; i < 8; ++i) deepest += "/sub/back";
  EXPECT_TRUE(QFileInfo::exists(Local("dl/" + deepest + "/top.txt")));
  EXPECT_FALSE(QFileInfo::exists(Local("dl/" + deepest + "/sub/back")));
}

}  // namespace
