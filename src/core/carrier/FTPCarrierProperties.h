#pragma once

#include <QString>
#include <memory>

#include "core/common/AsciiExtensionList.h"
#include "core/common/FtpTransferType.h"
#include "core/ftp/FtpTypes.h"

// What a carrier's request works on: copied from the queue item (and the options) before the
// request, and copied whole by the worker when the request starts.
struct TFTPCarrierProperties {
  QString FileName;
  QString SrcHostName, SrcPort, SrcUserName, SrcPassword, SrcPath, SrcLsOption;
  QString DestHostName, DestPort, DestUserName, DestPassword, DestPath, DestLsOption;
  qint64 FileSize = -1;  // for the progress display
  int ConnectRetry = 30;
  bool ResumeTransfer = false;
  TFTPTransferType SrcTransferType = ftpTypeBinary;
  TFTPTransferType DestTransferType = ftpTypeBinary;
  std::shared_ptr<AsciiExtensionList> ASCIIExts;
  bool PassiveMode = true;
  TFtpConnectionType ProxyType = ftpDirect;
  QString ProxyServer;
  QString ProxyPort;
  int Timeout = 30;  // seconds without a byte from a server; 0 waits without limit
};
