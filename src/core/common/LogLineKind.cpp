#include "core/common/LogLineKind.h"

const QString MaskedPasswordLine = QStringLiteral("> PASS [Objq dlk kto vzpvjet nz?]");

TLogLineKind LogLineKindOf(const QString& line) {
  if (line.isEmpty()) return TLogLineKind::Plain;
  switch (line.at(0).unicode()) {
    case '~':
      return TLogLineKind::Progress;
    case '!':
      return TLogLineKind::Error;
    case '%':
      return TLogLineKind::State;
    case '>':
      return TLogLineKind::Command;
    case '<':
      return TLogLineKind::Reply;
    default:
      return TLogLineKind::Plain;
  }
}

TColor LogLineColor(const QString& line) {
  switch (LogLineKindOf(line)) {
    case TLogLineKind::Progress:
      return clGray;
    case TLogLineKind::Error:
      return clRed;
    case TLogLineKind::Command:
      return clBlue;
    case TLogLineKind::Reply: {
      const QChar code = line.size() > 2 ? line.at(2) : QChar();
      return (code == QLatin1Char('4') || code == QLatin1Char('5')) ? clRed : clGreen;
    }
    case TLogLineKind::State:
    case TLogLineKind::Plain:
      return clBlack;
  }
  return clBlack;
}

bool IsStatusLine(const QString& line) {
  return LogLineKindOf(line) == TLogLineKind::State;
}

QString StatusLineText(const QString& line) {
  return line.mid(2);
}

QString CommandLogLine(const QString& command) {
  if (command.contains(QLatin1String("PASS"))) return MaskedPasswordLine;
  return QStringLiteral("> ") + command;
}
