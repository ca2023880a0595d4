#include "cli/CliArguments.h"

#include <QHash>

#include "core/common/StringHelpers.h"

namespace {

// The least number of arguments each command takes; -1 as maximum means no limit.
struct CommandShape {
  int min;
  int max;
};

const QHash<QString, CommandShape>& Commands() {
  static const QHash<QString, CommandShape> commands{
      {QStringLiteral("ls"), {0, 1}},     {QStringLiteral("get"), {2, -1}},
      {QStringLiteral("put"), {2, -1}},   {QStringLiteral("rm"), {1, -1}},
      {QStringLiteral("mkdir"), {1, 1}},  {QStringLiteral("rename"), {2, 2}},
      {QStringLiteral("mv"), {2, -1}},    {QStringLiteral("chmod"), {2, -1}},
      {QStringLiteral("upper"), {1, -1}}, {QStringLiteral("lower"), {1, -1}},
      {QStringLiteral("quote"), {1, 1}},  {QStringLiteral("pwd"), {0, 0}},
      {QStringLiteral("copy"), {2, -1}},
  };
  return commands;
}

bool SplitHostPort(const QString& text, const QString& defaultPort, QString& host, QString& port,
                   QString* error) {
  const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
  host = colon < 0 ? text : text.left(colon);
  port = colon < 0 ? defaultPort : text.mid(colon + 1);
  bool ok = false;
  const int number = port.toInt(&ok);
  if (host.isEmpty() || !IsNumber(port) || !ok || number < 1 || number > 65535) {
    if (error) *error = QStringLiteral("\"%1\" is not HOST:PORT").arg(text);
    return false;
  }
  return true;
}

}  // namespace

bool ParseCliArguments(const QStringList& arguments, TCliArguments& out, QString* error) {
  const auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  qsizetype i = 0;
  const auto value = [&](const QString& option, QString& into) {
    if (i + 1 >= arguments.size()) return false;
    into = arguments.at(++i);
    Q_UNUSED(option);
    return true;
  };
  for (; i < arguments.size(); ++i) {
    const QString arg = arguments.at(i);
    if (!arg.startsWith(QLatin1String("--"))) break;
    QString text;
    if (arg == QLatin1String("--active")) {
      out.Active = true;
    } else if (arg == QLatin1String("--resume")) {
      out.Resume = true;
    } else if (arg == QLatin1String("--quiet")) {
      out.Quiet = true;
    } else if (arg == QLatin1String("--help")) {
      out.Help = true;
    } else if (arg == QLatin1String("--version")) {
      out.Version = true;
    } else if (arg == QLatin1String("--type")) {
      if (!value(arg, text)) return fail(QStringLiteral("--type needs ascii, binary or auto"));
      if (text == QLatin1String("ascii"))
        out.Type = ftpTypeASCII;
      else if (text == QLatin1String("binary"))
        out.Type = ftpTypeBinary;
      else if (text == QLatin1String("auto"))
        out.Type = ftpTypeAuto;
      else
        return fail(QStringLiteral("--type needs ascii, binary or auto, not \"%1\"").arg(text));
    } else if (arg == QLatin1String("--retries") || arg == QLatin1String("--delay")) {
      if (!value(arg, text) || !IsNumber(text) || text.size() > 6) {
        return fail(QStringLiteral("%1 needs a whole number").arg(arg));
      }
      (arg == QLatin1String("--retries") ? out.Retries : out.Delay) = text.toInt();
    } else if (arg == QLatin1String("--timeout")) {
      if (!value(arg, text) || !IsNumber(text) || text.size() > 9 || text.toInt() > 86400) {
        return fail(QStringLiteral("--timeout needs a whole number of seconds from 0 to 86400"));
      }
      out.Timeout = text.toInt();
    } else if (arg == QLatin1String("--parallel")) {
      if (!value(arg, text) || !IsNumber(text) || text.size() > 2 || text.toInt() < 1 ||
          text.toInt() > 16) {
        return fail(QStringLiteral("--parallel needs a number from 1 to 16"));
      }
      out.Parallel = text.toInt();
    } else if (arg == QLatin1String("--ftp-proxy")) {
      if (!value(arg, text) ||
          !SplitHostPort(text, QStringLiteral("21"), out.FtpProxyHost, out.FtpProxyPort, error)) {
        return fail(QStringLiteral("--ftp-proxy needs HOST[:PORT]"));
      }
    } else if (arg == QLatin1String("--socks4") || arg == QLatin1String("--socks4a") ||
               arg == QLatin1String("--socks5")) {
      if (!value(arg, text) || !text.contains(QLatin1Char(':')) ||
          !SplitHostPort(text, QString(), out.SocksHost, out.SocksPort, error)) {
        return fail(QStringLiteral("%1 needs HOST:PORT").arg(arg));
      }
      out.Socks = arg == QLatin1String("--socks4")    ? ftpSocks4
                  : arg == QLatin1String("--socks4a") ? ftpSocks4A
                                                      : ftpSocks5;
    } else if (arg == QLatin1String("--socks-user")) {
      if (!value(arg, out.SocksUser)) return fail(QStringLiteral("--socks-user needs a name"));
    } else if (arg == QLatin1String("--socks-password")) {
      if (!value(arg, out.SocksPassword)) {
        return fail(QStringLiteral("--socks-password needs a password"));
      }
    } else {
      return fail(QStringLiteral("unknown option %1 (see --help)").arg(arg));
    }
  }
  if (out.Help || out.Version) return true;
  if (!out.FtpProxyHost.isEmpty() && out.Socks != ftpDirect) {
    return fail(QStringLiteral("use either an FTP proxy or a SOCKS server, not both"));
  }
  if (i >= arguments.size()) return fail(QStringLiteral("no address given (see --help)"));
  if (!TFtpUrl::Parse(arguments.at(i), out.Url, error)) return false;
  if (++i >= arguments.size()) return fail(QStringLiteral("no command given (see --help)"));
  out.Command = arguments.at(i);
  out.Args = arguments.mid(i + 1);
  const auto shape = Commands().constFind(out.Command);
  if (shape == Commands().constEnd()) {
    return fail(QStringLiteral("unknown command \"%1\" (see --help)").arg(out.Command));
  }
  int count = static_cast<int>(out.Args.size());
  if (out.Command == QLatin1String("chmod") && !out.Args.isEmpty() &&
      out.Args.first() == QLatin1String("-R")) {
    --count;
  }
  if (count < shape->min || (shape->max >= 0 && count > shape->max)) {
    return fail(QStringLiteral("wrong number of arguments for %1 (see --help)").arg(out.Command));
  }
  if (out.Command == QLatin1String("copy") &&
      !TFtpUrl::Parse(out.Args.last(), out.DestUrl, error)) {
    return false;
  }
  if (out.Parallel > 0 && out.Command != QLatin1String("get") &&
      out.Command != QLatin1String("put") && out.Command != QLatin1String("copy")) {
    return fail(QStringLiteral("--parallel works with get, put and copy only"));
  }
  return true;
}

