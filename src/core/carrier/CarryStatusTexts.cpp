#include "core/carrier/CarryStatusTexts.h"

#include <cmath>

QString TimeLeftText(qint64 seconds) {
  QString text =
      QString::asprintf("%2lld:%2lld:%2lld", seconds / 3600, (seconds / 60) % 60, seconds % 60);
  return text.replace(QLatin1Char(' '), QLatin1Char('0'));
}

TCarryStatusTexts CarryStatusTexts(qint64 fileSize, qint64 position, qint64 transfered,
                                   double elapsed) {
  TCarryStatusTexts texts;
  texts.Position = QString::number(position);
  qint64 speed = 0;
  if (elapsed > 0) {
    speed = std::llround(double(transfered) / elapsed);
    texts.TransferRate = QString::asprintf("%.2f KB/s", double(speed) / 1024.0);
  }
  const bool sizeKnown = fileSize > 0;
  if (sizeKnown && speed > 0) {
    // A resumed or growing file can pass its expected size; never show a negative time.
    const qint64 remaining = std::max<qint64>(0, fileSize - position);
    texts.TimeLeft = TimeLeftText(std::llround(double(remaining) / double(speed)));
  }
  if (sizeKnown) {
    texts.Done =
        QString::asprintf("%lld %%", std::llround(double(position) / double(fileSize) * 100));
  }
  return texts;
}
