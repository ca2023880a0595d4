#pragma once

#include <QFont>
#include <QString>

class QWidget;

// The font of every window, from the options; a face that is not installed (the stored
// default "Tahoma" on most Linux desktops) falls back to the desktop's UI font.
QFont OptionsFont();
QFont FontFor(const QString& family, int pointSize);
bool IsFontInstalled(const QString& family);
void ApplyOptionsFont(QWidget* widget);
