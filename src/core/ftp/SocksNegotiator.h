#pragma once

#include <QByteArray>
#include <QString>

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };

// The client side of a SOCKS 4, 4A or 5 handshake (RFC 1928, user name and password per
// RFC 1929), as bytes in and bytes out, so it can run over any transport. `Start` gives the
// first bytes to send; `Feed` takes what the server sent, consumes exactly the bytes of the
// handshake (anything after them belongs to the tunnelled protocol) and says how it goes.
class TSocksNegotiator {
 public:
  enum class Result { NeedMore, Done, Failed };

  // `level` is "4", "4A" or "5" (case-insensitive). `targetHost` is a dotted address or, for
  // 4A and 5, a host name that the SOCKS server resolves.
  TSocksNegotiator(const QString& level, TSocksAuthentication authentication,
                   const QString& userCode, const QString& password, const QString& targetHost,
                   quint16 targetPort);

  // Empty with `Error()` set when the settings cannot be sent (SOCKS 4 with a name, a too
  // long user name).
  QByteArray Start();
  Result Feed(QByteArray& input, QByteArray& toSend);
  int Error() const { return m_error; }

 private:
  enum class Phase { Idle, Socks4Reply, MethodChoice, AuthReply, Socks5Reply, Finished };

  Result Fail(int error);
  QByteArray Socks5Request() const;
  static QByteArray PortBytes(quint16 port);

  QString m_level;
  TSocksAuthentication m_authentication;
  QByteArray m_user;
  QByteArray m_password;
  QString m_host;
  quint16 m_port;
  Phase m_phase = Phase::Idle;
  int m_error = 0;
};
