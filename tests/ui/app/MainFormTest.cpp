#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTabBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "core/settings/GlobalOptions.h"
#include "core/settings/RegistryStore.h"
#include "core/settings/SiteProperties.h"
#include "ui/UiTestHelpers.h"
#include "ui/app/AppInfo.h"
#include "ui/app/HelpKeyFilter.h"
#include "ui/app/HelpViewer.h"
#include "ui/app/MainForm.h"
#include "ui/app/SharedWindowPlaces.h"
#include "ui/carrier/CarrierForm.h"
#include "ui/editor/OnlineEditorForm.h"
#include "ui/local/LocalExplorerForm.h"
#include "ui/sitebook/SiteBookForm.h"
#include "ui/sitebook/SitePropertiesForm.h"
#include "ui/widgets/ActionList.h"
#include "ui/widgets/RemoteExpList.h"
#include "ui/widgets/RemoteExplorer.h"
#include "ui/widgets/WindowPlacement.h"

namespace {

// A remote explorer as the main bar sees it: on close it goes away and removes its tab.
class TFakeExplorer : public QWidget, public TRemoteExplorer {
 public:
  TFakeExplorer(TMainForm& main, const QString& host) : m_main(main), m_host(host) {
    setAttribute(Qt::WA_DeleteOnClose);
    RemoteExpList().AddExplorer(this);
    main.AddRemoteExpTab(host, this);
  }
  ~TFakeExplorer() override {
    ++Destroyed;
    RemoteExpList().RemoveExplorer(this);
    m_main.RemoveRemoteExpTab(this);
    m_main.SelectRemoteExpTab(RemoteExpList().Current());
  }
  QWidget* Window() override { return this; }
  QString ConnectionLabel() const override { return QLatin1Char('[') + m_host + QLatin1Char(']'); }
  void ForgetSite(const TSiteProperties*) override {}
  void ApplyOptions() override { ++Applied; }

  static inline int Destroyed = 0;
  int Applied = 0;

 private:
  TMainForm& m_main;
  QString m_host;
};

struct Windows {
  RegistryStore store;
  TMainForm main{store};
  TSiteBookForm siteBook{store};
  TLocalExplorerForm localExplorer{store};
  TCarrierForm carrier{store};
  TOnlineEditorForm onlineEditor{store};
  Windows() { main.SetWindows(&siteBook, &localExplorer, &carrier, &onlineEditor); }
};

}  // namespace

