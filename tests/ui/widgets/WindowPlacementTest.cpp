#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/settings/RegistryKey.h"
#include "core/settings/RegistryStore.h"
#include "ui/widgets/InputForm.h"
#include "ui/widgets/WindowPlacement.h"

namespace {

const QString kKey = QStringLiteral("\\Software\\Vornalo Explorer\\SiteBook");

void StoreBounds(RegistryStore& store, int left, int top, int width, int height) {
  store.CreateKey(kKey);
  store.WriteInteger(kKey, QStringLiteral("Left"), left);
  store.WriteInteger(kKey, QStringLiteral("Top"), top);
  store.WriteInteger(kKey, QStringLiteral("Width"), width);
  store.WriteInteger(kKey, QStringLiteral("Height"), height);
}

QPoint CentreOf(const QRect& rect) {
  return QPoint(rect.left() + rect.width() / 2, rect.top() + rect.height() / 2);
}

}  // namespace

TEST(WindowPlacement, FitIntoShrinksThenMovesTheFrameInside) {
  const QRect area(0, 0, 1280, 800);
  struct Case {
    QRect frame;
    QRect expected;
  } cases[] = {
      {QRect(100, 100, 240, 350), QRect(100, 100, 240, 350)},    // already inside
      {QRect(1200, 100, 240, 350), QRect(1040, 100, 240, 350)},  // past the right edge
      {QRect(100, -26, 1280, 80), QRect(0, 0, 1280, 80)},        // title bar above the screen
      {QRect(5000, 900, 240, 350), QRect(1040, 450, 240, 350)},  // a monitor that has gone
      {QRect(-900, -900, 240, 350), QRect(0, 0, 240, 350)},
      {QRect(100, 400, 3000, 2000), QRect(0, 0, 1280, 800)},  // larger than the screen
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FitInto(c.frame, area), c.expected) << c.frame.x() << "," << c.frame.y();
  }
  // A work area that does not start at 0 (a panel on the left and at the top).
  EXPECT_EQ(FitInto(QRect(0, 0, 200, 100), QRect(48, 32, 1232, 768)), QRect(48, 32, 200, 100));
}

TEST(WindowPlacement, HelpGoesBesideTheDialogWhereThereIsRoom) {
  const QRect area(0, 0, 1280, 800);
  const QSize help(400, 500);
  EXPECT_EQ(BesideOf(QRect(300, 200, 400, 360), help, area), QRect(700, 200, 400, 500));
  EXPECT_EQ(BesideOf(QRect(800, 200, 400, 360), help, area), QRect(400, 200, 400, 500));
  // No room on either side: on the roomier one, at the screen's edge, over part of the dialog.
  EXPECT_EQ(BesideOf(QRect(100, 200, 1000, 300), help, area), QRect(880, 200, 400, 500));
  EXPECT_EQ(BesideOf(QRect(250, 500, 1000, 300), help, area), QRect(0, 300, 400, 500));
}

TEST(WindowPlacement, SavedBoundsFromALargerScreenComeBackFullyOnScreen) {
  const QRect area = WorkArea();
  struct Case {
    int left, top, width, height;
  } cases[] = {
      {2200, 1300, 240, 350},            // right of and below a screen that is gone
      {-1500, 40, 300, 300},             // left of it
      {10, 10, 3000, 2500},              // larger than this screen
      {area.right() - 30, 5, 240, 350},  // only a sliver on screen
  };
  for (const Case& c : cases) {
    RegistryStore store;
    StoreBounds(store, c.left, c.top, c.width, c.height);
    QWidget window;
    window.resize(240, 350);
    TWindowPlacement::Adopt(
        &window, [](const QSize&) { return QPoint(0, 0); }, kKey, store);
    EXPECT_TRUE(area.contains(FrameRect(&window)))
        << c.left << "," << c.top << " -> " << window.x() << "," << window.y() << " "
        << window.width() << "x" << window.height();
    // Only a window too large for the screen is made smaller.
    if (c.width < area.width() - 50) {
      EXPECT_EQ(window.width(), c.width);
    }
    EXPECT_LE(window.width(), c.width);
  }
}

TEST(WindowPlacement, SavesTheFrameCornerAndSizeAndRestoresThem) {
  RegistryStore store;
  QWidget window;
  window.move(40, 60);
  window.resize(300, 200);
  SaveWindowPosition(&window, kKey, store);
  EXPECT_EQ(store.ReadInteger(kKey, QStringLiteral("Left")), 40);
  EXPECT_EQ(store.ReadInteger(kKey, QStringLiteral("Height")), 200);

  store.WriteString(kKey, QStringLiteral("Width"), QStringLiteral("wide"));  // unreadable
  QWidget other;
  other.resize(250, 150);
  TWindowPlacement::Adopt(
      &other, [](const QSize&) { return QPoint(5, 5); }, kKey, store);
  EXPECT_EQ(other.pos(), QPoint(40, 60));
  EXPECT_EQ(other.size(), QSize(250, 200));

  // Shown later, the window stays where it was put.
  other.show();
  EXPECT_EQ(other.pos(), QPoint(40, 60));
}

TEST(WindowPlacement, DefaultPlaceBelowAnotherWindowIsKeptAndFitted) {
  const QRect area = WorkArea();
  RegistryStore store;  // nothing saved: the default place
  QWidget window;
  window.resize(240, area.height());  // too tall for the room below
  const int below = area.top() + 100;
  TWindowPlacement::Adopt(
      &window, [below, area](const QSize&) { return QPoint(area.left(), below); }, kKey, store);
  EXPECT_EQ(FrameRect(&window).top(), below);
  EXPECT_EQ(FrameRect(&window).bottom(), area.bottom());
}

TEST(WindowPlacement, DialogsAreCentredOnTheScreenOrOnTheirOwner) {
  const QRect area = WorkArea();
  QWidget owner;
  owner.move(area.topLeft());
  owner.resize(240, 120);
  owner.show();

  QDialog onScreen(&owner);
  onScreen.resize(380, 360);
  TWindowPlacement::CentreOnScreen(&onScreen);
  onScreen.show();
  const QPoint offset = CentreOf(FrameRect(&onScreen)) - CentreOf(area);
  EXPECT_LE(offset.manhattanLength(), 2) << offset.x() << "," << offset.y();
  onScreen.hide();

  // An owner in the corner: centring on it would leave the screen, so the dialog is pushed in.
  TInputForm input(&owner);
  input.show();
  EXPECT_TRUE(area.contains(FrameRect(&input)));
  input.hide();

  // Owner in the middle of the screen: exactly centred on it.
  owner.move(CentreOf(area) - QPoint(120, 60));
  TInputForm centred(&owner);
  centred.show();
  EXPECT_LE((CentreOf(FrameRect(&centred)) - CentreOf(FrameRect(&owner))).manhattanLength(), 2);
}
