#include "core/ftp/WSocket.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif

#include "core/ftp/SocketErrors.h"

// Hands accepted connections to the owner as raw handles, so they can be taken over by any
// socket object (Accept, then Dup).
class TWSocket::Server : public QTcpServer {
 public:
  explicit Server(TWSocket* owner) : QTcpServer(owner), m_owner(owner) {}

 protected:
  void incomingConnection(qintptr handle) override { m_owner->OnIncoming(handle); }

 private:
  TWSocket* m_owner;
};

namespace {

void DropHandle(qintptr handle) {
  QTcpSocket socket;
  if (socket.setSocketDescriptor(handle)) socket.abort();
}

}  // namespace

TWSocket::TWSocket(QObject* parent) : QObject(parent) {}

TWSocket::~TWSocket() {
  OnDnsLookupDone = nullptr;
  OnSessionConnected = nullptr;
  OnSessionClosed = nullptr;
  OnDataAvailable = nullptr;
  OnDataSent = nullptr;
  OnSendProgress = nullptr;
  OnCanSend = nullptr;
  OnSessionAvailable = nullptr;
  if (m_lookupId >= 0) QHostInfo::abortHostLookup(m_lookupId);
  Close();
}

void TWSocket::SetSocksLevel(const QString& level) {
  const QString upper = level.trimmed().toUpper();
  if (upper != QLatin1String("4") && upper != QLatin1String("4A") && upper != QLatin1String("5")) {
    throw SocketException(QStringLiteral("Invalid SOCKS level: ") + level);
  }
  m_socksLevel = upper;
}

qintptr TWSocket::Handle() const {
  if (m_socket) return m_socket->socketDescriptor();
  if (m_server) return m_server->socketDescriptor();
  return -1;
}

quint16 TWSocket::ResolvePort(const QString& port, bool* ok) {
  const QString text = port.trimmed();
  bool numeric = false;
  const uint value = text.toUInt(&numeric);
  if (numeric) {
    if (ok) *ok = value <= 65535;
    return value <= 65535 ? static_cast<quint16>(value) : 0;
  }
  static const struct {
    const char* name;
    quint16 port;
  } kKnown[] = {{"ftp", 21},  {"ftp-data", 20}, {"ssh", 22},     {"telnet", 23},
                {"smtp", 25}, {"http", 80},     {"socks", 1080}, {"https", 443}};
  for (const auto& known : kKnown) {
    if (text.compare(QLatin1String(known.name), Qt::CaseInsensitive) == 0) {
      if (ok) *ok = true;
      return known.port;
    }
  }
  if (!text.isEmpty()) {
    if (const servent* entry = ::getservbyname(text.toLower().toLatin1().constData(), "tcp")) {
      if (ok) *ok = true;
      return ntohs(static_cast<quint16>(entry->s_port));
    }
  }
  if (ok) *ok = false;
  return 0;
}

void TWSocket::Fire(const TNotifyError& handler, int error) {
  if (!handler) return;
  // A handler may replace itself; keep the one running alive until it returns.
  const TNotifyError call = handler;
  try {
    call(this, error);
  } catch (...) {
    if (m_state != wsClosed) Close();
  }
}

void TWSocket::DnsLookup(const QString& hostName) {
  if (m_lookupId >= 0) {
    QHostInfo::abortHostLookup(m_lookupId);
    m_lookupId = -1;
  }
  m_dnsResult.clear();
  QHostAddress address;
  if (address.setAddress(hostName.trimmed()) &&
      address.protocol() == QAbstractSocket::IPv4Protocol) {
    FinishLookup(0, address.toString());
    return;
  }
  m_lookupId = QHostInfo::lookupHost(hostName.trimmed(), this,
                                     [this](const QHostInfo& info) { StartLookupResult(info); });
}

void TWSocket::StartLookupResult(const QHostInfo& info) {
  if (info.lookupId() != m_lookupId) return;
  m_lookupId = -1;
  if (info.error() != QHostInfo::NoError) {
    FinishLookup(SocketErrorFromLookup(info.error()), QString());
    return;
  }
  const QList<QHostAddress> addresses = info.addresses();
  for (const QHostAddress& address : addresses) {
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
      FinishLookup(0, address.toString());
      return;
    }
  }
  if (!addresses.isEmpty()) {
    FinishLookup(0, addresses.first().toString());
    return;
  }
  FinishLookup(SocketError::HostNotFound, QString());
}

