#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>

#include "core/ftp/SocksNegotiator.h"

class QTcpSocket;
class QTcpServer;
class QHostInfo;
class QSocketNotifier;

enum TSocketState {
  wsInvalidState,
  wsOpened,
  wsBound,
  wsConnecting,
  wsSocksConnected,
  wsConnected,
  wsAccepting,
  wsListening,
  wsClosed
};

enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

// Raised by the socket for settings it cannot use (unknown service, bad address, a socket that
// is already in use). The engine quotes `ClassName()` and the message in its replies.
class SocketException : public std::runtime_error {
 public:
  explicit SocketException(const QString& message)
      : std::runtime_error(message.toStdString()), m_message(message) {}
  QString Message() const { return m_message; }
  static QString ClassName() { return QStringLiteral("SocketException"); }

 private:
  QString m_message;
};

// An asynchronous, event-driven TCP socket in the style the engine was written against:
// every outcome is reported through an event that carries an error number (0 for success,
// see SocketErrors.h), operations never block, and a SOCKS 4, 4A or 5 handshake runs inside
// Connect before the connection is reported. Events run on the thread that owns the socket;
// an exception thrown by a handler is caught here and closes the socket.
class TWSocket : public QObject {
  Q_OBJECT
 public:
  using TNotifyError = std::function<void(TWSocket* Sender, int Error)>;

  explicit TWSocket(QObject* parent = nullptr);
  ~TWSocket() override;

  // Settings read by Connect and Listen.
  QString Addr;                        // dotted address or host name
  QString Port = QStringLiteral("0");  // number or service name ("ftp")
  QString Proto = QStringLiteral("tcp");
  QString LocalAddr = QStringLiteral("0.0.0.0");
  TSocketLingerOnOff LingerOnOff = wsLingerNoSet;
  int LingerTimeout = 0;  // seconds

  // SOCKS: used by Connect when `SocksServer` is set and `SocksEnabled` is true.
  QString SocksServer() const { return m_socksServer; }
  void SetSocksServer(const QString& server) { m_socksServer = server.trimmed(); }
  QString SocksPort() const { return m_socksPort; }
  void SetSocksPort(const QString& port) { m_socksPort = port.trimmed(); }
  QString SocksLevel() const { return m_socksLevel; }
  void SetSocksLevel(const QString& level);  // "4", "4A" or "5"; anything else is refused
  QString SocksUsercode;
  QString SocksPassword;
  TSocksAuthentication SocksAuthentication = socksNoAuthentication;
  bool SocksEnabled = true;

  TSocketState State() const { return m_state; }
  int LastError() const { return m_lastError; }
  QString DnsResult() const { return m_dnsResult; }
  qintptr Handle() const;

  TNotifyError OnDnsLookupDone;
  TNotifyError OnSessionConnected;
  TNotifyError OnSessionClosed;
  TNotifyError OnDataAvailable;
  TNotifyError OnDataSent;
  TNotifyError OnSessionAvailable;
  // Fires each time the system takes some of the queued bytes, before OnDataSent (which waits
  // for all of them): a peer that keeps reading, however slowly, shows up here.
  TNotifyError OnSendProgress;
  // Direct sending (below): fires on every round of the event loop in which the system can
  // take more bytes, as long as SetWantSend(true) holds (level-triggered).
  TNotifyError OnCanSend;

  // A dotted address completes at once, inside the call; a name completes later.
  void DnsLookup(const QString& hostName);
  // The running lookup completes at once with error 10004.
  void CancelDnsLookup();
  void Connect();
  // Fires OnSessionClosed once, inside the call, unless the socket is already closed.
  void Close();
  // Closes once the notifications already queued have been delivered.
  void CloseDelayed();
  // 0 receive, 1 send, 2 both.
  void ShutDown(int how);
  void Listen();
  // The handle of the next waiting connection, or -1 (LastError 10035).
  qintptr Accept();
  // Takes an accepted handle over; the socket is then connected.
  void Dup(qintptr handle);
  // The count read, or -1 with LastError set (10035: no data yet).
  qint64 Receive(char* buffer, qint64 size);
  // Queues the bytes; OnDataSent fires when everything queued has gone out.
  qint64 Send(const QByteArray& bytes);
  qint64 SendStr(const QString& text);
  // Direct sending, for bulk data: the bytes go straight to the system, past the buffer of
  // Send, so there is no copy here and no event-loop round per block. Each call returns the
  // count the system took (possibly fewer than offered), or -1 with LastError set; 10035 means
  // the system's buffer is full, so wait for OnCanSend. Not to be mixed with Send while the
  // bytes of Send are still queued (the calls then report 10035 until they have gone).
  qint64 SendDirect(const char* data, qint64 size);
  void SetWantSend(bool want);
  // Bytes handed to the system that the peer has not acknowledged yet; -1 when unknown.
  qint64 UnacknowledgedBytes() const;
  QString GetXAddr() const;  // local address
  QString GetXPort() const;  // local port
  QString GetPeerAddr() const;
  int SendBufferSize() const;  // -1 when it cannot be read
  void ApplyLinger();

  // The port number of a number or a service name; 0 with *ok false when unknown.
  static quint16 ResolvePort(const QString& port, bool* ok);

 private:
  class Server;

  void StartLookupResult(const QHostInfo& info);
  void FinishLookup(int error, const QString& result);
  void AttachSocket(QTcpSocket* socket);
  void DetachSocket();
  void OnSocketConnected();
  void OnSocketReadyRead();
  void OnSocketError();
  void OnSocketDisconnected();
  void OnSocketBytesWritten();
  void OnIncoming(qintptr handle);
  void RunSocks();
  void ConnectFailed(int error);
  void DeliverData();
  void RemoteClosed(int error);
  bool HasData() const;
  void Fire(const TNotifyError& handler, int error);
  void UpdateSendNotifier();
  void DropSendNotifier();
  int DirectSendError(int nativeError);

  TSocketState m_state = wsClosed;
  int m_lastError = 0;
  QString m_dnsResult;
  int m_lookupId = -1;
  QString m_socksServer;
  QString m_socksPort = QStringLiteral("1080");
  QString m_socksLevel = QStringLiteral("5");
  QTcpSocket* m_socket = nullptr;
  Server* m_server = nullptr;
  std::deque<qintptr> m_pending;  // accepted handles not taken yet
  std::unique_ptr<TSocksNegotiator> m_socks;
  QByteArray m_socksInput;
  QByteArray m_prefix;  // bytes that came with the end of the SOCKS handshake
  bool m_sending = false;
  bool m_wantSend = false;
  QSocketNotifier* m_sendNotifier = nullptr;  // write readiness for direct sending
  bool m_readSinceNotify = false;
  bool m_renotifyPosted = false;
  int m_closeError = 0;
};
