#include <gtest/gtest.h>

#include <QWidget>

#include "core/settings/RegistryKey.h"
#include "core/settings/RegistryStore.h"
#include "ui/widgets/WindowPlacement.h"

TEST(WindowPlacement, OffScreenPositionIsPulledBackOntoTheWorkArea) {
  const QRect area(0, 0, 1280, 800);
  const QList<QRect> screens{area};
  struct Case {
    QRect stored;
    bool keep;
  } cases[] = {
      {QRect(100, 100, 240, 350), true},      // on screen
      {QRect(1200, 100, 240, 350), true},     // partly off, title bar still reachable
      {QRect(5000, 100, 240, 350), false},    // a removed second monitor
      {QRect(-900, -900, 240, 350), false},   // above and left of everything
      {QRect(100, 5000, 3000, 2000), false},  // too large as well
  };
  for (const Case& c : cases) {
    const QRect result = PullOntoScreen(c.stored, screens, area);
    if (c.keep) {
      EXPECT_EQ(result, c.stored);
    } else {
      EXPECT_TRUE(area.contains(result)) << result.x() << "," << result.y();
      EXPECT_EQ(result.width(), std::min(c.stored.width(), area.width()));
    }
  }
}

TEST(WindowPlacement, SavesAndRestoresTheFourValues) {
  RegistryStore store;
  const QString path = QStringLiteral("\\Software\\Vornalo Explorer\\SiteBook");
  QWidget window;
  window.setGeometry(40, 60, 300, 200);
  SaveWindowPosition(&window, path, store);
  EXPECT_EQ(store.ReadInteger(path, QStringLiteral("Left")), 40);
  EXPECT_EQ(store.ReadInteger(path, QStringLiteral("Height")), 200);

  store.WriteString(path, QStringLiteral("Width"), QStringLiteral("wide"));  // unreadable
  QWidget other;
  other.setGeometry(0, 0, 250, 150);
  LoadWindowPosition(&other, path, store);
  EXPECT_EQ(other.geometry().topLeft(), QPoint(40, 60));
  EXPECT_EQ(other.width(), 250);
  EXPECT_EQ(other.height(), 200);
}
