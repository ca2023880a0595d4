#include "core/ftp/SocketErrors.h"

#include <cerrno>

QString WSocketErrorDesc(int error) {
  using namespace SocketError;
  switch (error) {
    case 0:
      return QStringLiteral("No error");
    case Interrupted:
      return QStringLiteral("Interrupted function call");
    case AccessDenied:
      return QStringLiteral("Permission denied");
    case WouldBlock:
      return QStringLiteral("Resource temporarily unavailable");
    case NotSocket:
      return QStringLiteral("Socket operation on non-socket");
    case MessageSize:
      return QStringLiteral("Message too long");
    case OperationNotSupported:
      return QStringLiteral("Operation not supported");
    case AddressInUse:
      return QStringLiteral("Address already in use");
    case AddressNotAvailable:
      return QStringLiteral("Cannot assign requested address");
    case NetworkDown:
      return QStringLiteral("Network is down");
    case NetworkUnreachable:
      return QStringLiteral("Network is unreachable");
    case ConnectionAborted:
      return QStringLiteral("Software caused connection abort");
    case ConnectionReset:
      return QStringLiteral("Connection reset by peer");
    case NoBufferSpace:
      return QStringLiteral("No buffer space available");
    case NotConnected:
      return QStringLiteral("Socket is not connected");
    case TimedOut:
      return QStringLiteral("Connection timed out");
    case ConnectionRefused:
      return QStringLiteral("Connection refused");
    case HostUnreachable:
      return QStringLiteral("No route to host");
    case HostNotFound:
      return QStringLiteral("Host not found");
    case TryAgain:
      return QStringLiteral("Non-authoritative host not found");
    case NoRecovery:
      return QStringLiteral("Non-recoverable error");
    case SocksProtocolError:
      return QStringLiteral("SOCKS protocol error");
    case SocksNoAcceptableMethod:
      return QStringLiteral("SOCKS server accepts none of the offered authentication methods");
    case SocksUnsupportedMethod:
      return QStringLiteral("SOCKS server asks for an unsupported authentication method");
    case SocksAuthenticationFailed:
      return QStringLiteral("SOCKS authentication failed");
    case SocksRequestRejected:
      return QStringLiteral("SOCKS request rejected or failed");
    case SocksIdentdUnreachable:
      return QStringLiteral("SOCKS request rejected: the server cannot reach identd");
    case SocksIdentdMismatch:
      return QStringLiteral("SOCKS request rejected: identd reports another user");
    case SocksNotAllowed:
      return QStringLiteral("SOCKS server does not allow the connection");
    case SocksNetworkUnreachable:
      return QStringLiteral("SOCKS server: network unreachable");
    case SocksHostUnreachable:
      return QStringLiteral("SOCKS server: host unreachable");
    case SocksConnectionRefused:
      return QStringLiteral("SOCKS server: connection refused");
    case SocksTtlExpired:
      return QStringLiteral("SOCKS server: TTL expired");
    case SocksCommandNotSupported:
      return QStringLiteral("SOCKS server: command not supported");
    case SocksAddressNotSupported:
      return QStringLiteral("SOCKS server: address type not supported");
    case SocksServerClosed:
      return QStringLiteral("SOCKS server closed the connection during negotiation");
    case SocksNeedsIPv4:
      return QStringLiteral("SOCKS 4 needs an IPv4 address");
    case SocksCredentialsTooLong:
      return QStringLiteral("SOCKS user name or password too long");
    default:
      return QStringLiteral("Unknown error #%1").arg(error);
  }
}

int SocketErrorFromQt(QAbstractSocket::SocketError error) {
  using namespace SocketError;
  switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
      return ConnectionRefused;
    case QAbstractSocket::RemoteHostClosedError:
      return 0;  // an orderly close
    case QAbstractSocket::HostNotFoundError:
      return HostNotFound;
    case QAbstractSocket::SocketAccessError:
      return AccessDenied;
    case QAbstractSocket::SocketResourceError:
      return NoBufferSpace;
    case QAbstractSocket::SocketTimeoutError:
      return TimedOut;
    case QAbstractSocket::DatagramTooLargeError:
      return MessageSize;
    case QAbstractSocket::NetworkError:
      return NetworkUnreachable;
    case QAbstractSocket::AddressInUseError:
      return AddressInUse;
    case QAbstractSocket::SocketAddressNotAvailableError:
      return AddressNotAvailable;
    case QAbstractSocket::UnsupportedSocketOperationError:
      return OperationNotSupported;
    case QAbstractSocket::TemporaryError:
      return WouldBlock;
    default:
      return ConnectionAborted;
  }
}

int SocketErrorFromLookup(QHostInfo::HostInfoError error) {
  switch (error) {
    case QHostInfo::NoError:
      return 0;
    case QHostInfo::HostNotFound:
      return SocketError::HostNotFound;
    default:
      return SocketError::NoRecovery;
  }
}

int SocketErrorFromNative(int error) {
#ifdef Q_OS_WIN
  return error;
#else
  using namespace SocketError;
  switch (error) {
    case 0:
      return 0;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return WouldBlock;
    case EPIPE:
    case ECONNABORTED:
      return ConnectionAborted;
    case ECONNRESET:
      return ConnectionReset;
    case ENOTCONN:
      return NotConnected;
    case ETIMEDOUT:
      return TimedOut;
    case EHOSTUNREACH:
      return HostUnreachable;
    case ENETUNREACH:
      return NetworkUnreachable;
    case ENETDOWN:
      return NetworkDown;
    case ENOBUFS:
    case ENOMEM:
      return NoBufferSpace;
    case EBADF:
    case ENOTSOCK:
      return NotSocket;
    case EACCES:
      return AccessDenied;
    case EMSGSIZE:
      return MessageSize;
    default:
      return OperationNotSupported;
  }
#endif
}
