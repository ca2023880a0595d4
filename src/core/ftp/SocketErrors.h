#pragma once

#include <QAbstractSocket>
#include <QHostInfo>
#include <QString>

// Error numbers of the socket layer. They follow the Winsock numbering, which the engine's
// messages quote ("(Winsock error #10061)"), whatever the platform underneath.
namespace SocketError {
constexpr int Interrupted = 10004;  // a lookup was cancelled
constexpr int WouldBlock = 10035;   // no data yet
constexpr int NotSocket = 10038;
constexpr int MessageSize = 10040;
constexpr int OperationNotSupported = 10045;
constexpr int AddressInUse = 10048;
constexpr int AddressNotAvailable = 10049;
constexpr int NetworkDown = 10050;
constexpr int NetworkUnreachable = 10051;
constexpr int ConnectionAborted = 10053;
constexpr int ConnectionReset = 10054;
constexpr int NoBufferSpace = 10055;
constexpr int NotConnected = 10057;
constexpr int TimedOut = 10060;
constexpr int ConnectionRefused = 10061;
constexpr int HostUnreachable = 10065;
constexpr int AccessDenied = 10013;
constexpr int HostNotFound = 11001;
constexpr int TryAgain = 11002;
constexpr int NoRecovery = 11003;

// Failures of the SOCKS negotiation.
constexpr int SocksProtocolError = 20001;
constexpr int SocksNoAcceptableMethod = 20002;
constexpr int SocksUnsupportedMethod = 20003;
constexpr int SocksAuthenticationFailed = 20004;
constexpr int SocksRequestRejected = 20005;
constexpr int SocksIdentdUnreachable = 20006;
constexpr int SocksIdentdMismatch = 20007;
constexpr int SocksNotAllowed = 20008;
constexpr int SocksNetworkUnreachable = 20009;
constexpr int SocksHostUnreachable = 20010;
constexpr int SocksConnectionRefused = 20011;
constexpr int SocksTtlExpired = 20012;
constexpr int SocksCommandNotSupported = 20013;
constexpr int SocksAddressNotSupported = 20014;
constexpr int SocksServerClosed = 20015;
constexpr int SocksNeedsIPv4 = 20016;
constexpr int SocksCredentialsTooLong = 20017;
}  // namespace SocketError

// Readable text for an error number; unknown numbers give "Unknown error #<n>".
QString WSocketErrorDesc(int error);

// The error number for a failure reported by Qt.
int SocketErrorFromQt(QAbstractSocket::SocketError error);
int SocketErrorFromLookup(QHostInfo::HostInfoError error);
// The error number for a failed system call on a socket (errno; on Windows the Winsock
// number, which is returned as it is).
int SocketErrorFromNative(int error);
