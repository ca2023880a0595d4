#include "core/settings/SiteProperties.h"

#include "core/settings/RegistryKey.h"

void ReadSiteProperties(TSiteProperties& site, const QString& keyPath, RegistryStore& store) {
  RegistryKey key(store);
  if (!key.OpenKey(keyPath, false)) return;
  QString text;
  qint32 number = 0;
  if (key.ReadString(QStringLiteral("HostName"), text) && !text.isEmpty()) site.HostName = text;
  key.ReadInteger(QStringLiteral("Port"), site.Port);
  key.ReadString(QStringLiteral("UserName"), site.UserName);
  key.ReadString(QStringLiteral("Password"), site.Password);
  key.ReadBool(QStringLiteral("RememberLastVisitFolder"), site.RememberLastVisitFolder);
  key.ReadString(QStringLiteral("InitialFolder"), site.InitialFolder);
  key.ReadInteger(QStringLiteral("LoginRetry"), site.LoginRetry);
  key.ReadInteger(QStringLiteral("ReloginDelay"), site.ReloginDelay);
  key.ReadBool(QStringLiteral("ResumeTransfer"), site.ResumeTransfer);
  if (key.ReadInteger(QStringLiteral("TransferType"), number)) {
    site.TransferType = static_cast<TFTPTransferType>(number & 0xFF);
  }
  key.ReadBool(QStringLiteral("PassiveMode"), site.PassiveMode);
  key.ReadString(QStringLiteral("ListOption"), site.ListOption);
  key.CloseKey();
}

void WriteSiteProperties(const TSiteProperties& site, const QString& keyPath,
                         RegistryStore& store) {
  RegistryKey key(store);
  if (!key.OpenKey(keyPath, true)) return;
  key.WriteString(QStringLiteral("HostName"), site.HostName);
  key.WriteInteger(QStringLiteral("Port"), site.Port);
  key.WriteString(QStringLiteral("UserName"), site.UserName);
  key.WriteString(QStringLiteral("Password"), site.Password);
  key.WriteBool(QStringLiteral("RememberLastVisitFolder"), site.RememberLastVisitFolder);
  key.WriteString(QStringLiteral("InitialFolder"), site.InitialFolder);
  key.WriteInteger(QStringLiteral("LoginRetry"), site.LoginRetry);
  key.WriteInteger(QStringLiteral("ReloginDelay"), site.ReloginDelay);
  key.WriteBool(QStringLiteral("ResumeTransfer"), site.ResumeTransfer);
  key.WriteInteger(QStringLiteral("TransferType"), static_cast<qint32>(site.TransferType));
  key.WriteBool(QStringLiteral("PassiveMode"), site.PassiveMode);
  key.WriteString(QStringLiteral("ListOption"), site.ListOption);
  key.CloseKey();
}
