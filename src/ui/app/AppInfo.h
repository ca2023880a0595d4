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
// The "LOGO" picture, drawn at `size`.
QPixmap Logo(const QSize& size);
// Makes the bundled resources (logo, help topics) available; safe to call more than once.
void InitResources();

}  // namespace AppInfo
