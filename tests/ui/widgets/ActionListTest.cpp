#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTimer>

#include "ui/widgets/ActionIcons.h"
#include "ui/widgets/ActionList.h"

// A rule that changes between two idle moments must still stop its command: whatever invokes
// it (trigger from a key, a menu or code) re-checks the rule first.
TEST(ActionList, DisabledCommandDoesNothingWhateverInvokesIt) {
  TActionList list;
  QAction action(QStringLiteral("&Connect..."));
  action.setObjectName(QStringLiteral("FileConnectAction"));
  bool allowed = true;
  int runs = 0;
  list.Add(
      &action, [&] { return allowed; }, [&] { ++runs; });
  list.UpdateActions();
  EXPECT_TRUE(action.isEnabled());

  allowed = false;  // no idle pass yet: the action still looks enabled
  EXPECT_TRUE(action.isEnabled());
  action.trigger();
  EXPECT_EQ(runs, 0);
  EXPECT_FALSE(action.isEnabled());
  EXPECT_FALSE(list.Execute(&action));
  EXPECT_EQ(runs, 0);

  allowed = true;
  EXPECT_TRUE(list.Execute(&action));
  action.trigger();
  EXPECT_EQ(runs, 2);
}

TEST(ActionList, RulesRunWhenTheEventLoopGoesIdle) {
  TActionList list;
  QAction action(QStringLiteral("&Delete"));
  bool allowed = false;
  list.Add(
      &action, [&] { return allowed; }, [] {});
  list.UpdateActions();
  EXPECT_FALSE(action.isEnabled());
  allowed = true;
  // The event loop waits for the timer: the dispatcher's idle signal updates the rule.
  bool seen = false;
  QTimer::singleShot(20, [&] {
    seen = action.isEnabled();
    QCoreApplication::exit(0);
  });
  QCoreApplication::exec();
  EXPECT_TRUE(seen);
}

TEST(ActionList, CheckedStateFollowsItsRuleNotTheClick) {
  TActionList list;
  QAction action(QStringLiteral("&Site Book"));
  action.setCheckable(true);
  bool visible = false;
  list.Add(
      &action, {}, [&] { visible = !visible; }, [&] { return visible; });
  EXPECT_FALSE(action.isChecked());
  action.trigger();
  EXPECT_TRUE(visible);
  EXPECT_TRUE(action.isChecked());
  visible = false;  // hidden by other means (its close box)
  list.UpdateActions();
  EXPECT_FALSE(action.isChecked());
  action.trigger();
  EXPECT_TRUE(action.isChecked());
}

TEST(ActionIcons, ADisabledIconIsGreyAndFaintBesideItsEnabledLook) {
  QPixmap red(16, 16);
  red.fill(Qt::red);
  const QIcon icon = WithFadedDisabled(QIcon(red));
  const QImage normal = icon.pixmap(QSize(16, 16), 1.0, QIcon::Normal).toImage();
  const QImage disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
  const QRgb on = normal.pixel(8, 8);
  const QRgb off = disabled.pixel(8, 8);
  EXPECT_EQ(qRed(on), 255);
  EXPECT_EQ(qAlpha(on), 255);
  EXPECT_LT(qAlpha(off), 128);        // faint
  EXPECT_EQ(qRed(off), qGreen(off));  // grey
  EXPECT_EQ(qGreen(off), qBlue(off));
}
