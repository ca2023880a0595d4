#pragma once

#include <QIcon>
#include <QString>
#include <QStyle>

// Command icons: the desktop icon theme first, the style's own pixmap when the theme lacks one.
// Disabled, an icon is drawn grey and faint, so it never passes for an enabled one.
QIcon ActionIcon(const QString& themeName, QStyle::StandardPixmap fallback);
// `source` with its disabled look made grey and faint.
QIcon WithFadedDisabled(const QIcon& source);
