#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimeZone>

#include "core/common/WireText.h"
#include "core/ftp/DecodeFTPListFile.h"
#include "support/FtpFixtures.h"
#include "support/PlainFtpSocket.h"
#include "support/TestPaths.h"

namespace {

using testsupport::PlainFtpSocket;

// Both servers write listing times in UTC; these are the times the files get.
const QDateTime kRecent = QDateTime::currentDateTimeUtc().addDays(-3);
const QDateTime kOld(QDate(2001, 6, 15), QTime(12, 0), QTimeZone::utc());

void SetTime(const QString& path, const QDateTime& time) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
  ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
}

// A folder with files, folders, a link, names with blanks and a file of another year.
void MakeFolder(const QString& root) {
  const QString folder = root + QStringLiteral("/listing");
  ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub dir")));
  ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/sub2")));
  const std::pair<QString, QByteArray> files[] = {
      {QStringLiteral("plain.txt"), QByteArray(1234, 'x')},
      {QStringLiteral("name with  blanks.txt"), QByteArray(10, 'y')},
      {QStringLiteral("a -> b.txt"), QByteArray(3, 'z')},
      {QStringLiteral("old.dat"), QByteArray(7, 'o')},
      {QString::fromUtf8("café ü.txt"), QByteArray(4, 'u')},
  };
  for (const auto& [name, bytes] : files) {
    ASSERT_TRUE(testsupport::WriteFile(folder + u'/' + name, bytes));
    SetTime(folder + u'/' + name, name == QStringLiteral("old.dat") ? kOld : kRecent);
  }
  ASSERT_TRUE(QFile::link(QStringLiteral("plain.txt"), folder + QStringLiteral("/link")));
}

// Logs in, lists `path` over a passive data connection in ASCII type, returns the listing.
QByteArray FetchListing(PlainFtpSocket& ftp, quint16 port, const QString& user,
                        const QString& password, const QByteArray& path) {
  EXPECT_TRUE(ftp.Connect(port));
  EXPECT_TRUE(ftp.ReadReply().startsWith("220"));
  EXPECT_TRUE(ftp.Command("USER " + user.toUtf8()).startsWith("331"));
  EXPECT_TRUE(ftp.Command("PASS " + password.toUtf8()).startsWith("230"));
  EXPECT_TRUE(ftp.Command("TYPE A").startsWith("200"));
  EXPECT_TRUE(ftp.Command("CWD " + path).startsWith("250"));
  const QByteArray pasv = ftp.Command("PASV");
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("\\((\\d+),(\\d+),(\\d+),(\\d+),(\\d+),(\\d+)\\)"))
          .match(QString::fromLatin1(pasv));
  if (!m.hasMatch()) {
    ADD_FAILURE() << "PASV: " << pasv.constData();
    return {};
  }
  QTcpSocket data;
  data.connectToHost(QHostAddress::LocalHost,
                     quint16(m.captured(5).toInt() * 256 + m.captured(6).toInt()));
  EXPECT_TRUE(data.waitForConnected(5000));
  const QByteArray started = ftp.Command("LIST");
  EXPECT_TRUE(started.startsWith("150") || started.startsWith("125")) << started.constData();
  QByteArray listing;
  const QDeadlineTimer deadline(5000);
  while (data.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
    data.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    listing += data.readAll();
  }
  listing += data.readAll();
  EXPECT_FALSE(deadline.hasExpired()) << "the data connection did not close";
  EXPECT_TRUE(ftp.ReadReply().startsWith("226"));
  return listing;
}

const TFTPListItem* Find(const TFTPListItems& items, const QString& name) {
  for (int i = 0; i < items.Count(); ++i) {
    if (items[i]->Name == name) return items[i];
  }
  return nullptr;
}

