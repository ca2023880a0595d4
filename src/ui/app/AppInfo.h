#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Names and pictures of the program itself.
namespace AppInfo {

// The main bar's caption, the update message's caption and the single-instance name.
QString ApplicationTitle();
// Four numbers separated by dots.
QString VersionText();
// The "LOGO" picture, `size` in device-independent pixels, drawn from the SVG at
// `devicePixelRatio` so it stays sharp on scaled screens.
QPixmap Logo(const QSize& size, qreal devicePixelRatio = 1.0);
// Makes the bundled resources (logo, help topics) available; safe to call more than once.
void InitResources();

}  // namespace AppInfo
