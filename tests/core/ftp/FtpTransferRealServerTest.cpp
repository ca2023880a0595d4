// Transfers against real servers: pyftpdlib and vsftpd on 127.0.0.1, passive and active,
// binary and ASCII, resume with REST and APPE, and a resume above 4 GiB.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include "core/ftp/EngineRecorder.h"
#include "support/FtpFixtures.h"
#include "support/TestPaths.h"

using enginetest::EngineRecorder;

namespace {

int RunRequest(EngineRecorder& r, void (TCustomFtpClientEx::*op)(), int timeoutMs = 10000) {
  const int before = static_cast<int>(r.done.size());
  (r.engine.*op)();
  if (!r.WaitDone(before + 1, timeoutMs)) return -1;
  return r.done.last().error;
}

QByteArray RandomBytes(int size) {
  QByteArray bytes(size, Qt::Uninitialized);
  QRandomGenerator generator(size);
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(generator.bounded(256));
  return bytes;
}

struct Peer {
  quint16 port;
  QString user;
  QString password;
  QString root;
};

// Logs in; false (with a failure recorded) when that does not work.
bool Login(EngineRecorder& r, const Peer& peer) {
  r.engine.HostName = QStringLiteral("127.0.0.1");
  r.engine.Port = QString::number(peer.port);
  r.engine.UserName = peer.user;
  r.engine.PassWord = peer.password;
  const int error = RunRequest(r, &TCustomFtpClientEx::ConnectAsync);
  EXPECT_EQ(error, 0) << r.display.join(QLatin1Char('\n')).toStdString();
  return error == 0;
}

void RunTransfers(const Peer& peer, bool passive) {
  SCOPED_TRACE(passive ? "passive" : "active");
  auto local = testsupport::MakeTempDir();
  EngineRecorder r;
  auto& e = r.engine;
  const auto log = [&r] { return r.display.join(QLatin1Char('\n')).toStdString(); };
  ASSERT_TRUE(Login(r, peer));
  e.SetPassive(passive);
  const QString prefix = passive ? QStringLiteral("p-") : QStringLiteral("a-");

  // Binary upload and download of the same bytes.
  const QByteArray binary = RandomBytes(700000);
  ASSERT_TRUE(testsupport::WriteFile(local->filePath(QStringLiteral("up.bin")), binary));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::TypeBinaryAsync), 0) << log();
  e.HostFileName = prefix + QStringLiteral("data.bin");
  e.SetLocalFileName(local->filePath(QStringLiteral("up.bin")));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync), 0) << log();
  EXPECT_EQ(testsupport::ReadFile(QDir(peer.root).filePath(e.HostFileName)), binary);
  e.SetLocalFileName(local->filePath(QStringLiteral("down.bin")));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 0) << log();
  EXPECT_EQ(testsupport::ReadFile(local->filePath(QStringLiteral("down.bin"))), binary);

  // Resume a download with REST: the local file holds the first part.
  ASSERT_TRUE(
      testsupport::WriteFile(local->filePath(QStringLiteral("part.bin")), binary.left(123457)));
  e.SetLocalFileName(local->filePath(QStringLiteral("part.bin")));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::RestGetAsync), 0) << log();
  EXPECT_EQ(testsupport::ReadFile(local->filePath(QStringLiteral("part.bin"))), binary);
  EXPECT_TRUE(
      r.DisplayWithPrefix(QStringLiteral("! %1 bytes").arg(binary.size() - 123457)).size() == 1)
      << log();

  // Resume an upload with APPE: the server holds the first part (stored through the server,
  // so that it owns the file).
  e.HostFileName = prefix + QStringLiteral("append.bin");
  ASSERT_TRUE(
      testsupport::WriteFile(local->filePath(QStringLiteral("first.bin")), binary.left(200000)));
  e.SetLocalFileName(local->filePath(QStringLiteral("first.bin")));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync), 0) << log();
  e.SetLocalFileName(local->filePath(QStringLiteral("up.bin")));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::SizeAsync), 0) << log();
  e.ResumeAt = e.SizeResult;
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::AppendAsync), 0) << log();
  EXPECT_EQ(testsupport::ReadFile(QDir(peer.root).filePath(e.HostFileName)), binary);

  // ASCII: lines go out and come back with CRLF whatever the server stores.
  const QByteArray text = "first line\r\nsecond line\r\n\r\nlast\r\n";
  ASSERT_TRUE(testsupport::WriteFile(local->filePath(QStringLiteral("up.txt")), text));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::TypeAsciiAsync), 0) << log();
  e.HostFileName = prefix + QStringLiteral("text.txt");
  e.SetLocalFileName(local->filePath(QStringLiteral("up.txt")));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::PutAsync), 0) << log();
  const QByteArray stored = testsupport::ReadFile(QDir(peer.root).filePath(e.HostFileName));
  EXPECT_TRUE(stored == text || stored == QByteArray(text).replace("\r\n", "\n"))
      << stored.toStdString();
  e.SetLocalFileName(local->filePath(QStringLiteral("down.txt")));
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 0) << log();
  EXPECT_EQ(testsupport::ReadFile(local->filePath(QStringLiteral("down.txt"))), text);

  // Listings into a memory stream.
  for (auto op : {&TCustomFtpClientEx::DirAsync, &TCustomFtpClientEx::LsAsync}) {
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    e.HostFileName.clear();
    e.LsOption = op == &TCustomFtpClientEx::LsAsync ? QString() : QStringLiteral("-a");
    e.SetLocalStream(&buffer);
    ASSERT_EQ(RunRequest(r, op), 0) << log();
    e.SetLocalStream(nullptr);
    EXPECT_TRUE(buffer.data().contains((prefix + QStringLiteral("data.bin")).toUtf8()))
        << buffer.data().toStdString();
    EXPECT_TRUE(buffer.data().contains((prefix + QStringLiteral("text.txt")).toUtf8()));
  }

  // A file the server does not have.
  e.HostFileName = QStringLiteral("missing.bin");
  e.SetLocalFileName(local->filePath(QStringLiteral("missing.bin")));
  EXPECT_EQ(RunRequest(r, &TCustomFtpClientEx::GetAsync), 550) << log();
  EXPECT_EQ(e.State(), ftpStateReady);
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::QuitAsync), 0) << log();
}

