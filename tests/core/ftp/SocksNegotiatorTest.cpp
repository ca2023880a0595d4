// The SOCKS handshake as bytes: what is sent for each level and how each answer is taken.
#include <gtest/gtest.h>

#include "core/ftp/SocketErrors.h"
#include "core/ftp/SocksNegotiator.h"

namespace {

using Result = TSocksNegotiator::Result;

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (int v : values) bytes.append(static_cast<char>(v));
  return bytes;
}

TEST(SocksNegotiator, Socks4SendsTheAddressAndUserId) {
  TSocksNegotiator n(QStringLiteral("4"), socksAuthenticateUsercode, QStringLiteral("joe"),
                     QString(), QStringLiteral("10.1.2.3"), 21);
  EXPECT_EQ(n.Start(), Bytes({4, 1, 0, 21, 10, 1, 2, 3, 'j', 'o', 'e', 0}));
  QByteArray input = Bytes({0, 90, 0, 0, 0, 0, 0, 0}) + "220 hi";
  QByteArray out;
  EXPECT_EQ(n.Feed(input, out), Result::Done);
  EXPECT_EQ(input, QByteArray("220 hi")) << "bytes after the reply belong to the tunnel";
  EXPECT_TRUE(out.isEmpty());
}

TEST(SocksNegotiator, Socks4ANamesTheHostForTheServerToResolve) {
  TSocksNegotiator n(QStringLiteral("4a"), socksNoAuthentication, QString(), QString(),
                     QStringLiteral("ftp.example.com"), 2121);
  EXPECT_EQ(n.Start(), Bytes({4, 1, 0x08, 0x49, 0, 0, 0, 1, 0}) + "ftp.example.com" + Bytes({0}));
  TSocksNegotiator needsAddress(QStringLiteral("4"), socksNoAuthentication, QString(), QString(),
                                QStringLiteral("ftp.example.com"), 21);
  EXPECT_TRUE(needsAddress.Start().isEmpty());
  EXPECT_EQ(needsAddress.Error(), SocketError::SocksNeedsIPv4);
}

TEST(SocksNegotiator, Socks4Refusals) {
  const QList<QPair<int, int>> cases{{91, SocketError::SocksRequestRejected},
                                     {92, SocketError::SocksIdentdUnreachable},
                                     {93, SocketError::SocksIdentdMismatch}};
  for (const auto& [code, error] : cases) {
    TSocksNegotiator n(QStringLiteral("4"), socksNoAuthentication, QString(), QString(),
                       QStringLiteral("127.0.0.1"), 21);
    n.Start();
    QByteArray input = Bytes({0, code, 0, 0, 0, 0, 0, 0});
    QByteArray out;
    EXPECT_EQ(n.Feed(input, out), Result::Failed);
    EXPECT_EQ(n.Error(), error);
  }
}

TEST(SocksNegotiator, Socks5WithUserNameAndPasswordInOneByteReads) {
  TSocksNegotiator n(QStringLiteral("5"), socksAuthenticateUsercode, QStringLiteral("u"),
                     QStringLiteral("pw"), QStringLiteral("127.0.0.1"), 21);
  EXPECT_EQ(n.Start(), Bytes({5, 2, 0, 2}));
  const QByteArray server = Bytes({5, 2}) + Bytes({1, 0}) + Bytes({5, 0, 0, 1, 1, 2, 3, 4, 0, 80});
  QByteArray input;
  QByteArray sent;
  Result result = Result::NeedMore;
  for (char byte : server) {
    ASSERT_EQ(result, Result::NeedMore);
    input.append(byte);
    QByteArray out;
    result = n.Feed(input, out);
    sent += out;
  }
  EXPECT_EQ(result, Result::Done);
  EXPECT_EQ(sent, Bytes({1, 1, 'u', 2, 'p', 'w'}) + Bytes({5, 1, 0, 1, 127, 0, 0, 1, 0, 21}));
  EXPECT_TRUE(input.isEmpty());
}

TEST(SocksNegotiator, Socks5NamesAHostAndReadsADomainReply) {
  TSocksNegotiator n(QStringLiteral("5"), socksNoAuthentication, QString(), QString(),
                     QStringLiteral("host.example"), 21);
  EXPECT_EQ(n.Start(), Bytes({5, 1, 0}));
  QByteArray input = Bytes({5, 0});
  QByteArray out;
  EXPECT_EQ(n.Feed(input, out), Result::NeedMore);
  EXPECT_EQ(out, Bytes({5, 1, 0, 3, 12}) + "host.example" + Bytes({0, 21}));
  input = Bytes({5, 0, 0, 3, 4}) + "abcd" + Bytes({0, 21}) + "220";
  EXPECT_EQ(n.Feed(input, out), Result::Done);
  EXPECT_EQ(input, QByteArray("220"));
}

TEST(SocksNegotiator, Socks5Failures) {
  struct Case {
    const char* name;
    TSocksAuthentication authentication;
    QByteArray answer;
    int error;
  };
  const QList<Case> cases{
      {"no acceptable method", socksAuthenticateUsercode, Bytes({5, 0xFF}),
       SocketError::SocksNoAcceptableMethod},
      {"server asks for GSSAPI", socksAuthenticateUsercode, Bytes({5, 1}),
       SocketError::SocksUnsupportedMethod},
      {"server asks for a password that was not offered", socksNoAuthentication, Bytes({5, 2}),
       SocketError::SocksUnsupportedMethod},
      {"password refused", socksAuthenticateUsercode, Bytes({5, 2, 1, 1}),
       SocketError::SocksAuthenticationFailed},
      {"not allowed", socksNoAuthentication, Bytes({5, 0, 5, 2, 0, 1}),
       SocketError::SocksNotAllowed},
      {"connection refused", socksNoAuthentication, Bytes({5, 0, 5, 5, 0, 1, 0, 0, 0, 0, 0, 0}),
       SocketError::SocksConnectionRefused},
      {"host unreachable", socksNoAuthentication, Bytes({5, 0, 5, 4, 0, 1}),
       SocketError::SocksHostUnreachable},
      {"wrong version", socksNoAuthentication, Bytes({4, 0}), SocketError::SocksProtocolError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TSocksNegotiator n(QStringLiteral("5"), c.authentication, QStringLiteral("u"),
                       QStringLiteral("p"), QStringLiteral("127.0.0.1"), 21);
    n.Start();
    QByteArray input = c.answer;
    QByteArray out;
    EXPECT_EQ(n.Feed(input, out), Result::Failed);
    EXPECT_EQ(n.Error(), c.error);
  }
}

TEST(SocksNegotiator, OverlongCredentialsAreRefusedBeforeSending) {
  TSocksNegotiator n(QStringLiteral("5"), socksAuthenticateUsercode, QString(300, QLatin1Char('u')),
                     QStringLiteral("p"), QStringLiteral("127.0.0.1"), 21);
  EXPECT_TRUE(n.Start().isEmpty());
  EXPECT_EQ(n.Error(), SocketError::SocksCredentialsTooLong);
}

}  // namespace
