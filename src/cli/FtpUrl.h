#pragma once

#include <QString>

// ftp://[USER@]HOST[:PORT][/FOLDER], with percent escapes allowed in the user and folder.
struct TFtpUrl {
  QString User;
  QString Host;
  QString Port = QStringLiteral("21");
  QString Folder;  // empty: the folder the server puts the user in

  // False with `error` set for anything that is not such an address.
  static bool Parse(const QString& text, TFtpUrl& url, QString* error);
};

// A remote name relative to `base` unless it starts with "/"; "." and ".." are resolved.
QString ResolveRemotePath(const QString& base, const QString& name);
QString RemoteParent(const QString& path);
QString RemoteBaseName(const QString& path);
