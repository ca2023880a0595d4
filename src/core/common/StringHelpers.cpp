#include "core/common/StringHelpers.h"

void SplitString(const QString& text, const QString& delimiters, QStringList& list) {
  list.clear();
  qsizetype start = -1;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const bool isDelimiter = delimiters.contains(text.at(i));
    if (isDelimiter) {
      if (start >= 0) {
        list.append(text.mid(start, i - start));
        start = -1;
      }
    } else if (start < 0) {
      start = i;
    }
  }
  if (start >= 0) list.append(text.mid(start));
}

QStringList SplitString(const QString& text, const QString& delimiters) {
  QStringList list;
  SplitString(text, delimiters, list);
  return list;
}

bool IsNumber(const QString& text) {
  if (text.isEmpty()) return false;
  for (const QChar c : text) {
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
  }
  return true;
}
