#include "ui/widgets/DesktopFonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QWidget>

#include "core/settings/GlobalOptions.h"

bool IsFontInstalled(const QString& family) {
  return !family.isEmpty() && QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

QFont FontFor(const QString& family, int pointSize) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  if (IsFontInstalled(family)) font.setFamily(family);
  if (pointSize > 0) font.setPointSize(pointSize);
  return font;
}

QFont OptionsFont() {
  const TGlobalOptions& options = GlobalOptions();
  return FontFor(options.FontName, options.FontSize);
}

void ApplyOptionsFont(QWidget* widget) {
  if (widget != nullptr) widget->setFont(OptionsFont());
}
