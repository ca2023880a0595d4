#pragma once

#include <QHash>
#include <QIcon>

// The images behind the icon indexes of ShellIcons(): built on the user-interface thread from
// the desktop icon theme, with the style's own icons as bundled fallbacks. Small and large
// images share their indexes; only the size differs.
class TShellImageList {
 public:
  QIcon Icon(int index);
  QPixmap SmallImage(int index) { return Icon(index).pixmap(16, 16); }
  QPixmap LargeImage(int index) { return Icon(index).pixmap(32, 32); }

 private:
  QHash<int, QIcon> m_icons;
};

// The program-wide image lists.
TShellImageList& ShellImages();