void TWSocket::FinishLookup(int error, const QString& result) {
  m_lastError = error;
  m_dnsResult = result;
  Fire(OnDnsLookupDone, error);
}

void TWSocket::CancelDnsLookup() {
  if (m_lookupId < 0) return;
  QHostInfo::abortHostLookup(m_lookupId);
  m_lookupId = -1;
  FinishLookup(SocketError::Interrupted, QString());
}

void TWSocket::AttachSocket(QTcpSocket* socket) {
  m_socket = socket;
  connect(socket, &QTcpSocket::connected, this, &TWSocket::OnSocketConnected);
  connect(socket, &QTcpSocket::readyRead, this, &TWSocket::OnSocketReadyRead);
  connect(socket, &QTcpSocket::errorOccurred, this, &TWSocket::OnSocketError);
  connect(socket, &QTcpSocket::disconnected, this, &TWSocket::OnSocketDisconnected);
  connect(socket, &QTcpSocket::bytesWritten, this, &TWSocket::OnSocketBytesWritten);
}

void TWSocket::DetachSocket() {
  DropSendNotifier();
  QTcpSocket* socket = m_socket;
  m_socket = nullptr;
  if (!socket) return;
  QObject::disconnect(socket, nullptr, this, nullptr);
  if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() > 0) {
    // Let what was sent go out before the connection ends, as closing a native socket would.
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(10000, socket, [socket] {
      socket->abort();
      socket->deleteLater();
    });
    socket->disconnectFromHost();
    return;
  }
  socket->abort();
  socket->deleteLater();
}

void TWSocket::Connect() {
  if (m_state != wsClosed) throw SocketException(QStringLiteral("Connect: socket is in use"));
  if (Proto.trimmed().compare(QLatin1String("tcp"), Qt::CaseInsensitive) != 0)
    throw SocketException(QStringLiteral("Connect: unsupported protocol '%1'").arg(Proto));
  if (Addr.trimmed().isEmpty()) throw SocketException(QStringLiteral("Connect: no address"));
  bool ok = false;
  const quint16 port = ResolvePort(Port, &ok);
  if (!ok || port == 0)
    throw SocketException(QStringLiteral("Connect: cannot resolve port '%1'").arg(Port));
  const bool socks = SocksEnabled && !m_socksServer.isEmpty();
  quint16 socksPort = 0;
  if (socks) {
    socksPort = ResolvePort(m_socksPort, &ok);
    if (!ok || socksPort == 0)
      throw SocketException(
          QStringLiteral("Connect: cannot resolve SOCKS port '%1'").arg(m_socksPort));
  }
  auto* socket = new QTcpSocket(this);
  const QString local = LocalAddr.trimmed();
  if (!local.isEmpty() && local != QLatin1String("0.0.0.0")) {
    QHostAddress localAddress;
    if (!localAddress.setAddress(local) || !socket->bind(localAddress)) {
      delete socket;
      throw SocketException(QStringLiteral("Connect: cannot bind to '%1'").arg(local));
    }
  }
  AttachSocket(socket);
  m_lastError = 0;
  m_closeError = 0;
  m_prefix.clear();
  m_state = wsConnecting;
  if (socks) {
    m_socks = std::make_unique<TSocksNegotiator>(m_socksLevel, SocksAuthentication, SocksUsercode,
                                                 SocksPassword, Addr.trimmed(), port);
    m_socksInput.clear();
    socket->connectToHost(m_socksServer, socksPort);
  } else {
    socket->connectToHost(Addr.trimmed(), port);
  }
}

void TWSocket::OnSocketConnected() {
  if (m_socks) {
    const QByteArray first = m_socks->Start();
    if (first.isEmpty()) {
      ConnectFailed(m_socks->Error());
      return;
    }
    m_state = wsSocksConnected;
    m_socket->write(first);
    return;
  }
  m_state = wsConnected;
  ApplyLinger();
  Fire(OnSessionConnected, 0);
  if (HasData()) DeliverData();
}