TEST(MainForm, TogglesShowAndHideTheSharedWindows) {
  Windows w;
  TMainForm& main = w.main;
  EXPECT_EQ(main.windowTitle(), QStringLiteral("Vornalo Explorer 2000 5th Edition"));
  EXPECT_EQ(w.carrier.windowTitle(), QStringLiteral("Carrier"));
  EXPECT_EQ(w.onlineEditor.windowTitle(), QStringLiteral("Online Editor"));
  EXPECT_EQ(w.localExplorer.windowTitle(), QStringLiteral("Local Explorer"));
  EXPECT_FALSE(main.ViewCarrierAction->isChecked());
  main.ViewCarrierAction->trigger();
  EXPECT_TRUE(w.carrier.isVisible());
  EXPECT_TRUE(main.ViewCarrierAction->isChecked());
  main.ViewCarrierAction->trigger();
  EXPECT_FALSE(w.carrier.isVisible());
  EXPECT_FALSE(main.ViewCarrierAction->isChecked());

  // A minimised window is visible: the toggle hides it, the next one brings it back normal.
  w.localExplorer.showMinimized();
  main.Actions->UpdateActions();
  EXPECT_TRUE(main.ViewLocalExplorerAction->isChecked());
  main.ViewLocalExplorerAction->trigger();
  EXPECT_FALSE(w.localExplorer.isVisible());
  main.ViewLocalExplorerAction->trigger();
  EXPECT_TRUE(w.localExplorer.isVisible());
  EXPECT_FALSE(w.localExplorer.isMinimized());

  w.siteBook.show();  // shown by other means: the check follows at the next idle pass
  main.Actions->UpdateActions();
  EXPECT_TRUE(main.ViewSiteBookAction->isChecked());
  EXPECT_EQ(main.ViewSiteBookAction->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
}

TEST(MainForm, TabsFollowTheRemoteExplorers) {
  Windows w;
  TMainForm& main = w.main;
  TActionList& actions = *main.Actions;
  EXPECT_FALSE(actions.IsEnabled(main.TabControlRestoreAction));
  EXPECT_FALSE(actions.IsEnabled(main.TabControlMinizeAction));
  EXPECT_FALSE(actions.IsEnabled(main.TabControlCloseAction));

  auto* a = new TFakeExplorer(main, QStringLiteral("a.example.com"));
  auto* b = new TFakeExplorer(main, QStringLiteral("b.example.com"));
  EXPECT_EQ(main.RemoteExpListTabControl->count(), 2);
  RemoteExpList().MoveToFront(a);  // a activated most recently
  main.SelectRemoteExpTab(b);
  EXPECT_EQ(main.CurrentTabRemoteExp(), b);
  EXPECT_EQ(main.windowTitle(), AppInfo::ApplicationTitle() + QStringLiteral(" [b.example.com]"));
  EXPECT_TRUE(actions.IsEnabled(main.TabControlMinizeAction));
  EXPECT_FALSE(actions.IsEnabled(main.TabControlRestoreAction));
  main.TabControlMinizeAction->trigger();
  EXPECT_TRUE(b->isMinimized());
  EXPECT_TRUE(actions.IsEnabled(main.TabControlRestoreAction));
  main.TabControlRestoreAction->trigger();
  EXPECT_FALSE(b->isMinimized());

  // Closing the selected tab's window selects the most recently activated one left.
  main.Actions->UpdateActions();
  main.TabControlCloseAction->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(main.RemoteExpListTabControl->count(), 1);
  EXPECT_EQ(main.CurrentTabRemoteExp(), a);
  EXPECT_EQ(main.windowTitle(), AppInfo::ApplicationTitle() + QStringLiteral(" [a.example.com]"));

  // A right press on a tab selects it before the pop-up menu opens.
  main.show();
  new TFakeExplorer(main, QStringLiteral("c.example.com"));
  main.SelectRemoteExpTab(a);
  const QPoint onLast = main.RemoteExpListTabControl->tabRect(1).center();
  QMouseEvent press(QEvent::MouseButtonPress, onLast,
                    main.RemoteExpListTabControl->mapToGlobal(onLast), Qt::RightButton,
                    Qt::RightButton, Qt::NoModifier);
  QApplication::sendEvent(main.RemoteExpListTabControl, &press);
  EXPECT_EQ(main.RemoteExpListTabControl->currentIndex(), 1);
  EXPECT_EQ(main.windowTitle(), AppInfo::ApplicationTitle() + QStringLiteral(" [c.example.com]"));
  delete static_cast<TFakeExplorer*>(main.CurrentTabRemoteExp());
  main.SelectRemoteExpTab(a);

  main.ApplyGlobalOptions();
  EXPECT_EQ(a->Applied, 1);
  delete a;
  EXPECT_EQ(main.RemoteExpListTabControl->count(), 0);
  EXPECT_EQ(main.windowTitle(), AppInfo::ApplicationTitle());
}

TEST(MainForm, ExitClosesEveryRemoteExplorerBeforeTheMainBarGoes) {
  Windows w;
  TFakeExplorer::Destroyed = 0;
  for (const char* host : {"one", "two", "three"}) {
    new TFakeExplorer(w.main, QString::fromLatin1(host));
  }
  w.main.show();
  bool quitSeen = false;
  QObject::connect(qApp, &QCoreApplication::aboutToQuit, [&] { quitSeen = true; });
  QTimer::singleShot(0, [&w] { w.main.FileExitAction->trigger(); });
  QTimer::singleShot(3000, [] { QCoreApplication::exit(1); });  // bound the wait
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_EQ(TFakeExplorer::Destroyed, 3);
  EXPECT_EQ(w.main.RemoteExpListTabControl->count(), 0);
  EXPECT_EQ(RemoteExpList().Count(), 0);
  EXPECT_FALSE(w.main.isVisible());
  (void)quitSeen;
}

TEST(MainForm, FreshStartShowsEveryWindowWholeWithTheSharedOnesBelowTheMainBar) {
  Windows w;
  PlaceSharedWindows(&w.main, &w.siteBook, &w.localExplorer, &w.carrier, &w.onlineEditor);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  w.main.show();
  QCoreApplication::processEvents();
  // The main bar by its frame: at the top of the work area, as wide as it, title bar on screen.
  const QRect bar = FrameRect(&w.main);
  EXPECT_EQ(bar.topLeft(), area.topLeft());
  EXPECT_EQ(bar.width(), area.width());
  EXPECT_EQ(w.main.minimumHeight(), w.main.maximumHeight());
  for (QWidget* window : std::initializer_list<QWidget*>{&w.localExplorer, &w.siteBook, &w.carrier,
                                                         &w.onlineEditor}) {
    window->show();
    QCoreApplication::processEvents();
    const QRect frame = FrameRect(window);
    EXPECT_TRUE(area.contains(frame)) << window->objectName().toStdString();
    if (window != &w.onlineEditor) {
      EXPECT_EQ(frame.top(), bar.bottom() + 1 + 3) << window->objectName().toStdString();
    }
  }
  EXPECT_EQ(FrameRect(&w.siteBook).left(), area.left());
  EXPECT_EQ(FrameRect(&w.localExplorer).left(), FrameRect(&w.siteBook).right() + 1 + 3);
  EXPECT_EQ(FrameRect(&w.carrier).right(), area.right() - 3);
  EXPECT_EQ(FrameRect(&w.onlineEditor).bottomRight(), area.bottomRight() - QPoint(3, 3));
}

TEST(MainForm, WindowTogglesWorkFromEveryWindow) {
  Windows w;
  w.main.show();
  w.siteBook.show();
  w.siteBook.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.siteBook));
  w.siteBook.SiteBookTreeView->setFocus();
  QTest::keyClick(w.siteBook.SiteBookTreeView, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_TRUE(w.carrier.isVisible());
  w.carrier.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w.carrier));
  QTest::keyClick(&w.carrier, Qt::Key_F2, Qt::ShiftModifier);
  EXPECT_TRUE(w.localExplorer.isVisible());
  QTest::keyClick(&w.carrier, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_FALSE(w.carrier.isVisible());
}

