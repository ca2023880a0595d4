#include "core/ftp/FtpReplyResults.h"

#include <QStringList>

QStringList SplitCommaText(const QString& text) {
  QStringList items;
  int i = 0;
  const int n = static_cast<int>(text.size());
  const auto isSpace = [](QChar c) { return c.unicode() <= ' '; };
  while (i < n && isSpace(text[i])) ++i;
  while (i < n) {
    QString item;
    if (text[i] == QLatin1Char('"')) {
      ++i;
      while (i < n) {
        if (text[i] == QLatin1Char('"')) {
          if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
            item += QLatin1Char('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
      while (i < n && !isSpace(text[i]) && text[i] != QLatin1Char(',')) item += text[i++];
    } else {
      while (i < n && !isSpace(text[i]) && text[i] != QLatin1Char(',')) item += text[i++];
    }
    items << item;
    while (i < n && isSpace(text[i])) ++i;
    if (i < n && text[i] == QLatin1Char(',')) {
      ++i;
      while (i < n && isSpace(text[i])) ++i;
      if (i == n) items << QString();
    }
  }
  return items;
}

qint64 ParseSizeResult(const QString& reply) {
  const QStringList items = SplitCommaText(reply);
  // The first item is the reply code; reading it as the size would turn "213 n/a" into 213.
  for (qsizetype i = items.size() - 1; i >= 1; --i) {
    bool ok = false;
    const qint64 value = items[i].toLongLong(&ok, 10);
    if (ok && value >= 0) return value;
  }
  return -1;
}

QString ParseDirResult(const QString& reply) {
  int i = 0;
  const int n = static_cast<int>(reply.size());
  while (i < n && reply[i].isDigit()) ++i;
  while (i < n && reply[i] == QLatin1Char(' ')) ++i;
  if (i >= n || reply[i] != QLatin1Char('"')) return QString();
  ++i;
  QString name;
  while (i < n) {
    if (reply[i] == QLatin1Char('"')) {
      if (i + 1 < n && reply[i + 1] == QLatin1Char('"')) {
        name += QLatin1Char('"');
        i += 2;
        continue;
      }
      break;
    }
    name += reply[i++];
  }
  return name;
}