void TWSocket::RunSocks() {
  m_socksInput += m_socket->readAll();
  QByteArray reply;
  const TSocksNegotiator::Result result = m_socks->Feed(m_socksInput, reply);
  if (!reply.isEmpty()) m_socket->write(reply);
  if (result == TSocksNegotiator::Result::Failed) {
    ConnectFailed(m_socks->Error());
    return;
  }
  if (result == TSocksNegotiator::Result::NeedMore) return;
  m_socks.reset();
  m_prefix = m_socksInput;
  m_socksInput.clear();
  m_state = wsConnected;
  ApplyLinger();
  Fire(OnSessionConnected, 0);
  if (HasData() && !m_renotifyPosted) {
    m_renotifyPosted = true;
    QMetaObject::invokeMethod(
        this, [this] { DeliverData(); }, Qt::QueuedConnection);
  }
}

void TWSocket::ConnectFailed(int error) {
  m_lastError = error;
  m_socks.reset();
  DetachSocket();
  m_state = wsClosed;
  Fire(OnSessionConnected, error);
}

void TWSocket::OnSocketReadyRead() {
  if (m_socks) {
    if (m_state == wsSocksConnected) RunSocks();
    return;
  }
  DeliverData();
}

bool TWSocket::HasData() const {
  return !m_prefix.isEmpty() || (m_socket && m_socket->bytesAvailable() > 0);
}

void TWSocket::DeliverData() {
  m_renotifyPosted = false;
  if (m_state != wsConnected || !HasData()) return;
  m_readSinceNotify = false;
  Fire(OnDataAvailable, 0);
  // Like a native socket, notify again while data is left, but only after the handler read.
  if (m_state == wsConnected && m_readSinceNotify && HasData() && !m_renotifyPosted) {
    m_renotifyPosted = true;
    QMetaObject::invokeMethod(
        this, [this] { DeliverData(); }, Qt::QueuedConnection);
  }
}

void TWSocket::OnSocketError() {
  if (!m_socket) return;
  const QAbstractSocket::SocketError qtError = m_socket->error();
  int error = SocketErrorFromQt(qtError);
  if (m_state == wsConnecting || m_state == wsSocksConnected) {
    if (m_state == wsSocksConnected && qtError == QAbstractSocket::RemoteHostClosedError)
      error = SocketError::SocksServerClosed;
    if (error == 0) error = SocketError::ConnectionAborted;
    ConnectFailed(error);
    return;
  }
  if (m_state != wsConnected) return;
  m_closeError = error;
  m_lastError = error;
  if (m_socket->state() == QAbstractSocket::UnconnectedState) RemoteClosed(error);
}

void TWSocket::OnSocketDisconnected() {
  if (m_state == wsSocksConnected) {
    ConnectFailed(SocketError::SocksServerClosed);
    return;
  }
  if (m_state == wsConnected) RemoteClosed(m_closeError);
}

void TWSocket::RemoteClosed(int error) {
  if (m_state != wsConnected) return;
  // Hand over what arrived before the close, as long as the handler keeps reading.
  for (int round = 0; round < 100000 && m_state == wsConnected && HasData(); ++round) {
    m_readSinceNotify = false;
    Fire(OnDataAvailable, 0);
    if (!m_readSinceNotify) break;
  }
  if (m_state != wsConnected) return;
  DetachSocket();
  m_prefix.clear();
  m_sending = false;
  m_state = wsClosed;
  Fire(OnSessionClosed, error);
}

void TWSocket::OnSocketBytesWritten() {
  if (m_socket && m_sending) Fire(OnSendProgress, 0);
  if (m_socket && m_sending && m_socket->bytesToWrite() == 0) {
    m_sending = false;
    Fire(OnDataSent, 0);
  }
  if (m_wantSend) UpdateSendNotifier();
}

void TWSocket::Close() {
  const TSocketState old = m_state;
  if (m_server) {
    m_server->close();
    m_server->deleteLater();
    m_server = nullptr;
  }
  while (!m_pending.empty()) {
    DropHandle(m_pending.front());
    m_pending.pop_front();
  }
  DetachSocket();
  m_socks.reset();
  m_prefix.clear();
  m_sending = false;
  if (old == wsClosed) return;
  m_state = wsClosed;
  Fire(OnSessionClosed, 0);
}