TEST(MainForm, HelpOpenedFromAModalDialogCanBeUsedBesideIt) {
  Windows w;
  w.main.show();
  THelpViewer* viewer = w.main.HelpViewer();
  bool usable = false;
  bool beside = false;
  WhenModal<TSitePropertiesForm>([&](TSitePropertiesForm* dialog) {
    // What F1 in the dialog does.
    viewer->ShowContext(THelpKeyFilter::HelpContextOf(dialog->HostNameEdit));
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->windowTitle().endsWith(QStringLiteral("Site properties")))
        << viewer->windowTitle().toStdString();
    // On a screen too small to hold both side by side, help still leaves part of the dialog
    // in view.
    const QRect help = FrameRect(viewer);
    beside = AvailableAreaOf(dialog).contains(help) && !help.contains(FrameRect(dialog)) &&
             (help.left() > FrameRect(dialog).left() || help.right() < FrameRect(dialog).right());
    // Keys reach the help window through the window system while the dialog is modal.
    viewer->Browser->setFocus();
    QTest::keyClick(viewer->windowHandle(), Qt::Key_A, Qt::ControlModifier);
    usable = viewer->Browser->textCursor().hasSelection();
    dialog->reject();
  });
  TSiteProperties site;
  TSitePropertiesForm properties(&w.siteBook, &site);
  properties.exec();
  EXPECT_TRUE(usable);
  EXPECT_TRUE(beside);
  // The dialog has gone; help stays, still the main bar's.
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->parentWidget(), &w.main);
  // Following a link changes the title with the topic.
  viewer->Browser->setSource(QUrl(QStringLiteral("qrc:/help/welcome.html")));
  EXPECT_EQ(viewer->windowTitle(),
            QStringLiteral("Vornalo Explorer Help - Welcome to Vornalo Explorer"));
}

