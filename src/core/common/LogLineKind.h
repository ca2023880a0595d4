#pragma once

#include <QString>

#include "core/common/Color.h"

// Every log line starts with a kind character and a blank.
enum class TLogLineKind {
  Progress,  // "~ "
  Error,     // "! "
  State,     // "% " connection state: shown in the status bar, never logged
  Command,   // "> "
  Reply,     // "< "
  Plain,     // anything else
};

TLogLineKind LogLineKindOf(const QString& line);

// Colour the log shows a line in; "<" lines are red when the reply code starts with 4 or 5.
TColor LogLineColor(const QString& line);

// True for "%" lines, whose text (after the first two characters) goes to the status bar.
bool IsStatusLine(const QString& line);
QString StatusLineText(const QString& line);

// The log line for a sent command; any command containing PASS is masked.
QString CommandLogLine(const QString& command);
extern const QString MaskedPasswordLine;
