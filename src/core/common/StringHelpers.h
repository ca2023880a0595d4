#pragma once

#include <QString>
#include <QStringList>

// Fills `list` with every maximal run of characters not in `delimiters`; runs of delimiters
// produce no empty items.
void SplitString(const QString& text, const QString& delimiters, QStringList& list);
QStringList SplitString(const QString& text, const QString& delimiters);

// True when the text is not empty and made only of the digits 0 to 9.
bool IsNumber(const QString& text);
