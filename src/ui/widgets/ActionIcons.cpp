#include "ui/widgets/ActionIcons.h"

#include <QApplication>
#include <QImage>
#include <QPixmap>

namespace {

QPixmap Faded(const QPixmap& pixmap) {
  QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int grey = qGray(line[x]);
      line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 35 / 100);
    }
  }
  return QPixmap::fromImage(image);
}

}  // namespace

QIcon WithFadedDisabled(const QIcon& source) {
  QIcon icon;
  // Tool bar sizes, and twice them for screens scaled by two.
  for (const int size : {16, 22, 24, 32, 44, 48, 64}) {
    const QPixmap normal = source.pixmap(QSize(size, size), 1.0);
    if (normal.isNull()) continue;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(Faded(normal), QIcon::Disabled);
  }
  return icon;
}

QIcon ActionIcon(const QString& themeName, QStyle::StandardPixmap fallback) {
  if (QIcon::hasThemeIcon(themeName)) return WithFadedDisabled(QIcon::fromTheme(themeName));
  return WithFadedDisabled(QApplication::style()->standardIcon(fallback));
}
