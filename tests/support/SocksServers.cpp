#include "support/SocksServers.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTcpSocket>
#include <QThread>

#include "support/TestPaths.h"

namespace testsupport {
namespace {

bool WaitForListening(quint16 port, const ServerProcess& process, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!deadline.hasExpired() && process.IsRunning()) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (socket.waitForConnected(300)) return true;
    QThread::msleep(30);
    QCoreApplication::processEvents();  // lets the process notice that the server has died
  }
  return false;
}

const char kPerlServer[] = R"PERL(
use strict;
use warnings;
use IO::Socket::Socks qw(:constants $SOCKS_ERROR);
use IO::Socket::INET;
use IO::Select;
use IO::Handle;

my ($port, $log) = @ARGV;
$SIG{CHLD} = 'IGNORE';
my $server = IO::Socket::Socks->new(ProxyAddr => '127.0.0.1', ProxyPort => $port, Listen => 10,
                                    SocksVersion => 4, SocksResolve => 1, ReuseAddr => 1)
  or die "cannot listen: $SOCKS_ERROR\n";
while (1) {
  my $client = $server->accept() or next;
  my $pid = fork();
  if (!defined $pid || $pid) { close $client; next; }
  my ($cmd, $host, $dport, $atyp) = @{ $client->command() };
  open(my $fh, '>>', $log) or die; print $fh "CONNECT $atyp $host $dport\n"; close $fh;
  my $remote = IO::Socket::INET->new(PeerAddr => $host, PeerPort => $dport, Timeout => 5);
  if (!$remote) { $client->command_reply(REQUEST_FAILED, '0.0.0.0', 0); exit 0; }
  $client->command_reply(REQUEST_GRANTED, $remote->sockhost, $remote->sockport);
  my $select = IO::Select->new($client, $remote);
  OUTER: while (1) {
    for my $from ($select->can_read()) {
      my $to = $from == $client ? $remote : $client;
      my $n = sysread($from, my $buffer, 65536);
      last OUTER unless $n;
      my $off = 0;
      while ($off < $n) { my $w = syswrite($to, $buffer, $n - $off, $off); last OUTER unless $w; $off += $w; }
    }
  }
  exit 0;
}
)PERL";

}  // namespace

void SocksServerProcess::Stop() {
  m_process.Stop();
  m_port = 0;
}

QString SocksServerProcess::TempPath(const QString& name) const {
  return QDir(m_dir->path()).filePath(name);
}

bool SocksServerProcess::Launch(const QString& program,
                                const std::function<QStringList(quint16)>& arguments,
                                const QString& package, QString* error) {
  QString lastError;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const quint16 port = FreeLocalPort();
    if (!m_process.Start(program, arguments(port), TempPath(QStringLiteral("log.txt")),
                         &lastError)) {
      break;  // missing program: trying again will not help
    }
    if (WaitForListening(port, m_process, 10000)) {
      m_port = port;
      return true;
    }
    lastError = QStringLiteral("%1 did not come up on port %2. Log:\n%3")
                    .arg(program)
                    .arg(port)
                    .arg(m_process.LogText());
    m_process.Stop();
  }
  if (error) *error = lastError + QStringLiteral(" (Debian package %1)").arg(package);
  return false;
}

bool DantedServer::Start(QString* error, quint16 blockedPort) {
  Stop();
  m_dir = MakeTempDir(QStringLiteral("danted"));
  const QString config = TempPath(QStringLiteral("danted.conf"));
  const auto arguments = [this, config, blockedPort](quint16 port) {
    QString text = QStringLiteral(
                       "logoutput: stderr\n"
                       "internal: 127.0.0.1 port = %1\n"
                       "external: 127.0.0.1\n"
                       "clientmethod: none\n"
                       "socksmethod: none\n"
                       "user.privileged: root\n"
                       "user.unprivileged: nobody\n"
                       "client pass { from: 127.0.0.0/8 to: 0.0.0.0/0 }\n")
                       .arg(port);
    if (blockedPort != 0) {
      text += QStringLiteral("socks block { from: 0.0.0.0/0 to: 0.0.0.0/0 port = %1 }\n")
                  .arg(blockedPort);
    }
    text += QStringLiteral("socks pass { from: 127.0.0.0/8 to: 0.0.0.0/0 command: connect }\n");
    WriteFile(config, text.toUtf8());
    return QStringList{QStringLiteral("-f"), config,
                       QStringLiteral("-p"), TempPath(QStringLiteral("danted.pid")),
                       QStringLiteral("-N"), QStringLiteral("1")};
  };
  return Launch(QStringLiteral("/usr/sbin/danted"), arguments, QStringLiteral("dante-server"),
                error);
}

bool MicrosocksServer::Start(const QString& user, const QString& password, QString* error) {
  Stop();
  m_dir = MakeTempDir(QStringLiteral("microsocks"));
  const auto arguments = [user, password](quint16 port) {
    return QStringList{QStringLiteral("-i"), QStringLiteral("127.0.0.1"),
                       QStringLiteral("-p"), QString::number(port),
                       QStringLiteral("-u"), user,
                       QStringLiteral("-P"), password};
  };
  return Launch(QStringLiteral("microsocks"), arguments, QStringLiteral("microsocks"), error);
}

bool PerlSocks4aServer::Start(QString* error) {
  Stop();
  m_dir = MakeTempDir(QStringLiteral("socks4a"));
  const QString script = TempPath(QStringLiteral("socks4a.pl"));
  WriteFile(script, QByteArray(kPerlServer));
  const QString log = TempPath(QStringLiteral("requests.txt"));
  const auto arguments = [script, log](quint16 port) {
    return QStringList{script, QString::number(port), log};
  };
  return Launch(QStringLiteral("/usr/bin/perl"), arguments,
                QStringLiteral("perl and libio-socket-socks-perl"), error);
}

QStringList PerlSocks4aServer::Requests() const {
  if (!m_dir) return {};
  return QString::fromUtf8(ReadFile(TempPath(QStringLiteral("requests.txt"))))
      .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace testsupport
