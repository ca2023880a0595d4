#pragma once

#include <QString>
#include <functional>

#include "core/common/FtpTransferType.h"

class TThreadedFTPClient;

enum TFTPAuthenticate { ftpAuthUserName = 0, ftpAuthPassword = 1 };

using TFTPDisplayEvent = std::function<void(TThreadedFTPClient* Sender, const QString& Msg)>;
using TFTPTransferStatusEvent = std::function<void(TThreadedFTPClient* Sender, qint64 position,
                                                   qint64 transfered, double elapsed)>;
using TFTPAuthenticateEvent = std::function<void(TThreadedFTPClient* Sender, TFTPAuthenticate auth,
                                                 QString& need, bool& cancel)>;
using TFTPNotifyEvent = std::function<void(TThreadedFTPClient* Sender)>;

// Request numbers: the first user message number plus 100 and up.
enum TFTPClientRequest : int {
  rqConnect = 1124,
  rqChangeFolder = 1125,
  rqGetFolder = 1126,
  rqGetListItems = 1127,
  rqRename = 1128,
  rqRemove = 1129,
  rqDownloadFile = 1130,
  rqUploadFile = 1131,
  rqAbort = 1132,
  rqMakeFolder = 1133,
  rqDownloads = 1134,
  rqUploads = 1135,
  rqQuit = 1136,
  rqChangePerms = 1137,
  rqUppercase = 1138,
  rqLowercase = 1139,
  rqQuote = 1140,
  rqChangePermsRecursive = 1141,
  rqMove = 1142,
};

// Outcome of a request as LastResult reports it.
enum : quint8 { ftpResultOk = 0, ftpResultFailed = 1, ftpResultAborted = 2 };
