#pragma once

#include <QString>

#include "core/common/FtpTransferType.h"
#include "core/settings/RegistryStore.h"

class TSiteBookNode;  // defined by the site book

// The connection settings of one saved site. The site's name is its registry key's name and
// its tree node's caption, not a field here.
class TSiteProperties {
 public:
  QString HostName;
  qint32 Port = 21;
  QString UserName;
  QString Password;  // kept and stored as plain text
  QString InitialFolder;
  qint32 LoginRetry = 10;
  qint32 ReloginDelay = 3;  // seconds
  bool RememberLastVisitFolder = true;
  bool ResumeTransfer = false;
  TFTPTransferType TransferType = ftpTypeAuto;
  bool PassiveMode = true;
  QString ListOption = QStringLiteral("-a");
  // The site book node this record belongs to; not owned, not stored.
  TSiteBookNode* SiteNode = nullptr;
  bool QuickConnect = false;  // never written anywhere
};

// Fill `site` from the key at `keyPath`; a missing key or a value of another type leaves the
// field as it was.
void ReadSiteProperties(TSiteProperties& site, const QString& keyPath,
                        RegistryStore& store = RegistryStore::Current());
// Store the twelve stored fields under `keyPath`, creating the key when needed.
void WriteSiteProperties(const TSiteProperties& site, const QString& keyPath,
                         RegistryStore& store = RegistryStore::Current());
