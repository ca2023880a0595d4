#pragma once

#include <QString>
#include <QStringList>

#include "cli/FtpUrl.h"
#include "core/common/FtpTransferType.h"
#include "core/ftp/FtpTypes.h"

// What the command line asked for: vornalo-ftp [OPTIONS] ADDRESS COMMAND [ARGS...]
struct TCliArguments {
  bool Active = false;
  TFTPTransferType Type = ftpTypeBinary;
  bool Resume = false;
  int Retries = 3;
  int Delay = 1;  // seconds between login attempts
  QString FtpProxyHost;
  QString FtpProxyPort;
  TFtpConnectionType Socks = ftpDirect;
  QString SocksHost;
  QString SocksPort;
  QString SocksUser;
  QString SocksPassword;
  int Timeout = 30;  // seconds without a byte from a server; 0 waits without limit
  int Parallel = 0;  // get/put/copy through the queue with this many carriers; 0: one connection
  bool Quiet = false;
  bool Help = false;
  bool Version = false;

  TFtpUrl Url;
  QString Command;
  QStringList Args;
  TFtpUrl DestUrl;  // copy: the last argument
};

// `arguments` without the program name. False with `error` set on bad input; --help and
// --version succeed without an address.
bool ParseCliArguments(const QStringList& arguments, TCliArguments& out, QString* error);
QString CliUsage();