TEST(MainForm, CommandsCarryTheirCaptionsHintsAndKeys) {
  Windows w;
  struct Row {
    const char* name;
    const char* caption;
    const char* tip;
    const char* status;
    QKeySequence key;
  } rows[] = {
      {"FileQuickConnectAction", "&Quick Connect...", "Quick Connect...", "Quick Connect...",
       QKeySequence(Qt::Key_F4)},
      {"FileExitAction", "E&xit", "Exit", "Terminate Vornalo Explorer", {}},
      {"ViewSiteBookAction", "&Site Book", "Site Book", "Show or Hide Site Book",
       QKeySequence(Qt::SHIFT | Qt::Key_F1)},
      {"ViewLocalExplorerAction", "&Local Explorer", "Local Explorer",
       "Show or Hide Local Explorer", QKeySequence(Qt::SHIFT | Qt::Key_F2)},
      {"ViewCarrierAction", "&Carrier", "Carrier", "Show or Hide Carrier",
       QKeySequence(Qt::SHIFT | Qt::Key_F3)},
      {"ViewOnlineEditorAction", "&Online Editor", "Online Editor", "Show or Hide Online Editor",
       QKeySequence(Qt::SHIFT | Qt::Key_F4)},
      {"ToolGlobalOptionsAction",
       "Global &Options...",
       "Global Options...",
       "Global Options...",
       {}},
      {"HelpContentsAction", "&Contents...", "Contents...", "Show Help Contents...", {}},
      {"HelpVisitHomePageAction",
       "&Home Page...",
       "Home Page...",
       "Visit Vornalo Explorer Home Page...",
       {}},
      {"HelpWritetoDeveloperAction",
       "&Write to Developer...",
       "Email to Developer...",
       "Email to Developer...",
       {}},
      {"HelpAboutAction", "&About...", "About...", "About Vornalo Explorer 2000...", {}},
      {"TabControlRestoreAction", "&Restore", "Restore", "Restore Remote Explorer", {}},
      {"TabControlMinizeAction", "&Minimize", "Minize", "Minize Remote Explorer", {}},
      {"TabControlCloseAction", "&Close", "Close", "Close Remote Explorer", {}},
  };
  for (const Row& row : rows) {
    auto* action = w.main.findChild<QAction*>(QLatin1String(row.name));
    ASSERT_NE(action, nullptr) << row.name;
    EXPECT_EQ(action->text(), QString::fromUtf8(row.caption)) << row.name;
    EXPECT_EQ(action->toolTip(), QString::fromUtf8(row.tip)) << row.name;
    EXPECT_EQ(action->statusTip(), QString::fromUtf8(row.status)) << row.name;
    EXPECT_EQ(action->shortcut(), row.key) << row.name;
  }
}

TEST(MainForm, QuickConnectRunsTheSiteBooksQuickConnect) {
  Windows w;
  QString caption;
  WhenModal<QDialog>([&caption](QDialog* dialog) {
    caption = dialog->windowTitle();
    dialog->reject();
  });
  w.main.FileQuickConnectAction->trigger();
  EXPECT_EQ(caption, QStringLiteral("Quick Connect"));
}

TEST(MainForm, ApplyGlobalOptionsPushesTheFontToTheOpenWindows) {
  Windows w;
  TGlobalOptions& options = GlobalOptions();
  const qint32 saved = options.FontSize;
  options.FontSize = saved == 9 ? 8 : 9;
  w.main.ApplyGlobalOptions();
  EXPECT_EQ(w.siteBook.font().pointSize(), options.FontSize);
  EXPECT_EQ(w.localExplorer.font().pointSize(), options.FontSize);
  EXPECT_EQ(w.carrier.font().pointSize(), options.FontSize);
  EXPECT_EQ(w.main.font().pointSize(), options.FontSize);
  options.FontSize = saved;
}

TEST(MainForm, HelpContentsOpensTheWelcomeTopicInItsOwnWindow) {
  Windows w;
  w.main.HelpContentsAction->trigger();
  THelpViewer* viewer = w.main.HelpViewer();
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->isWindow());
  EXPECT_TRUE(viewer->Browser->source().toString().endsWith(QStringLiteral("welcome.html")));
  w.main.HelpContentsAction->trigger();  // again: still shown
  EXPECT_TRUE(viewer->isVisible());
}
