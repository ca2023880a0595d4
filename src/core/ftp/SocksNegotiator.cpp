#include "core/ftp/SocksNegotiator.h"

#include <QHostAddress>

#include "core/ftp/SocketErrors.h"

namespace {

bool IsIPv4(const QString& host, QHostAddress* address) {
  QHostAddress parsed;
  if (!parsed.setAddress(host) || parsed.protocol() != QAbstractSocket::IPv4Protocol) return false;
  if (address) *address = parsed;
  return true;
}

QByteArray IPv4Bytes(const QHostAddress& address) {
  const quint32 v = address.toIPv4Address();
  QByteArray bytes(4, '\0');
  bytes[0] = static_cast<char>((v >> 24) & 0xFF);
  bytes[1] = static_cast<char>((v >> 16) & 0xFF);
  bytes[2] = static_cast<char>((v >> 8) & 0xFF);
  bytes[3] = static_cast<char>(v & 0xFF);
  return bytes;
}

int Socks5ReplyError(unsigned char rep) {
  using namespace SocketError;
  switch (rep) {
    case 2:
      return SocksNotAllowed;
    case 3:
      return SocksNetworkUnreachable;
    case 4:
      return SocksHostUnreachable;
    case 5:
      return SocksConnectionRefused;
    case 6:
      return SocksTtlExpired;
    case 7:
      return SocksCommandNotSupported;
    case 8:
      return SocksAddressNotSupported;
    default:
      return SocksRequestRejected;
  }
}

}  // namespace

TSocksNegotiator::TSocksNegotiator(const QString& level, TSocksAuthentication authentication,
                                   const QString& userCode, const QString& password,
                                   const QString& targetHost, quint16 targetPort)
    : m_level(level.trimmed().toUpper()),
      m_authentication(authentication),
      m_user(userCode.toUtf8()),
      m_password(password.toUtf8()),
      m_host(targetHost),
      m_port(targetPort) {}

QByteArray TSocksNegotiator::PortBytes(quint16 port) {
  QByteArray bytes(2, '\0');
  bytes[0] = static_cast<char>(port >> 8);
  bytes[1] = static_cast<char>(port & 0xFF);
  return bytes;
}

TSocksNegotiator::Result TSocksNegotiator::Fail(int error) {
  m_error = error;
  m_phase = Phase::Finished;
  return Result::Failed;
}

QByteArray TSocksNegotiator::Start() {
  m_error = 0;
  QHostAddress address;
  const bool numeric = IsIPv4(m_host, &address);
  if (m_level == QLatin1String("4") || m_level == QLatin1String("4A")) {
    if (m_level == QLatin1String("4") && !numeric) {
      Fail(SocketError::SocksNeedsIPv4);
      return {};
    }
    QByteArray request;
    request.append('\x04').append('\x01').append(PortBytes(m_port));
    // 4A: the invalid address 0.0.0.1 tells the server to resolve the name after the user id.
    request.append(m_level == QLatin1String("4") ? IPv4Bytes(address) : QByteArray("\0\0\0\1", 4));
    request.append(m_user).append('\0');
    if (m_level == QLatin1String("4A")) request.append(m_host.toUtf8()).append('\0');
    m_phase = Phase::Socks4Reply;
    return request;
  }
  if (m_user.size() > 255 || m_password.size() > 255) {
    Fail(SocketError::SocksCredentialsTooLong);
    return {};
  }
  m_phase = Phase::MethodChoice;
  if (m_authentication == socksAuthenticateUsercode) return QByteArray("\x05\x02\x00\x02", 4);
  return QByteArray("\x05\x01\x00", 3);
}

QByteArray TSocksNegotiator::Socks5Request() const {
  QByteArray request("\x05\x01\x00", 3);
  QHostAddress address;
  if (IsIPv4(m_host, &address)) {
    request.append('\x01').append(IPv4Bytes(address));
  } else if (address.setAddress(m_host) && address.protocol() == QAbstractSocket::IPv6Protocol) {
    const Q_IPV6ADDR v6 = address.toIPv6Address();
    request.append('\x04').append(reinterpret_cast<const char*>(v6.c), 16);
  } else {
    const QByteArray name = m_host.toUtf8().left(255);
    request.append('\x03').append(static_cast<char>(name.size())).append(name);
  }
  request.append(PortBytes(m_port));
  return request;
}

TSocksNegotiator::Result TSocksNegotiator::Feed(QByteArray& input, QByteArray& toSend) {
  toSend.clear();
  for (;;) {
    const auto byteAt = [&input](int i) { return static_cast<unsigned char>(input.at(i)); };
    switch (m_phase) {
      case Phase::Idle:
      case Phase::Finished:
        return m_error ? Result::Failed : Result::Done;
      case Phase::Socks4Reply: {
        if (input.size() < 8) return Result::NeedMore;
        const unsigned char version = byteAt(0);
        const unsigned char code = byteAt(1);
        input.remove(0, 8);
        if (version != 0 && version != 4) return Fail(SocketError::SocksProtocolError);
        if (code == 90) {
          m_phase = Phase::Finished;
          return Result::Done;
        }
        if (code == 92) return Fail(SocketError::SocksIdentdUnreachable);
        if (code == 93) return Fail(SocketError::SocksIdentdMismatch);
        return Fail(SocketError::SocksRequestRejected);
      }
      case Phase::MethodChoice: {
        if (input.size() < 2) return Result::NeedMore;
        const unsigned char version = byteAt(0);
        const unsigned char method = byteAt(1);
        input.remove(0, 2);
        if (version != 5) return Fail(SocketError::SocksProtocolError);
        if (method == 0xFF) return Fail(SocketError::SocksNoAcceptableMethod);
        if (method == 0x00) {
          toSend.append(Socks5Request());
          m_phase = Phase::Socks5Reply;
          continue;
        }
        if (method == 0x02 && m_authentication == socksAuthenticateUsercode) {
          toSend.append('\x01').append(static_cast<char>(m_user.size())).append(m_user);
          toSend.append(static_cast<char>(m_password.size())).append(m_password);
          m_phase = Phase::AuthReply;
          continue;
        }
        return Fail(SocketError::SocksUnsupportedMethod);
      }
      case Phase::AuthReply: {
        if (input.size() < 2) return Result::NeedMore;
        const unsigned char status = byteAt(1);
        input.remove(0, 2);
        if (status != 0) return Fail(SocketError::SocksAuthenticationFailed);
        toSend.append(Socks5Request());
        m_phase = Phase::Socks5Reply;
        continue;
      }
      case Phase::Socks5Reply: {
        if (input.size() < 2) return Result::NeedMore;
        if (byteAt(0) != 5) return Fail(SocketError::SocksProtocolError);
        // A refusal may come without the address part before the server hangs up.
        if (byteAt(1) != 0) {
          const unsigned char reply = byteAt(1);
          input.clear();
          return Fail(Socks5ReplyError(reply));
        }
        if (input.size() < 5) return Result::NeedMore;
        int length = 0;
        switch (byteAt(3)) {
          case 1:
            length = 4 + 4 + 2;
            break;
          case 3:
            length = 4 + 1 + byteAt(4) + 2;
            break;
          case 4:
            length = 4 + 16 + 2;
            break;
          default:
            return Fail(SocketError::SocksProtocolError);
        }
        if (input.size() < length) return Result::NeedMore;
        input.remove(0, length);
        m_phase = Phase::Finished;
        return Result::Done;
      }
    }
  }
}