QString CliUsage() {
  return QStringLiteral(
      "Usage: vornalo-ftp [OPTIONS] ftp://[USER@]HOST[:PORT][/FOLDER] COMMAND [ARGS...]\n"
      "\n"
      "Commands (remote names are relative to FOLDER unless they start with \"/\"):\n"
      "  ls [PATH]                 list: kind, size, date, permissions, name\n"
      "  get REMOTE... LOCALDIR    download files or folders (folders recursively)\n"
      "  put LOCAL... REMOTEDIR    upload files or folders (folders recursively)\n"
      "  rm NAME...                remove files or folders (folders with their contents)\n"
      "  mkdir PATH                make a folder\n"
      "  rename OLD NEW            rename or move one file or folder\n"
      "  mv NAME... TARGETDIR      move names into a folder\n"
      "  chmod [-R] MODE NAME...   change permissions (SITE CHMOD), -R into folders\n"
      "  upper NAME...             upper-case the ASCII letters of names\n"
      "  lower NAME...             lower-case the ASCII letters of names\n"
      "  quote \"LINE\"              send one raw command\n"
      "  pwd                       print the server's current folder\n"
      "  copy NAME... DEST-ADDRESS copy files or folders from this server to another one,\n"
      "                            server to server, through the transfer queue\n"
      "\n"
      "Options (before the address):\n"
      "  --active                  active data connections (PORT) instead of passive\n"
      "  --type ascii|binary|auto  transfer type; auto sends the options' text extensions\n"
      "                            as ASCII (default: binary)\n"
      "  --resume                  resume partial transfers where the server allows it\n"
      "  --retries N               login attempts (default 3)\n"
      "  --delay SECONDS           pause between login attempts (default 1)\n"
      "  --timeout SECONDS         give up a request after this long without any data\n"
      "                            from the server, 0 for no limit (default 30)\n"
      "  --ftp-proxy HOST[:PORT]   log in through an FTP proxy (USER user@host)\n"
      "  --socks4|--socks4a|--socks5 HOST:PORT   connect through a SOCKS server\n"
      "  --socks-user USER         SOCKS user name\n"
      "  --socks-password PASS     SOCKS 5 password\n"
      "  --parallel N              get, put and copy through the transfer queue with N\n"
      "                            connections at a time (1 to 16), one login per item\n"
      "  --quiet                   no log lines, no progress bar\n"
      "  --help, --version\n"
      "\n"
      "Without a user the login is anonymous, with the options' e-mail address as password.\n"
      "With a user the password comes from VORNALO_PASSWORD or a prompt (echo off); the\n"
      "destination of copy takes VORNALO_DEST_PASSWORD or a prompt.\n"
      "Exit status: 0 success, 1 failure, 2 aborted or canceled.\n");
}