void TWSocket::CloseDelayed() {
  QMetaObject::invokeMethod(
      this, [this] { Close(); }, Qt::QueuedConnection);
}

void TWSocket::ShutDown(int how) {
  if (!m_socket || m_state != wsConnected) return;
  m_socket->flush();
  const qintptr fd = m_socket->socketDescriptor();
  if (fd >= 0) ::shutdown(static_cast<int>(fd), how);
}

void TWSocket::Listen() {
  if (m_state != wsClosed) throw SocketException(QStringLiteral("Listen: socket is in use"));
  bool ok = false;
  const quint16 port = ResolvePort(Port, &ok);
  if (!ok) throw SocketException(QStringLiteral("Listen: cannot resolve port '%1'").arg(Port));
  QHostAddress address(QHostAddress::AnyIPv4);
  const QString text = Addr.trimmed();
  if (!text.isEmpty() && !address.setAddress(text))
    throw SocketException(QStringLiteral("Listen: invalid address '%1'").arg(Addr));
  m_server = new Server(this);
  if (!m_server->listen(address, port)) {
    m_lastError = SocketErrorFromQt(m_server->serverError());
    delete m_server;
    m_server = nullptr;
    throw SocketException(QStringLiteral("Listen: ") + WSocketErrorDesc(m_lastError));
  }
  m_state = wsListening;
  ApplyLinger();
}

void TWSocket::OnIncoming(qintptr handle) {
  m_pending.push_back(handle);
  Fire(OnSessionAvailable, 0);
}

qintptr TWSocket::Accept() {
  if (m_pending.empty()) {
    m_lastError = SocketError::WouldBlock;
    return -1;
  }
  const qintptr handle = m_pending.front();
  m_pending.pop_front();
  return handle;
}

void TWSocket::Dup(qintptr handle) {
  if (m_state != wsClosed) throw SocketException(QStringLiteral("Dup: socket is in use"));
  auto* socket = new QTcpSocket(this);
  if (!socket->setSocketDescriptor(handle)) {
    delete socket;
    throw SocketException(QStringLiteral("Dup: invalid handle"));
  }
  AttachSocket(socket);
  m_lastError = 0;
  m_closeError = 0;
  m_state = wsConnected;
  ApplyLinger();
  if (HasData() && !m_renotifyPosted) {
    m_renotifyPosted = true;
    QMetaObject::invokeMethod(
        this, [this] { DeliverData(); }, Qt::QueuedConnection);
  }
}

qint64 TWSocket::Receive(char* buffer, qint64 size) {
  if (!m_socket || m_state != wsConnected) {
    m_lastError = SocketError::NotConnected;
    return -1;
  }
  m_readSinceNotify = true;
  qint64 count = 0;
  if (!m_prefix.isEmpty() && size > 0) {
    count = qMin<qint64>(size, m_prefix.size());
    std::memcpy(buffer, m_prefix.constData(), static_cast<size_t>(count));
    m_prefix.remove(0, count);
  }
  if (count < size) {
    const qint64 read = m_socket->read(buffer + count, size - count);
    if (read > 0) count += read;
  }
  if (count == 0) {
    m_lastError = SocketError::WouldBlock;
    return -1;
  }
  return count;
}

qint64 TWSocket::Send(const QByteArray& bytes) {
  if (!m_socket || m_state != wsConnected) {
    m_lastError = SocketError::NotConnected;
    return -1;
  }
  if (bytes.isEmpty()) {
    QMetaObject::invokeMethod(
        this, [this] { Fire(OnDataSent, 0); }, Qt::QueuedConnection);
    return 0;
  }
  m_sending = true;
  // Qt watches the handle for writing while its buffer holds bytes; one watcher at a time.
  if (m_sendNotifier) m_sendNotifier->setEnabled(false);
  return m_socket->write(bytes);
}

int TWSocket::DirectSendError(int nativeError) {
  m_lastError = SocketErrorFromNative(nativeError);
  if (m_lastError == 0) m_lastError = SocketError::ConnectionAborted;
  return -1;
}

