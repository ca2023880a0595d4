#include "ui/widgets/DesktopColors.h"

#include <QApplication>
#include <QPalette>

namespace {

QColor SystemQColor(int index) {
  const QPalette palette = QApplication::palette();
  switch (index) {
    case 0:
      return palette.color(QPalette::Button);  // scroll bar
    case 1:
      return palette.color(QPalette::Dark);  // desktop
    case 2:
      return palette.color(QPalette::Active, QPalette::Highlight);  // active caption
    case 3:
      return palette.color(QPalette::Mid);  // inactive caption
    case 4:
      return palette.color(QPalette::Window);  // menu
    case 5:
      return palette.color(QPalette::Base);  // window
    case 6:
      return palette.color(QPalette::Shadow);  // window frame
    case 7:
      return palette.color(QPalette::WindowText);  // menu text
    case 8:
      return palette.color(QPalette::Text);  // window text
    case 9:
      return palette.color(QPalette::HighlightedText);  // caption text
    case 10:
      return palette.color(QPalette::Mid);  // active border
    case 11:
      return palette.color(QPalette::Midlight);  // inactive border
    case 12:
      return palette.color(QPalette::Dark);  // app workspace
    case 13:
      return palette.color(QPalette::Highlight);  // highlight
    case 14:
      return palette.color(QPalette::HighlightedText);  // highlight text
    case 15:
      return palette.color(QPalette::Button);  // button face
    case 16:
      return palette.color(QPalette::Dark);  // button shadow
    case 17:
      return palette.color(QPalette::Disabled, QPalette::Text);  // grey text
    case 18:
      return palette.color(QPalette::ButtonText);  // button text
    case 19:
      return palette.color(QPalette::Disabled, QPalette::WindowText);  // inactive caption text
    case 20:
      return palette.color(QPalette::Light);  // button highlight
    case 23:
      return palette.color(QPalette::ToolTipText);  // info text
    case 24:
      return palette.color(QPalette::ToolTipBase);  // info background
    default:
      return palette.color(QPalette::Window);
  }
}

}  // namespace

QColor TColorToQColor(TColor color) {
  if (IsSystemColor(color)) return SystemQColor(SystemColorIndex(color));
  return QColor(ColorRed(color), ColorGreen(color), ColorBlue(color));
}

TColor QColorToTColor(const QColor& color) {
  return RGBToColor(color.red(), color.green(), color.blue());
}

const std::vector<TNamedColor>& NamedColors() {
  static const std::vector<TNamedColor> colors = {
      {QStringLiteral("Black"), RGBToColor(0, 0, 0)},
      {QStringLiteral("Maroon"), RGBToColor(128, 0, 0)},
      {QStringLiteral("Green"), RGBToColor(0, 128, 0)},
      {QStringLiteral("Olive"), RGBToColor(128, 128, 0)},
      {QStringLiteral("Navy"), RGBToColor(0, 0, 128)},
      {QStringLiteral("Purple"), RGBToColor(128, 0, 128)},
      {QStringLiteral("Teal"), RGBToColor(0, 128, 128)},
      {QStringLiteral("Gray"), RGBToColor(128, 128, 128)},
      {QStringLiteral("Silver"), RGBToColor(192, 192, 192)},
      {QStringLiteral("Red"), RGBToColor(255, 0, 0)},
      {QStringLiteral("Lime"), RGBToColor(0, 255, 0)},
      {QStringLiteral("Yellow"), RGBToColor(255, 255, 0)},
      {QStringLiteral("Blue"), RGBToColor(0, 0, 255)},
      {QStringLiteral("Fuchsia"), RGBToColor(255, 0, 255)},
      {QStringLiteral("Aqua"), RGBToColor(0, 255, 255)},
      {QStringLiteral("White"), RGBToColor(255, 255, 255)},
      {QStringLiteral("Money Green"), RGBToColor(192, 220, 192)},
      {QStringLiteral("Sky Blue"), RGBToColor(166, 202, 240)},
      {QStringLiteral("Cream"), RGBToColor(255, 251, 240)},
      {QStringLiteral("Medium Gray"), RGBToColor(160, 160, 164)},
      {QStringLiteral("Active Caption"), SystemColor(2)},
      {QStringLiteral("Inactive Caption"), SystemColor(3)},
      {QStringLiteral("Window"), SystemColor(5)},
      {QStringLiteral("Window Text"), SystemColor(8)},
      {QStringLiteral("Highlight"), SystemColor(13)},
      {QStringLiteral("Button Face"), SystemColor(15)},
      {QStringLiteral("Button Shadow"), SystemColor(16)},
      {QStringLiteral("Info Background"), SystemColor(24)},
  };
  return colors;
}

QString ColorName(TColor color) {
  for (const TNamedColor& named : NamedColors()) {
    if (named.Color == color) return named.Name;
  }
  return QStringLiteral("#%1%2%3")
      .arg(ColorRed(color), 2, 16, QLatin1Char('0'))
      .arg(ColorGreen(color), 2, 16, QLatin1Char('0'))
      .arg(ColorBlue(color), 2, 16, QLatin1Char('0'))
      .toUpper();
}
