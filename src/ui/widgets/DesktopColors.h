#pragma once

#include <QColor>
#include <QString>
#include <vector>

#include "core/common/Color.h"

// A stored colour shown on this desktop: explicit colours as they are, system colours (top byte
// 0xFF, index in the lowest byte) through the application palette.
QColor TColorToQColor(TColor color);
TColor QColorToTColor(const QColor& color);

// Colours offered by name in the colour pickers: the standard and extended colours, then the
// system colours.
struct TNamedColor {
  QString Name;
  TColor Color;
};
const std::vector<TNamedColor>& NamedColors();
// The name of a colour, or its hexadecimal form for a custom colour.
QString ColorName(TColor color);
