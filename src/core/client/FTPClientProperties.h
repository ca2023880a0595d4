#pragma once

#include <QString>
#include <memory>

#include "core/client/FTPConsts.h"
#include "core/client/FTPNameList.h"
#include "core/common/AsciiExtensionList.h"

class TFTPListItems;

// What a background client's request works on: the caller sets these on the client while it
// is not Busy, and the worker takes a copy of them when the request starts.
struct TFTPClientProperties {
  QString HostName;
  QString Port;
  QString UserName;
  QString Password;
  QString HostDirName;
  QString LocalDirName;
  QString HostFileName;
  QString LocalFileName;
  std::shared_ptr<AsciiExtensionList> ASCIIExts;  // shared with the options, not a copy
  int LoginRetry = 30;
  int ReloginDelay = 1;  // seconds
  bool ResumeTransfer = false;
  TFTPTransferType TransferType = ftpTypeBinary;
  QString InitialFolder;
  bool PassiveMode = true;
  QString LsOption;
  int Timeout = 30;  // seconds without a byte from the server; 0 waits without limit

  TFTPListItems* ListItems = nullptr;  // the caller's, filled by GetListItems
  TFTPNameList HostFileNames;
  TFTPNameList LocalFileNames;
};