// A sparse file of more than 4 GiB on the server; only the tail travels.
void RunResumeAbove4GiB(const Peer& peer) {
  constexpr qint64 kOffset = (qint64(4) << 30) + 1000;
  constexpr qint64 kSize = kOffset + (1 << 20);
  // A marker just after the offset and one at the end; the range between stays a hole.
  const QByteArray tail = RandomBytes(11345);
  QFile remote(QDir(peer.root).filePath(QStringLiteral("huge.bin")));
  ASSERT_TRUE(remote.open(QIODevice::WriteOnly));
  ASSERT_TRUE(remote.resize(kSize));
  const QByteArray head = RandomBytes(4096);
  ASSERT_TRUE(remote.seek(kOffset));
  ASSERT_EQ(remote.write(head), head.size());
  ASSERT_TRUE(remote.seek(kSize - tail.size()));
  ASSERT_EQ(remote.write(tail), tail.size());
  remote.close();

  auto local = testsupport::MakeTempDir();
  const QString localPath = local->filePath(QStringLiteral("huge.bin"));
  QFile part(localPath);
  ASSERT_TRUE(part.open(QIODevice::WriteOnly));
  ASSERT_TRUE(part.resize(kOffset));
  part.close();

  EngineRecorder r;
  ASSERT_TRUE(Login(r, peer));
  QList<qint64> positions;
  r.engine.OnProgress = [&positions](TCustomFtpClientEx*, qint64 count, bool&) {
    positions << count;
  };
  r.engine.SetPassive(true);
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::TypeBinaryAsync), 0);
  r.engine.HostFileName = QStringLiteral("huge.bin");
  r.engine.SetLocalFileName(localPath);
  ASSERT_EQ(RunRequest(r, &TCustomFtpClientEx::RestGetAsync, 60000), 0)
      << r.display.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(r.display.contains(QStringLiteral("> REST %1").arg(kOffset)));
  ASSERT_FALSE(positions.isEmpty());
  EXPECT_GE(positions.first(), kOffset);
  EXPECT_EQ(positions.last(), kSize);
  QFile result(localPath);
  ASSERT_TRUE(result.open(QIODevice::ReadOnly));
  EXPECT_EQ(result.size(), kSize);
  ASSERT_TRUE(result.seek(kOffset));
  EXPECT_EQ(result.read(head.size()), head);
  ASSERT_TRUE(result.seek(kSize - tail.size()));
  EXPECT_EQ(result.read(tail.size()), tail);
}

class PyFtpdTransfer : public testsupport::PyFtpdFixture {
 protected:
  Peer ThePeer() const {
    return {server.Port(), server.User(), server.Password(), server.RootPath()};
  }
};
class VsftpdTransfer : public testsupport::VsftpdFixture {
 protected:
  Peer ThePeer() const {
    return {server.Port(), server.User(), server.Password(), server.RootPath()};
  }
};

TEST_F(PyFtpdTransfer, PassiveAndActive) {
  RunTransfers(ThePeer(), true);
  RunTransfers(ThePeer(), false);
}

TEST_F(PyFtpdTransfer, ResumeAbove4GiB) {
  RunResumeAbove4GiB(ThePeer());
}

TEST_F(VsftpdTransfer, PassiveAndActive) {
  RunTransfers(ThePeer(), true);
  RunTransfers(ThePeer(), false);
}

TEST_F(VsftpdTransfer, ResumeAbove4GiB) {
  RunResumeAbove4GiB(ThePeer());
}

}  // namespace
