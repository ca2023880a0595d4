#include "ui/widgets/ActionIcons.h"

#include <QApplication>

QIcon ActionIcon(const QString& themeName, QStyle::StandardPixmap fallback) {
  if (QIcon::hasThemeIcon(themeName)) return QIcon::fromTheme(themeName);
  return QApplication::style()->standardIcon(fallback);
}
