#include "support/PyFtpdServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include "support/TestPaths.h"

namespace testsupport {
namespace {

const char kScript[] = R"PY(
import argparse, logging, os, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

ap = argparse.ArgumentParser()
ap.add_argument('--root', required=True)
ap.add_argument('--user', required=True)
ap.add_argument('--password', required=True)
ap.add_argument('--port-file', required=True)
ap.add_argument('--permit-foreign', action='store_true')
ap.add_argument('--encoding', default='')
args = ap.parse_args()

logging.basicConfig(level=logging.INFO, stream=sys.stderr)
auth = DummyAuthorizer()
auth.add_user(args.user, args.password, args.root, perm='elradfmwMT')
auth.add_anonymous(args.root, perm='elr')

class Handler(FTPHandler):
    pass

Handler.authorizer = auth
Handler.banner = 'pyftpdlib test server ready.'
Handler.permit_foreign_addresses = args.permit_foreign
if args.encoding:
    Handler.encoding = args.encoding

server = FTPServer(('127.0.0.1', 0), Handler)
port = server.socket.getsockname()[1]
tmp = args.port_file + '.tmp'
with open(tmp, 'w') as f:
    f.write(str(port))
os.rename(tmp, args.port_file)
server.serve_forever(timeout=0.2)
)PY";

}  // namespace

bool PyFtpdServer::Start(const Options& options, QString* error) {
  Stop();
  m_dir = MakeTempDir(QStringLiteral("pyftpd"));
  if (!m_dir) {
    if (error) *error = QStringLiteral("cannot create a temporary folder");
    return false;
  }
  const QDir dir(m_dir->path());
  m_root = dir.filePath(QStringLiteral("root"));
  dir.mkpath(m_root);
  const QString script = dir.filePath(QStringLiteral("server.py"));
  const QString portFile = dir.filePath(QStringLiteral("port"));
  WriteFile(script, QByteArray(kScript));
  QStringList args{script,  QStringLiteral("--root"),     m_root,     QStringLiteral("--user"),
                   User(),  QStringLiteral("--password"), Password(), QStringLiteral("--port-file"),
                   portFile};
  if (options.permitForeignAddresses) args << QStringLiteral("--permit-foreign");
  if (!options.encoding.isEmpty()) args << QStringLiteral("--encoding") << options.encoding;
  if (!m_process.Start(QStringLiteral("/usr/bin/python3"), args,
                       dir.filePath(QStringLiteral("log.txt")), error)) {
    return false;
  }
  const QDeadlineTimer deadline(15000);
  while (!deadline.hasExpired() && m_process.IsRunning()) {
    const QByteArray text = ReadFile(portFile);
    if (!text.isEmpty()) {
      m_port = static_cast<quint16>(text.trimmed().toUInt());
      break;
    }
    QThread::msleep(20);
  }
  if (m_port == 0 || !WaitForFtpGreeting(m_port, 10000)) {
    if (error) {
      *error = QStringLiteral(
                   "pyftpdlib did not come up; is the Debian package python3-pyftpdlib installed? "
                   "Log:\n") +
               m_process.LogText();
    }
    Stop();
    return false;
  }
  return true;
}

void PyFtpdServer::Stop() {
  m_process.Stop();
  m_port = 0;
}

}  // namespace testsupport
