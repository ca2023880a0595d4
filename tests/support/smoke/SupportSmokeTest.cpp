#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTcpServer>

#include "support/FtpFixtures.h"
#include "support/PlainFtpSocket.h"
#include "support/ScriptedFtpServer.h"
#include "support/TestPaths.h"

using namespace testsupport;

namespace {

class PyFtpdSmoke : public PyFtpdFixture {};
class VsftpdSmoke : public VsftpdFixture {};

TEST_F(PyFtpdSmoke, GreetsAndLogsInWithPasswordAndAnonymously) {
  PlainFtpSocket ftp;
  ASSERT_TRUE(ftp.Connect(server.Port()));
  EXPECT_TRUE(ftp.ReadReply().startsWith("220 "));
  EXPECT_TRUE(ftp.Command("USER " + PyFtpdServer::User().toUtf8()).startsWith("331"));
  EXPECT_TRUE(ftp.Command("PASS " + PyFtpdServer::Password().toUtf8()).startsWith("230"));
  ASSERT_TRUE(WriteFile(server.RootPath() + "/probe.bin", QByteArray(1234, 'x')));
  EXPECT_TRUE(ftp.Command("TYPE I").startsWith("200"));
  EXPECT_EQ(ftp.Command("SIZE probe.bin"), QByteArray("213 1234\r\n"));
  ftp.Close();

  PlainFtpSocket anon;
  ASSERT_TRUE(anon.Connect(server.Port()));
  anon.ReadReply();
  anon.Command("USER anonymous");
  EXPECT_TRUE(anon.Command("PASS guest@example.invalid").startsWith("230"));
  EXPECT_TRUE(anon.Command("MKD refused").startsWith("550"));  // anonymous reads only
}

TEST_F(PyFtpdSmoke, RejectsAWrongPassword) {
  PlainFtpSocket ftp;
  ASSERT_TRUE(ftp.Connect(server.Port()));
  ftp.ReadReply();
  ftp.Command("USER " + PyFtpdServer::User().toUtf8());
  EXPECT_TRUE(ftp.Command("PASS wrong").startsWith("530"));
}

TEST_F(VsftpdSmoke, GreetsLogsInAndWrites) {
  PlainFtpSocket bad;
  ASSERT_TRUE(bad.Connect(server.Port()));
  bad.ReadReply();
  bad.Command("USER " + VsftpdServer::User().toUtf8());
  EXPECT_TRUE(bad.Command("PASS wrong").startsWith("530"));
  bad.Close();

  PlainFtpSocket ftp;
  ASSERT_TRUE(ftp.Connect(server.Port()));
  EXPECT_EQ(ftp.ReadReply(), QByteArray("220 vsftpd test server ready.\r\n"));
  EXPECT_TRUE(ftp.Command("USER " + VsftpdServer::User().toUtf8()).startsWith("331"));
  EXPECT_TRUE(ftp.Command("PASS " + VsftpdServer::Password().toUtf8()).startsWith("230"));
  EXPECT_TRUE(ftp.Command("MKD made-here").startsWith("257"));
  EXPECT_TRUE(QFileInfo(server.RootPath() + "/made-here").isDir());
  EXPECT_TRUE(ftp.Command("PASV").startsWith("227"));
}

TEST(ScriptedServerSmoke, SendsScriptedRepliesAndRecordsCommands) {
  ScriptedFtpServer server;
  server.SetGreeting(ScriptedReply().SendSplit("220-Hello\r\n220 there\r\n", 3, 5));
  server.Expect("USER", "331 Password please.\r\n");
  server.Expect("PASS", ScriptedReply("530 No.\r\n").HangUp());
  PlainFtpSocket ftp;
  ASSERT_TRUE(ftp.Connect(server.Port()));
  EXPECT_EQ(ftp.ReadReply(), QByteArray("220-Hello\r\n220 there\r\n"));
  EXPECT_EQ(ftp.Command("USER bob"), QByteArray("331 Password please.\r\n"));
  EXPECT_EQ(ftp.Command("PASS pw"), QByteArray("530 No.\r\n"));
  EXPECT_TRUE(ftp.ReadReply(1000).isEmpty());  // hung up
  EXPECT_EQ(server.Received(), QStringList({"USER bob", "PASS pw"}));
  EXPECT_TRUE(server.Unexpected().isEmpty());
}

TEST(ScriptedServerSmoke, AnswersUnscriptedCommandsWith500AndServesPassiveData) {
  ScriptedFtpServer server;
  server.Expect("PASV", "227 Entering Passive Mode ({PASV}).\r\n");
  server.Expect("RETR", ScriptedReply("150 Here.\r\n").DataSend("payload").Send("226 Done.\r\n"));
  PlainFtpSocket ftp;
  ASSERT_TRUE(ftp.Connect(server.Port()));
  ftp.ReadReply();
  EXPECT_EQ(ftp.Command("NOOP"), QByteArray("500 Unexpected command.\r\n"));
  const QByteArray pasv = ftp.Command("PASV");
  const qsizetype open = pasv.indexOf('('), close = pasv.indexOf(')');
  const QList<QByteArray> numbers = pasv.mid(open + 1, close - open - 1).split(',');
  ASSERT_EQ(numbers.size(), 6);
  const quint16 port = static_cast<quint16>(numbers[4].toInt() * 256 + numbers[5].toInt());
  QTcpSocket data;
  data.connectToHost(QHostAddress::LocalHost, port);
  ASSERT_TRUE(data.waitForConnected(3000));
  EXPECT_EQ(ftp.Command("RETR x"), QByteArray("150 Here.\r\n"));
  QByteArray content;
  while (data.waitForReadyRead(3000)) content += data.readAll();
  content += data.readAll();
  EXPECT_EQ(content, QByteArray("payload"));
  EXPECT_EQ(ftp.ReadReply(), QByteArray("226 Done.\r\n"));
  EXPECT_EQ(server.Unexpected(), QStringList({"NOOP"}));
}

TEST(ScriptedServerSmoke, ConnectsToTheActiveAddressAndReceivesUploads) {
  ScriptedFtpServer server;
  server.Always("PORT", "200 PORT ok.\r\n");
  server.Expect("STOR", ScriptedReply("150 Go.\r\n").DataReceive().Send("226 Stored.\r\n"));
  QTcpServer listener;
  ASSERT_TRUE(listener.listen(QHostAddress::LocalHost, 0));
  const quint16 port = listener.serverPort();
  PlainFtpSocket ftp;
  ASSERT_TRUE(ftp.Connect(server.Port()));
  ftp.ReadReply();
  EXPECT_EQ(ftp.Command(
                QStringLiteral("PORT 127,0,0,1,%1,%2").arg(port / 256).arg(port % 256).toLatin1()),
            QByteArray("200 PORT ok.\r\n"));
  EXPECT_EQ(ftp.Command("STOR up.bin"), QByteArray("150 Go.\r\n"));
  ASSERT_TRUE(listener.waitForNewConnection(3000));
  QTcpSocket* data = listener.nextPendingConnection();
  data->write("uploaded bytes");
  data->waitForBytesWritten(3000);
  data->disconnectFromHost();
  EXPECT_EQ(ftp.ReadReply(), QByteArray("226 Stored.\r\n"));
  EXPECT_EQ(server.ReceivedData(), QByteArray("uploaded bytes"));
}

}  // namespace
