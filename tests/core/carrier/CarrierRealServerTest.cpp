// Downloads, uploads, explores, resumes, failures and aborts of carriers against real servers,
// and a queue of real carriers walking a remote folder tree.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <functional>

#include "CarrierRun.h"
#include "core/carrier/CarrierQueue.h"
#include "core/carrier/ThreadedFTPCarrier.h"
#include "core/settings/GlobalOptions.h"
#include "support/PyFtpdServer.h"
#include "support/TestPaths.h"
#include "support/VsftpdServer.h"

using namespace testsupport;

namespace {

// A running real server, whichever kind.
struct Peer {
  QString name;
  quint16 port = 0;
  QString root;
  QString user;
  QString password;

  void Source(TThreadedFTPCarrier& c) const {
    c.SrcHostName = "127.0.0.1";
    c.SrcPort = QString::number(port);
    c.SrcUserName = user;
    c.SrcPassword = password;
  }
  void Destination(TThreadedFTPCarrier& c) const {
    c.DestHostName = "127.0.0.1";
    c.DestPort = QString::number(port);
    c.DestUserName = user;
    c.DestPassword = password;
  }
  // vsftpd writes as another user than the tests: what it must change is open to all.
  bool Put(const QString& relative, const QByteArray& bytes) const {
    const QString path = root + "/" + relative;
    if (!WriteFile(path, bytes)) return false;
    for (QString dir = QFileInfo(path).path(); dir.startsWith(root) && dir != root;
         dir = QFileInfo(dir).path()) {
      QFile::setPermissions(dir, QFile::Permissions(0x7777));
    }
    return QFile::setPermissions(path, QFile::Permissions(0x6666));
  }
};

// Runs `body` against pyftpdlib and then vsftpd; a server that cannot start fails the test.
void ForEachServer(const std::function<void(const Peer&)>& body) {
  {
    PyFtpdServer py;
    QString error;
    ASSERT_TRUE(py.Start(&error)) << error.toStdString();
    SCOPED_TRACE("pyftpdlib");
    body(Peer{"pyftpdlib", py.Port(), py.RootPath(), PyFtpdServer::User(),
              PyFtpdServer::Password()});
  }
  {
    VsftpdServer vs;
    QString error;
    ASSERT_TRUE(vs.Start(&error)) << error.toStdString();
    SCOPED_TRACE("vsftpd");
    body(Peer{"vsftpd", vs.Port(), vs.RootPath(), VsftpdServer::User(), VsftpdServer::Password()});
  }
}

QByteArray Pattern(int size, int seed) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = char((i * 131 + seed * 17 + i / 251) & 0xFF);
  return bytes;
}

QString Slash(const QString& localFolder) {
  return localFolder + QDir::separator();
}

