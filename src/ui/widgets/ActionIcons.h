#pragma once

#include <QIcon>
#include <QString>
#include <QStyle>

// Command icons: the desktop icon theme first, the style's own pixmap when the theme lacks one.
QIcon ActionIcon(const QString& themeName, QStyle::StandardPixmap fallback);
