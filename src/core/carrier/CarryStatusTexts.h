#pragma once

#include <QString>
#include <QtGlobal>

// The progress columns of a running item.
struct TCarryStatusTexts {
  QString Position;
  QString TransferRate;
  QString TimeLeft;
  QString Done;
};

TCarryStatusTexts CarryStatusTexts(qint64 fileSize, qint64 position, qint64 transfered,
                                   double elapsed);
// "hh:mm:ss" with two digits at least per part.
QString TimeLeftText(qint64 seconds);