void CheckFolder(const QByteArray& listing, const TFTPListItems& items) {
  SCOPED_TRACE(listing.constData());
  const TFTPListItem* plain = Find(items, QStringLiteral("plain.txt"));
  ASSERT_NE(plain, nullptr);
  EXPECT_TRUE(plain->IsFile);
  EXPECT_EQ(plain->Size, 1234);
  EXPECT_EQ(plain->Year, kRecent.date().year());
  EXPECT_EQ(plain->Month, kRecent.date().month());
  EXPECT_EQ(plain->Day, kRecent.date().day());
  EXPECT_EQ(plain->Hour, kRecent.time().hour());
  EXPECT_EQ(plain->Minute, kRecent.time().minute());
  EXPECT_FALSE(plain->DateText.isEmpty());

  const TFTPListItem* blanks = Find(items, QStringLiteral("name with  blanks.txt"));
  ASSERT_NE(blanks, nullptr);
  EXPECT_EQ(blanks->Size, 10);
  const TFTPListItem* arrow = Find(items, QStringLiteral("a -> b.txt"));
  ASSERT_NE(arrow, nullptr);
  EXPECT_TRUE(arrow->IsFile);
  EXPECT_TRUE(arrow->LinkTarget.isEmpty());

  const TFTPListItem* old = Find(items, QStringLiteral("old.dat"));
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->Year, 2001);
  EXPECT_EQ(old->Month, 6);
  EXPECT_EQ(old->Day, 15);
  EXPECT_EQ(old->Hour, 0);  // a year in place of the time
  EXPECT_EQ(old->Size, 7);

  for (const QString& name : {QStringLiteral("sub dir"), QStringLiteral("sub2")}) {
    const TFTPListItem* folder = Find(items, name);
    ASSERT_NE(folder, nullptr) << name.toStdString();
    EXPECT_FALSE(folder->IsFile);
    EXPECT_FALSE(folder->IsLink);
    EXPECT_EQ(folder->Size, -1);
    EXPECT_EQ(folder->Permissions.at(0), u'd');
  }
  const TFTPListItem* link = Find(items, QStringLiteral("link"));
  ASSERT_NE(link, nullptr);
  EXPECT_TRUE(link->IsLink);
  EXPECT_FALSE(link->IsFile);
  EXPECT_EQ(link->LinkTarget, QStringLiteral("plain.txt"));
  EXPECT_TRUE(items.HasLinks);
  const TFTPListItem* utf8 = Find(items, QString::fromUtf8("café ü.txt"));
  ASSERT_NE(utf8, nullptr);
  EXPECT_EQ(utf8->Size, 4);
  EXPECT_EQ(Find(items, QStringLiteral(".")), nullptr);
  EXPECT_EQ(Find(items, QStringLiteral("..")), nullptr);
}

// A name read from the listing, sent back as it was decoded, names the same file.
void CheckNameGoesBack(PlainFtpSocket& ftp, const TFTPListItem& item, qint64 size) {
  EXPECT_TRUE(ftp.Command("TYPE I").startsWith("200"));
  const QByteArray reply = ftp.Command("SIZE " + EncodeWireText(item.Name));
  EXPECT_EQ(reply.trimmed(), "213 " + QByteArray::number(size));
}

class ListingPyFtpd : public testsupport::PyFtpdFixture {};

TEST_F(ListingPyFtpd, ParsesTheRealListing) {
  MakeFolder(server.RootPath());
  PlainFtpSocket ftp;
  const QByteArray listing = FetchListing(ftp, server.Port(), testsupport::PyFtpdServer::User(),
                                          testsupport::PyFtpdServer::Password(), "/listing");
  TFTPListItems items;
  LoadListing(listing, items);
  EXPECT_EQ(items.Count(), 8);
  CheckFolder(listing, items);
  CheckNameGoesBack(ftp, *Find(items, QStringLiteral("name with  blanks.txt")), 10);
  // pyftpdlib always lists in UTF-8 (a legacy-encoding server is vsftpd's case below).
  CheckNameGoesBack(ftp, *Find(items, QString::fromUtf8("café ü.txt")), 4);
}

class ListingVsftpd : public testsupport::VsftpdFixture {};

TEST_F(ListingVsftpd, ParsesTheRealListingAndNonUtf8NamesRoundTrip) {
  MakeFolder(server.RootPath());
  // vsftpd passes names on as the bytes on disk: this one is Latin-1, not UTF-8.
  const QByteArray rawName("caf\xe9 \xff.bin");
  const QByteArray rawPath =
      QFile::encodeName(server.RootPath() + QStringLiteral("/listing/")) + rawName;
  const int fd = ::open(rawPath.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "12345678", 8), 8);
  ::close(fd);

  PlainFtpSocket ftp;
  const QByteArray listing = FetchListing(ftp, server.Port(), testsupport::VsftpdServer::User(),
                                          testsupport::VsftpdServer::Password(), "/listing");
  TFTPListItems items;
  LoadListing(listing, items);
  EXPECT_EQ(items.Count(), 9);
  CheckFolder(listing, items);
  const TFTPListItem* raw = nullptr;
  for (int i = 0; i < items.Count(); ++i) {
    if (EncodeWireText(items[i]->Name) == rawName) raw = items[i];
  }
  ASSERT_NE(raw, nullptr) << listing.constData();
  EXPECT_EQ(raw->Size, 8);
  CheckNameGoesBack(ftp, *raw, 8);
}

}  // namespace