qint64 TWSocket::SendDirect(const char* data, qint64 size) {
  if (!m_socket || m_state != wsConnected) {
    m_lastError = SocketError::NotConnected;
    return -1;
  }
  if (m_socket->bytesToWrite() > 0) {  // what Send queued goes first
    m_lastError = SocketError::WouldBlock;
    return -1;
  }
  if (size <= 0) return 0;
  const auto fd = m_socket->socketDescriptor();
#ifdef Q_OS_WIN
  const int chunk = static_cast<int>(qMin<qint64>(size, 1 << 30));
  const int sent = ::send(static_cast<SOCKET>(fd), data, chunk, 0);
  if (sent == SOCKET_ERROR) return DirectSendError(WSAGetLastError());
  return sent;
#else
  for (;;) {
    // MSG_NOSIGNAL: a peer that has gone is an error number here, not a signal.
    const ssize_t sent =
        ::send(static_cast<int>(fd), data, static_cast<size_t>(size), MSG_NOSIGNAL);
    if (sent >= 0) return sent;
    if (errno != EINTR) return DirectSendError(errno);
  }
#endif
}

void TWSocket::SetWantSend(bool want) {
  m_wantSend = want;
  UpdateSendNotifier();
}

void TWSocket::UpdateSendNotifier() {
  const bool on = m_wantSend && m_socket && m_state == wsConnected && m_socket->bytesToWrite() == 0;
  if (on && !m_sendNotifier) {
    const qintptr fd = m_socket->socketDescriptor();
    if (fd < 0) return;
    m_sendNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(m_sendNotifier, &QSocketNotifier::activated, this, [this] {
      if (m_wantSend && m_state == wsConnected) Fire(OnCanSend, 0);
    });
  }
  if (m_sendNotifier && m_sendNotifier->isEnabled() != on) m_sendNotifier->setEnabled(on);
}

void TWSocket::DropSendNotifier() {
  m_wantSend = false;
  if (!m_sendNotifier) return;
  // This may run inside the notifier's own signal (a handler that closes the socket).
  m_sendNotifier->setEnabled(false);
  QObject::disconnect(m_sendNotifier, nullptr, this, nullptr);
  m_sendNotifier->deleteLater();
  m_sendNotifier = nullptr;
}

qint64 TWSocket::SendStr(const QString& text) {
  return Send(text.toUtf8());
}

QString TWSocket::GetXAddr() const {
  if (m_socket) return m_socket->localAddress().toString();
  if (m_server) return m_server->serverAddress().toString();
  return QStringLiteral("0.0.0.0");
}

QString TWSocket::GetXPort() const {
  if (m_socket) return QString::number(m_socket->localPort());
  if (m_server) return QString::number(m_server->serverPort());
  return QStringLiteral("0");
}

QString TWSocket::GetPeerAddr() const {
  return m_socket ? m_socket->peerAddress().toString() : QString();
}

int TWSocket::SendBufferSize() const {
  if (!m_socket || m_socket->socketDescriptor() < 0) return -1;
  const QVariant value = m_socket->socketOption(QAbstractSocket::SendBufferSizeSocketOption);
  bool ok = false;
  const int size = value.toInt(&ok);
  return ok ? size : -1;
}

void TWSocket::ApplyLinger() {
  if (LingerOnOff == wsLingerNoSet) return;
  const qintptr fd = Handle();
  if (fd < 0) return;
  linger value{};
  value.l_onoff = LingerOnOff == wsLingerOn ? 1 : 0;
  value.l_linger = static_cast<decltype(value.l_linger)>(LingerTimeout);
  ::setsockopt(static_cast<int>(fd), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value),
               sizeof value);
}

qint64 TWSocket::UnacknowledgedBytes() const {
#ifdef Q_OS_LINUX
  if (!m_socket || m_state != wsConnected) return -1;
  const qintptr fd = m_socket->socketDescriptor();
  int count = 0;
  if (fd < 0 || ::ioctl(static_cast<int>(fd), SIOCOUTQ, &count) != 0) return -1;
  return count;
#else
  return -1;
#endif
}
