#include "core/carrier/Carrier.h"

TCarryRequest CarryRequestFor(const TFTPCarryItem& item) {
  const bool folder = item.IsFolder != 0;
  switch (item.Direction) {
    case carryUpload:
      return folder ? TCarryRequest::ExploreUpload : TCarryRequest::CarryUpload;
    case carryServerToServer:
      return folder ? TCarryRequest::ExploreServerToServer : TCarryRequest::CarryServerToServer;
    default:
      return folder ? TCarryRequest::ExploreDownload : TCarryRequest::CarryDownload;
  }
}

namespace {

bool UsesSource(const TFTPCarryItem& item) {
  return item.Direction != carryUpload;
}
bool UsesDestination(const TFTPCarryItem& item) {
  return item.Direction != carryDownload;
}

QString Server(const QString& host, const QString& port) {
  return host.toLower() + QLatin1Char(':') + port.trimmed();
}

}  // namespace

QString CarrierSessionKey(const TFTPCarryItem& item, const TCarrierConnection& connection) {
  QStringList parts;
  const auto side = [&parts](const QString& host, const QString& port, const QString& user,
                             const QString& password) {
    parts << Server(host, port) << user << password;
  };
  if (UsesSource(item)) {
    parts << QStringLiteral("src");
    side(item.SrcHostName, item.SrcPort, item.SrcUserName, item.SrcPassword);
  }
  if (UsesDestination(item)) {
    parts << QStringLiteral("dest");
    side(item.DestHostName, item.DestPort, item.DestUserName, item.DestPassword);
  }
  parts << (item.PassiveMode ? QStringLiteral("pasv") : QStringLiteral("port"));
  if (connection.Enabled) parts << QStringLiteral("proxy") << connection.Server << connection.Port;
  // Each part with its length first, so no choice of texts makes two logins look alike.
  QString key;
  for (const QString& part : parts) key += QString::number(part.size()) + QLatin1Char(':') + part;
  return key;
}

QStringList CarrierServers(const TFTPCarryItem& item) {
  QStringList servers;
  if (UsesSource(item)) servers << Server(item.SrcHostName, item.SrcPort);
  if (UsesDestination(item)) servers << Server(item.DestHostName, item.DestPort);
  return servers;
}
