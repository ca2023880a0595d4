#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "core/common/AsciiExtensionList.h"
#include "core/common/Color.h"
#include "core/settings/RegistryStore.h"

// The settings not tied to one site. One instance, GlobalOptions(), exists for the whole run.
class TGlobalOptions {
 public:
  static constexpr int kMaxFontSize = 9;
  static constexpr int kMaxTimeout = 86400;  // one day, in seconds

  TGlobalOptions();

  QString Email;
  QString TempDownloadFolder;  // always ends with the path delimiter
  QString LoggedinWav;
  QString TransferDoneWav;
  QString ErrorWav;
  QString FontName;
  qint32 FontSize = 8;
  TColor ActiveBarColor = clActiveCaption;
  TColor InactiveBarColor = clInactiveCaption;
  QString PingApp;
  QString TelnetApp;
  qint32 FTPProxyType = 0;  // 0 none, 1 "User with no login"
  QString FTPProxyServer;
  qint32 FTPProxyPort = 21;
  // Seconds without a byte from a server before a request gives up; 0 waits without limit.
  qint32 Timeout = 30;

  // Workers read the list while the options dialog may replace it; they share this holder,
  // not a copy, so a change takes effect on the next transfer.
  const std::shared_ptr<AsciiExtensionList>& ASCIIExts() const { return m_asciiExts; }
  QStringList ASCIIFileExts() const { return *m_asciiExts->Get(); }
  void SetASCIIFileExts(QStringList entries) { m_asciiExts->Replace(std::move(entries)); }
  // Every entry followed by ";", as stored and as shown in the dialog.
  QString ASCIIFileExtsText() const;

  void LoadGlobalOptions(RegistryStore& store = RegistryStore::Current());
  void SaveGlobalOptions(RegistryStore& store = RegistryStore::Current()) const;

  static QStringList DefaultASCIIFileExts();
  static QString DefaultEmail();
  // Split at ";", skip empty pieces, trim and lower-case each.
  static QStringList ParseASCIIFileExts(const QString& text);

 private:
  std::shared_ptr<AsciiExtensionList> m_asciiExts;
};

// The program-wide instance: created with defaults and loaded on first use.
TGlobalOptions& GlobalOptions();