TEST(CarrierRealServers, DownloadUploadAndExploreWithContent) {
  ForEachServer([](const Peer& peer) {
    const QByteArray remoteBytes = Pattern(300000, 1);
    ASSERT_TRUE(peer.Put("d/b.bin", remoteBytes));
    ASSERT_TRUE(peer.Put("d/a.txt", "alpha\n"));
    ASSERT_TRUE(peer.Put("d/sub/c.txt", "gamma"));
    auto local = MakeTempDir("carrier-real");

    {
      SCOPED_TRACE("download");
      CarrierRun run;
      peer.Source(run.carrier);
      run.carrier.FileName = "b.bin";
      run.carrier.SrcPath = "/d/";
      run.carrier.DestPath = Slash(local->path());
      ASSERT_TRUE(run.Run(TCarryRequest::CarryDownload)) << run.Log();
      EXPECT_EQ(run.carrier.LastResult, 0) << run.carrier.LastError.toStdString();
      EXPECT_EQ(ReadFile(local->filePath("b.bin")), remoteBytes);
    }
    {
      SCOPED_TRACE("upload");
      const QByteArray upBytes = Pattern(200001, 2);
      ASSERT_TRUE(WriteFile(local->filePath("up.bin"), upBytes));
      CarrierRun run;
      peer.Destination(run.carrier);
      run.carrier.FileName = "up.bin";
      run.carrier.SrcPath = Slash(local->path());
      run.carrier.DestPath = "/d/";
      ASSERT_TRUE(run.Run(TCarryRequest::CarryUpload)) << run.Log();
      EXPECT_EQ(run.carrier.LastResult, 0) << run.carrier.LastError.toStdString();
      EXPECT_EQ(ReadFile(peer.root + "/d/up.bin"), upBytes);
    }
    {
      SCOPED_TRACE("explore download");
      CarrierRun run;
      peer.Source(run.carrier);
      run.carrier.FileName = "d";
      run.carrier.SrcPath = "/";
      run.carrier.DestPath = Slash(local->filePath("into"));
      ASSERT_TRUE(QDir().mkpath(local->filePath("into")));
      ASSERT_TRUE(run.Run(TCarryRequest::ExploreDownload)) << run.Log();
      EXPECT_EQ(run.carrier.LastResult, 0) << run.carrier.LastError.toStdString();
      EXPECT_TRUE(QFileInfo(local->filePath("into/d")).isDir());
      ASSERT_EQ(run.found.size(), 4u) << run.Log();  // a.txt, b.bin, up.bin, sub
      const TFTPCarryItem* b = run.Found("b.bin");
      const TFTPCarryItem* sub = run.Found("sub");
      ASSERT_TRUE(b && sub);
      EXPECT_EQ(b->IsFolder, 0);
      EXPECT_EQ(b->FileSize, remoteBytes.size());
      EXPECT_EQ(b->SrcPath, "/d/");
      EXPECT_EQ(b->DestPath, Slash(local->filePath("into/d")));
      EXPECT_EQ(b->SrcPort, QString::number(peer.port));
      EXPECT_EQ(b->Direction, carryDownload);
      EXPECT_EQ(sub->CommandText(), "Explore");
    }
    {
      SCOPED_TRACE("explore upload");
      ASSERT_TRUE(WriteFile(local->filePath("tree/x.txt"), "x"));
      ASSERT_TRUE(QDir().mkpath(local->filePath("tree/inner")));
      CarrierRun run;
      peer.Destination(run.carrier);
      run.carrier.FileName = "tree";
      run.carrier.SrcPath = Slash(local->path());
      run.carrier.DestPath = "/";
      ASSERT_TRUE(run.Run(TCarryRequest::ExploreUpload)) << run.Log();
      EXPECT_EQ(run.carrier.LastResult, 0) << run.carrier.LastError.toStdString();
      EXPECT_TRUE(QFileInfo(peer.root + "/tree").isDir());
      ASSERT_EQ(run.found.size(), 2u);
      const TFTPCarryItem* x = run.Found("x.txt");
      ASSERT_TRUE(x);
      EXPECT_EQ(x->DestPath, "/tree/");
      EXPECT_EQ(x->FileSize, 1);
      EXPECT_EQ(x->DestPort, QString::number(peer.port));
      ASSERT_TRUE(run.Found("inner"));
      EXPECT_EQ(run.Found("inner")->IsFolder, 1);
    }
  });
}

TEST(CarrierRealServers, ResumeContinuesFromThePartialCopy) {
  ForEachServer([](const Peer& peer) {
    const QByteArray whole = Pattern(150000, 3);
    // The partial copies hold other bytes than the source's start, so the result shows whether
    // the carrier really continued from their end.
    const QByteArray stale(400, 'Z');
    const QByteArray resumed = stale + whole.mid(400);
    auto local = MakeTempDir("carrier-resume");
    struct Case {
      const char* what;
      bool upload;
      bool partial;
      QByteArray expected;
      const char* command;
    } cases[] = {
        {"upload onto a 400-byte remote copy", true, true, resumed, "APPE /r/u.bin"},
        {"upload without a remote copy", true, false, whole, "STOR /r/u.bin"},
        {"download onto a 400-byte local copy", false, true, resumed, "REST 400"},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      const QString remoteFile = peer.root + (c.upload ? "/r/u.bin" : "/r/g.bin");
      const QString localFile = local->filePath(c.upload ? "u.bin" : "g.bin");
      QFile::remove(remoteFile);
      QFile::remove(localFile);
      ASSERT_TRUE(peer.Put(c.upload ? "r/keep" : "r/g.bin", c.upload ? QByteArray() : whole));
      if (c.upload) {
        ASSERT_TRUE(WriteFile(localFile, whole));
        if (c.partial) {
          ASSERT_TRUE(peer.Put("r/u.bin", stale));
        }
      } else if (c.partial) {
        ASSERT_TRUE(WriteFile(localFile, stale));
      }
      CarrierRun run;
      run.carrier.ResumeTransfer = true;
      run.carrier.FileName = c.upload ? "u.bin" : "g.bin";
      if (c.upload) {
        peer.Destination(run.carrier);
        run.carrier.SrcPath = Slash(local->path());
        run.carrier.DestPath = "/r/";
      } else {
        peer.Source(run.carrier);
        run.carrier.SrcPath = "/r/";
        run.carrier.DestPath = Slash(local->path());
      }
      ASSERT_TRUE(run.Run(c.upload ? TCarryRequest::CarryUpload : TCarryRequest::CarryDownload))
          << run.Log();
      EXPECT_EQ(run.carrier.LastResult, 0) << run.carrier.LastError.toStdString() << run.Log();
      EXPECT_TRUE(run.lines.contains("> [127.0.0.1]: " + QString(c.command))) << run.Log();
      const QByteArray got = ReadFile(c.upload ? remoteFile : localFile);
      EXPECT_EQ(got.size(), c.expected.size());
      EXPECT_TRUE(got == c.expected);
    }
  });
}

