#include "cli/FtpUrl.h"

#include <QStringList>
#include <QUrl>

#include "core/common/StringHelpers.h"

bool TFtpUrl::Parse(const QString& text, TFtpUrl& url, QString* error) {
  const auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  const QString scheme = QStringLiteral("ftp://");
  if (!text.startsWith(scheme, Qt::CaseInsensitive)) {
    return fail(QStringLiteral("an address must start with ftp://"));
  }
  QString rest = text.mid(scheme.size());
  const qsizetype slash = rest.indexOf(QLatin1Char('/'));
  QString authority = slash < 0 ? rest : rest.left(slash);
  url.Folder = slash < 0 ? QString() : QUrl::fromPercentEncoding(rest.mid(slash).toUtf8());
  if (url.Folder.size() > 1 && url.Folder.endsWith(QLatin1Char('/'))) url.Folder.chop(1);
  const qsizetype at = authority.lastIndexOf(QLatin1Char('@'));
  if (at >= 0) {
    url.User = QUrl::fromPercentEncoding(authority.left(at).toUtf8());
    authority = authority.mid(at + 1);
    if (url.User.isEmpty()) return fail(QStringLiteral("the user name before \"@\" is empty"));
    if (url.User.contains(QLatin1Char(':'))) {
      return fail(
          QStringLiteral("give the password through VORNALO_PASSWORD or the prompt, "
                         "not in the address"));
    }
  }
  QString host = authority;
  if (host.startsWith(QLatin1Char('['))) {  // [IPv6]:port
    const qsizetype close = host.indexOf(QLatin1Char(']'));
    if (close < 0) return fail(QStringLiteral("unclosed \"[\" in the host"));
    const QString after = host.mid(close + 1);
    url.Host = host.mid(1, close - 1);
    if (after.startsWith(QLatin1Char(':')))
      url.Port = after.mid(1);
    else if (!after.isEmpty())
      return fail(QStringLiteral("unexpected text after the host"));
  } else {
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
      url.Port = host.mid(colon + 1);
      host = host.left(colon);
    }
    url.Host = host;
  }
  if (url.Host.isEmpty()) return fail(QStringLiteral("the address names no host"));
  bool ok = false;
  const int port = url.Port.toInt(&ok);
  if (!IsNumber(url.Port) || !ok || port < 1 || port > 65535) {
    return fail(QStringLiteral("the port must be a number from 1 to 65535"));
  }
  return true;
}

QString ResolveRemotePath(const QString& base, const QString& name) {
  const QString joined =
      name.startsWith(QLatin1Char('/'))
          ? name
          : (base.isEmpty() ? QStringLiteral("/") : base) + QLatin1Char('/') + name;
  QStringList parts;
  for (const QString& part : joined.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    if (part == QLatin1String(".")) continue;
    if (part == QLatin1String("..")) {
      if (!parts.isEmpty()) parts.removeLast();
      continue;
    }
    parts << part;
  }
  return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

QString RemoteParent(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash <= 0) return QStringLiteral("/");
  return path.left(slash);
}

QString RemoteBaseName(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? path : path.mid(slash + 1);
}
