#pragma once

#include <QString>

// Results read out of reply lines.

// The size in a SIZE reply ("213 1048576"): the last item after the code that reads as a
// number of 0 or more; -1 when there is none.
qint64 ParseSizeResult(const QString& reply);

// The quoted folder name of a reply such as `257 "/pub" created`, a doubled quote standing for
// one; empty when the text after the code does not start with a quote.
QString ParseDirResult(const QString& reply);

// The items of a comma-separated list in which blanks also separate and double quotes group.
QStringList SplitCommaText(const QString& text);
