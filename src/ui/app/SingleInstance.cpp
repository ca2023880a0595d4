#include "ui/app/SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
const QByteArray kActivate("activate\n");
}

TSingleInstance::TSingleInstance(const QString& title, QObject* parent) : QObject(parent) {
  QString user = qEnvironmentVariable("USER");
  if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
  // Socket names must stay short and plain; the hash keeps title and user apart.
  const QByteArray hash = QCryptographicHash::hash((title + QLatin1Char('\n') + user).toUtf8(),
                                                   QCryptographicHash::Sha1)
                              .toHex()
                              .left(16);
  m_name = QStringLiteral("vornalo-explorer-") + QString::fromLatin1(hash);
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::Start() {
  {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(500)) {
      socket.write(kActivate);
      socket.waitForBytesWritten(1000);
      socket.disconnectFromServer();
      return false;
    }
  }
  // Nobody answered: a socket file left by a crashed instance must not block this one.
  QLocalServer::removeServer(m_name);
  m_server = new QLocalServer(this);
  m_server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!m_server->listen(m_name)) return true;  // run anyway, only without the guard
  connect(m_server, &QLocalServer::newConnection, this, &TSingleInstance::NewConnection);
  return true;
}

void TSingleInstance::NewConnection() {
  while (QLocalSocket* socket = m_server->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    const auto read = [this, socket] {
      if (socket->readAll().contains(kActivate.trimmed()) && OnActivateRequest) {
        OnActivateRequest();
      }
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    if (socket->bytesAvailable() > 0) read();
  }
}
