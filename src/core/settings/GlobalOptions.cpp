#include "core/settings/GlobalOptions.h"

#include <QDir>
#include <QFileInfo>

#include "core/common/PathHelpers.h"
#include "core/common/Platform.h"
#include "core/common/StringHelpers.h"
#include "core/settings/RegistryKey.h"
#include "core/settings/RegistryPaths.h"

TGlobalOptions::TGlobalOptions()
    : Email(DefaultEmail()),
      TempDownloadFolder(Platform::TempFolder()),
      LoggedinWav(QStringLiteral("Loggedin.wav")),
      TransferDoneWav(QStringLiteral("TransferDone.wav")),
      ErrorWav(QStringLiteral("Error.wav")),
      FontName(QStringLiteral("Tahoma")),
      PingApp(QStringLiteral("ping")),
      TelnetApp(QStringLiteral("telnet")),
      m_asciiExts(std::make_shared<AsciiExtensionList>(DefaultASCIIFileExts())) {}

QStringList TGlobalOptions::DefaultASCIIFileExts() {
  return {QStringLiteral(".txt"), QStringLiteral(".htm"), QStringLiteral(".html"),
          QStringLiteral(".c"),   QStringLiteral(".cpp"), QStringLiteral(".h"),
          QStringLiteral(".hpp")};
}

QString TGlobalOptions::DefaultEmail() {
  return QStringLiteral("guest@example.invalid");
}

QStringList TGlobalOptions::ParseASCIIFileExts(const QString& text) {
  QStringList entries;
  for (const QString& piece : SplitString(text, QStringLiteral(";"))) {
    entries << piece.trimmed().toLower();
  }
  return entries;
}

QString TGlobalOptions::ASCIIFileExtsText() const {
  QString text;
  for (const QString& entry : *m_asciiExts->Get()) text += entry + QLatin1Char(';');
  return text;
}

void TGlobalOptions::LoadGlobalOptions(RegistryStore& store) {
  RegistryKey key(store);
  if (!key.OpenKey(RegistryPaths::GlobalOptionsKey(), false)) return;
  // Strings whose empty stored value keeps the default.
  const auto readNonEmpty = [&key](const char* name, QString& field) {
    QString text;
    if (key.ReadString(QLatin1String(name), text) && !text.isEmpty()) field = text;
  };
  readNonEmpty("FontName", FontName);
  key.ReadInteger(QStringLiteral("FontSize"), FontSize);
  key.ReadInteger(QStringLiteral("ActiveBarColor"), ActiveBarColor);
  key.ReadInteger(QStringLiteral("InactiveBarColor"), InactiveBarColor);
  readNonEmpty("Email", Email);
  QString text;
  if (key.ReadString(QStringLiteral("ASCIIFileExts"), text) && !text.isEmpty()) {
    SetASCIIFileExts(ParseASCIIFileExts(text));
  }
  if (key.ReadString(QStringLiteral("TempDownloadFolder"), text) && !text.isEmpty() &&
      QFileInfo(text).isDir()) {
    TempDownloadFolder = WithTrailingBackslash(text);
  }
  readNonEmpty("LoggedinWav", LoggedinWav);
  readNonEmpty("ErrorWav", ErrorWav);
  readNonEmpty("TransferDoneWav", TransferDoneWav);
  readNonEmpty("PingApp", PingApp);
  readNonEmpty("TelnetApp", TelnetApp);
  key.ReadInteger(QStringLiteral("FTPProxyType"), FTPProxyType);
  readNonEmpty("FTPProxyServer", FTPProxyServer);
  key.ReadInteger(QStringLiteral("FTPProxyPort"), FTPProxyPort);
  key.ReadInteger(QStringLiteral("Timeout"), Timeout);
  key.CloseKey();
  if (FontSize > kMaxFontSize) FontSize = kMaxFontSize;
  Timeout = qBound(0, Timeout, kMaxTimeout);
}

void TGlobalOptions::SaveGlobalOptions(RegistryStore& store) const {
  RegistryKey key(store);
  if (!key.OpenKey(RegistryPaths::GlobalOptionsKey(), true)) return;
  key.WriteString(QStringLiteral("FontName"), FontName);
  key.WriteInteger(QStringLiteral("FontSize"), FontSize);
  key.WriteInteger(QStringLiteral("ActiveBarColor"), ActiveBarColor);
  key.WriteInteger(QStringLiteral("InactiveBarColor"), InactiveBarColor);
  key.WriteString(QStringLiteral("Email"), Email);
  key.WriteString(QStringLiteral("ASCIIFileExts"), ASCIIFileExtsText());
  key.WriteString(QStringLiteral("TempDownloadFolder"), TempDownloadFolder);
  key.WriteString(QStringLiteral("LoggedinWav"), LoggedinWav);
  key.WriteString(QStringLiteral("ErrorWav"), ErrorWav);
  key.WriteString(QStringLiteral("TransferDoneWav"), TransferDoneWav);
  key.WriteString(QStringLiteral("PingApp"), PingApp);
  key.WriteString(QStringLiteral("TelnetApp"), TelnetApp);
  key.WriteInteger(QStringLiteral("FTPProxyType"), FTPProxyType);
  key.WriteString(QStringLiteral("FTPProxyServer"), FTPProxyServer);
  key.WriteInteger(QStringLiteral("FTPProxyPort"), FTPProxyPort);
  key.WriteInteger(QStringLiteral("Timeout"), Timeout);
  key.CloseKey();
}

TGlobalOptions& GlobalOptions() {
  static TGlobalOptions* instance = [] {
    auto* options = new TGlobalOptions();  // lives for the whole run
    options->LoadGlobalOptions();
    return options;
  }();
  return *instance;
}
