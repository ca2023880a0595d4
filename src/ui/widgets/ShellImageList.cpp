#include "ui/widgets/ShellImageList.h"

#include <QApplication>
#include <QStyle>

#include "core/common/ShellIcons.h"

namespace {

QIcon FallbackIcon(const QString& name) {
  QStyle* style = QApplication::style();
  if (name.startsWith(QLatin1String("folder"))) return style->standardIcon(QStyle::SP_DirIcon);
  if (name.contains(QLatin1String("network"))) return style->standardIcon(QStyle::SP_DriveNetIcon);
  if (name.contains(QLatin1String("desktop"))) return style->standardIcon(QStyle::SP_DesktopIcon);
  if (name.contains(QLatin1String("drive"))) return style->standardIcon(QStyle::SP_DriveHDIcon);
  if (name.contains(QLatin1String("trash"))) return style->standardIcon(QStyle::SP_TrashIcon);
  return style->standardIcon(QStyle::SP_FileIcon);
}

}  // namespace

QIcon TShellImageList::Icon(int index) {
  const auto found = m_icons.constFind(index);
  if (found != m_icons.constEnd()) return *found;
  const QStringList names = ShellIcons().IconNames(index);
  QIcon icon;
  for (const QString& name : names) {
    if (QIcon::hasThemeIcon(name)) {
      icon = QIcon::fromTheme(name);
      break;
    }
  }
  if (icon.isNull()) icon = FallbackIcon(names.value(0));
  m_icons.insert(index, icon);
  return icon;
}

TShellImageList& ShellImages() {
  static TShellImageList images;
  return images;
}