TEST(CarrierRealServers, LocalSideFailuresEndWithAClearError) {
  PyFtpdServer py;
  QString error;
  ASSERT_TRUE(py.Start(&error)) << error.toStdString();
  const Peer peer{"pyftpdlib", py.Port(), py.RootPath(), PyFtpdServer::User(),
                  PyFtpdServer::Password()};
  ASSERT_TRUE(peer.Put("f.bin", Pattern(5000, 4)));
  ASSERT_TRUE(peer.Put("dir/g.txt", "g"));
  auto local = MakeTempDir("carrier-fail");
  // Tests run as root, so a mode cannot make a path unwritable: a plain file stands where a
  // folder is needed instead.
  const QString blocker = local->filePath("plain-file");
  ASSERT_TRUE(WriteFile(blocker, "not a folder"));
  struct Case {
    const char* what;
    TCarryRequest request;
    QString fileName;
    QString srcPath;
    QString destPath;
    const char* errorPart;  // a piece of LastError that names the cause
  } cases[] = {
      {"download into a folder that is a file", TCarryRequest::CarryDownload, "f.bin", "/",
       Slash(blocker), "f.bin"},
      {"download into a missing folder", TCarryRequest::CarryDownload, "f.bin", "/",
       Slash(local->filePath("missing/deeper")), "f.bin"},
      {"explore download where the local folder cannot be made", TCarryRequest::ExploreDownload,
       "dir", "/", Slash(blocker), "Cannot create folder"},
      {"upload of a missing local file", TCarryRequest::CarryUpload, "nothing.bin",
       Slash(local->path()), "/", "nothing.bin"},
      {"explore upload of a missing local folder", TCarryRequest::ExploreUpload, "gone",
       Slash(local->path()), "/", "gone"},
      {"explore upload of a file instead of a folder", TCarryRequest::ExploreUpload, "plain-file",
       Slash(local->path()), "/", "plain-file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CarrierRun run;
    peer.Source(run.carrier);
    peer.Destination(run.carrier);
    run.carrier.FileName = c.fileName;
    run.carrier.SrcPath = c.srcPath;
    run.carrier.DestPath = c.destPath;
    ASSERT_TRUE(run.Run(c.request, 10000)) << run.Log();
    EXPECT_EQ(run.carrier.LastResult, 1) << run.Log();
    EXPECT_TRUE(run.carrier.LastError.contains(c.errorPart)) << run.carrier.LastError.toStdString();
    EXPECT_TRUE(run.found.empty());
  }
  EXPECT_FALSE(QFileInfo::exists(py.RootPath() + "/gone"));
}

TEST(CarrierRealServers, AbortDuringATransfer) {
  ForEachServer([](const Peer& peer) {
    auto local = MakeTempDir("carrier-abort");
    // Sparse 2 GiB files: zeros flow as fast as they can and never end first.
    ASSERT_TRUE(peer.Put("huge.bin", QByteArray()));
    ASSERT_TRUE(QFile(peer.root + "/huge.bin").resize(qint64(2) << 30));
    ASSERT_TRUE(WriteFile(local->filePath("huge-up.bin"), QByteArray()));
    ASSERT_TRUE(QFile(local->filePath("huge-up.bin")).resize(qint64(2) << 30));
    for (const bool upload : {false, true}) {
      SCOPED_TRACE(upload ? "upload" : "download");
      CarrierRun run;
      run.carrier.FileName = upload ? "huge-up.bin" : "huge.bin";
      if (upload) {
        peer.Destination(run.carrier);
        run.carrier.SrcPath = Slash(local->path());
        run.carrier.DestPath = "/";
      } else {
        peer.Source(run.carrier);
        run.carrier.SrcPath = "/";
        run.carrier.DestPath = Slash(local->path());
      }
      const QString target = upload ? peer.root + "/huge-up.bin" : local->filePath("huge.bin");
      run.carrier.Start(upload ? TCarryRequest::CarryUpload : TCarryRequest::CarryDownload);
      // Abort once data flows, long before the end.
      ASSERT_TRUE(Pump([&] { return QFileInfo(target).size() > (1 << 20) || run.done; }, 10000))
          << run.Log();
      ASSERT_FALSE(run.done) << run.Log();
      run.carrier.AbortCarry();
      ASSERT_TRUE(Pump([&] { return run.done; }, 5000));
      EXPECT_EQ(run.carrier.LastResult, 2);
      EXPECT_EQ(run.carrier.LastError, "! [127.0.0.1]: Operation aborted.");
      // The data connection is gone: once what was in flight has landed, the copy stops
      // growing well short of the end.
      qint64 size = -1;
      const bool settled = Pump(
          [&] {
            const qint64 before = QFileInfo(target).size();
            Pump([] { return false; }, 150);
            size = QFileInfo(target).size();
            return size == before;
          },
          3000);
      EXPECT_TRUE(settled) << size;
      EXPECT_LT(size, qint64(1) << 30);
    }
  });
}

TEST(CarrierRealServers, QueueOfRealCarriersDownloadsAFolderTree) {
  ForEachServer([](const Peer& peer) {
    const std::vector<std::pair<QString, QByteArray>> files = {
        {"tree/a.bin", Pattern(70000, 5)},       {"tree/b.txt", "bee\n"},
        {"tree/sub/c.bin", Pattern(12345, 6)},   {"tree/sub/deeper/d.bin", Pattern(1, 7)},
        {"tree/sub/deeper/e.bin", QByteArray()}, {"tree/other/f.bin", Pattern(4096, 8)},
    };
    for (const auto& [path, bytes] : files) ASSERT_TRUE(peer.Put(path, bytes));
    auto local = MakeTempDir("carrier-queue");

    TGlobalOptions options;
    TCarrierQueue queue([] { return std::make_unique<TThreadedFTPCarrier>(); }, options);
    queue.SetMaxCarrier(3);
    int maxRunning = 0;
    queue.OnListsChanged = [&] { maxRunning = std::max(maxRunning, queue.RunningCount()); };
    auto item = std::make_unique<TFTPCarryItem>();
    item->IsFolder = 1;
    item->Direction = carryDownload;
    item->FileName = "tree";
    item->SrcHostName = "127.0.0.1";
    item->SrcPort = QString::number(peer.port);
    item->SrcUserName = peer.user;
    item->SrcPassword = peer.password;
    item->SrcPath = "/";
    item->DestPath = Slash(local->path());
    item->SrcTransferType = ftpTypeBinary;
    queue.AddItem(std::move(item));
    queue.RunQueue();
    ASSERT_TRUE(Pump([&] { return queue.Queue().empty() && queue.RunningCount() == 0; }, 30000))
        << queue.RunningCount() << " running, " << queue.Queue().size() << " queued";
    for (const auto& row : queue.Fail()) ADD_FAILURE() << row.ErrorMessage.toStdString();
    // Four folders explored and six files carried, each exactly once.
    EXPECT_EQ(queue.Success().size(), 10u);
    EXPECT_LE(maxRunning, 3);
    EXPECT_GE(maxRunning, 2);
    for (const auto& [path, bytes] : files) {
      SCOPED_TRACE(path.toStdString());
      EXPECT_TRUE(QFileInfo::exists(local->filePath(path)));
      EXPECT_TRUE(ReadFile(local->filePath(path)) == bytes);
    }
    QStringList names;
    for (const auto& row : queue.Success()) names << row.FileName;
    names.sort();
    EXPECT_EQ(names.join(','), "a.bin,b.txt,c.bin,d.bin,deeper,e.bin,f.bin,other,sub,tree");
    // Let the finished carriers' workers end before the queue goes.
    Pump([] { return false; }, 50);
  });
}

TEST(CarrierRealServers, ServerToServerResumeAppendsToThePartialCopy) {
  PyFtpdServer::Options options;
  options.permitForeignAddresses = true;
  PyFtpdServer a, b;
  QString error;
  ASSERT_TRUE(a.Start(options, &error)) << error.toStdString();
  ASSERT_TRUE(b.Start(options, &error)) << error.toStdString();
  const Peer src{"a", a.Port(), a.RootPath(), PyFtpdServer::User(), PyFtpdServer::Password()};
  const Peer dest{"b", b.Port(), b.RootPath(), PyFtpdServer::User(), PyFtpdServer::Password()};
  const QByteArray whole = Pattern(250000, 9);
  const QByteArray stale(1000, 'Q');
  ASSERT_TRUE(src.Put("s.bin", whole));
  ASSERT_TRUE(dest.Put("s.bin", stale));
  CarrierRun run;
  src.Source(run.carrier);
  dest.Destination(run.carrier);
  run.carrier.FileName = "s.bin";
  run.carrier.SrcPath = run.carrier.DestPath = "/";
  run.carrier.ResumeTransfer = true;
  ASSERT_TRUE(run.Run(TCarryRequest::CarryServerToServer)) << run.Log();
  EXPECT_EQ(run.carrier.LastResult, 0) << run.carrier.LastError.toStdString() << run.Log();
  EXPECT_TRUE(run.lines.contains("> [127.0.0.1]: REST 1000")) << run.Log();
  EXPECT_TRUE(run.lines.contains("> [127.0.0.1]: APPE /s.bin")) << run.Log();
  const QByteArray got = ReadFile(dest.root + "/s.bin");
  EXPECT_EQ(got.size(), whole.size());
  EXPECT_TRUE(got == stale + whole.mid(1000));
}

}  // namespace
