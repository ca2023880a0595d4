#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

#include "core/common/ShellIcons.h"
#include "ui/widgets/ColorPicker.h"
#include "ui/widgets/DesktopColors.h"
#include "ui/widgets/DesktopServices.h"
#include "ui/widgets/ShellImageList.h"

TEST(DesktopColors, StoredColoursKeepRedInTheLowestByte) {
  EXPECT_EQ(TColorToQColor(RGBToColor(255, 0, 0)), QColor(255, 0, 0));
  EXPECT_EQ(TColorToQColor(0x00804020), QColor(0x20, 0x40, 0x80));
  EXPECT_EQ(QColorToTColor(QColor(0x20, 0x40, 0x80)), 0x00804020);
  // System colours come from the palette, not from their bytes.
  EXPECT_EQ(TColorToQColor(clActiveCaption),
            QApplication::palette().color(QPalette::Active, QPalette::Highlight));
  EXPECT_EQ(ColorName(clInactiveCaption), QStringLiteral("Inactive Caption"));
  EXPECT_EQ(ColorName(RGBToColor(1, 2, 3)), QStringLiteral("#010203"));
}

TEST(ColorPicker, OffersNamedColoursAndKeepsACustomOne) {
  TColorPicker picker;
  picker.SetColor(clActiveCaption);
  EXPECT_EQ(picker.currentText(), QStringLiteral("Active Caption"));
  EXPECT_EQ(picker.Color(), clActiveCaption);
  const int before = picker.count();
  picker.SetColor(RGBToColor(1, 2, 3));
  EXPECT_EQ(picker.count(), before + 1);
  EXPECT_EQ(picker.Color(), RGBToColor(1, 2, 3));
  EXPECT_EQ(picker.itemText(picker.count() - 1), QStringLiteral("Custom..."));
  picker.SetColor(RGBToColor(1, 2, 3));  // not added twice
  EXPECT_EQ(picker.count(), before + 1);
}

TEST(ShellImageList, EveryNamedIconHasAnImageOfBothSizes) {
  TShellIcons& icons = ShellIcons();
  for (int index :
       {icons.DesktopIcon(), icons.FolderIcon(), icons.OpenFolderIcon(), icons.NetworkIcon(),
        icons.GenericFileIcon(), icons.IconOf(QStringLiteral("notes.txt"))}) {
    EXPECT_FALSE(ShellImages().SmallImage(index).isNull()) << index;
    EXPECT_FALSE(ShellImages().LargeImage(index).isNull()) << index;
    EXPECT_EQ(ShellImages().SmallImage(index).width(), 16);
  }
}

TEST(DesktopServices, TerminalCommandWrapsTheProgramAndItsArguments) {
  qputenv("TERMINAL", "sh");
  const QStringList command =
      DesktopServices::TerminalCommand(QStringLiteral("ping"), {QStringLiteral("ftp.example.com")});
  qunsetenv("TERMINAL");
  ASSERT_EQ(command.size(), 4);
  EXPECT_TRUE(command[0].endsWith(QStringLiteral("/sh")));
  EXPECT_EQ(command.mid(1), (QStringList{QStringLiteral("-e"), QStringLiteral("ping"),
                                         QStringLiteral("ftp.example.com")}));
}

TEST(DesktopServices, RelativeSoundNamesResolveAgainstTheDataFolder) {
  EXPECT_EQ(DesktopServices::ResolveDataFile(QStringLiteral("/abs/x.wav")),
            QStringLiteral("/abs/x.wav"));
  EXPECT_EQ(DesktopServices::ResolveDataFile(QStringLiteral("Error.wav")),
            DesktopServices::DataFolder() + QStringLiteral("/Error.wav"));
  EXPECT_EQ(DesktopServices::ResolveDataFile(QString()), QString());
}
