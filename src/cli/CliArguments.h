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
  bool Quiet = false;
  bool Help = false;
  bool Version = false;

  TFtpUrl Url;
  QString Command;
  QStringList Args;
};

// `arguments` without the program name. False with `error` set on bad input; --help and
// --version succeed without an address.
bool ParseCliArguments(const QStringList& arguments, TCliArguments& out, QString* error);
QString CliUsage();
