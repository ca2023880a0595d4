#include <gtest/gtest.h>

#include <QAction>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "core/settings/GlobalOptions.h"
#include "core/settings/RegistryPaths.h"
#include "core/settings/SiteProperties.h"
#include "ui/UiTestHelpers.h"
#include "ui/sitebook/SiteBookForm.h"
#include "ui/sitebook/SiteBookNode.h"
#include "ui/sitebook/SitePropertiesForm.h"
#include "ui/widgets/ActionList.h"
#include "ui/widgets/DesktopKeys.h"
#include "ui/widgets/DesktopServices.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/RemoteExpList.h"
#include "ui/widgets/RemoteExplorer.h"
#include "ui/widgets/RemoteExplorerFactory.h"

namespace {

const QString kTree = RegistryPaths::SiteBookTreeKey();

QString TreePath(const QString& relative) {
  return kTree + QLatin1Char('\\') + relative;
}

void AddFolderKey(RegistryStore& store, const QString& relative) {
  store.CreateKey(TreePath(relative));
  store.WriteString(TreePath(relative), QString(), QStringLiteral("Folder"));
}

void AddSiteKey(RegistryStore& store, const QString& relative, const QString& host) {
  store.CreateKey(TreePath(relative));
  store.WriteString(TreePath(relative), QString(), QStringLiteral("Site"));
  store.WriteString(TreePath(relative), QStringLiteral("HostName"), host);
}

QStringList ChildNames(const TSiteBookNode* node) {
  QStringList names;
  for (int i = 0; i < node->childCount(); ++i) names << node->ChildNode(i)->Name();
  return names;
}

TSiteBookNode* Find(TSiteBookNode* from, const QStringList& path) {
  TSiteBookNode* node = from;
  for (const QString& name : path) {
    TSiteBookNode* next = nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
      if (node->ChildNode(i)->Name() == name) next = node->ChildNode(i);
    }
    if (next == nullptr) return nullptr;
    node = next;
  }
  return node;
}

// Stands in for a remote explorer window: records what the site book tells it.
class TFakeExplorer : public TRemoteExplorer {
 public:
  explicit TFakeExplorer(TSiteProperties* site) : Site(site) {}
  QWidget* Window() override { return &window; }
  QString ConnectionLabel() const override { return QStringLiteral("[fake]"); }
  void ForgetSite(const TSiteProperties* site) override {
    if (Site == site) Site = nullptr;
  }
  void ApplyOptions() override {}
  TSiteProperties* Site;
  QWidget window;
};

class SiteBookFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RemoteExplorerFactory::SetCreator([this](QWidget*, TSiteProperties* site) {
      auto explorer = std::make_unique<TFakeExplorer>(site);
      if (site->QuickConnect) quickRecords.emplace_back(site);  // the window owns it
      RemoteExpList().AddExplorer(explorer.get());
      explorers.push_back(std::move(explorer));
      return explorers.back().get();
    });
  }
  void TearDown() override {
    RemoteExplorerFactory::SetCreator({});
    for (auto& explorer : explorers) RemoteExpList().RemoveExplorer(explorer.get());
    DesktopServices::SetTerminalStarter({});
  }

  RegistryStore store;
  std::vector<std::unique_ptr<TFakeExplorer>> explorers;
  std::vector<std::unique_ptr<TSiteProperties>> quickRecords;
};

}  // namespace

TEST_F(SiteBookFormTest, EmptyRegistryGivesTheRootAndCreatesTheTreeKey) {
  TSiteBookForm form(store);
  TSiteBookNode* root = form.RootNode();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->childCount(), 0);
  EXPECT_FALSE(root->Name().isEmpty());
  EXPECT_EQ(store.ReadString(kTree, QString()), QStringLiteral("Folder"));
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Site Book"));
  EXPECT_EQ(SiteLocation(root), QStringLiteral("\\"));
}

TEST_F(SiteBookFormTest, LoadsFoldersFirstSortedAndSkipsOtherKeys) {
  AddFolderKey(store, QStringLiteral("zeta"));
  AddSiteKey(store, QStringLiteral("Alpha"), QStringLiteral("alpha.example.com"));
  AddFolderKey(store, QStringLiteral("beta"));
  AddSiteKey(store, QStringLiteral("beta\\Inner"), QStringLiteral("inner.example.com"));
  store.CreateKey(TreePath(QStringLiteral("stray")));  // no default value: not shown
  store.WriteString(TreePath(QStringLiteral("other")), QString(), QStringLiteral("Thing"));
  TSiteBookForm form(store);
  TSiteBookNode* root = form.RootNode();
  EXPECT_EQ(ChildNames(root),
            (QStringList{QStringLiteral("beta"), QStringLiteral("zeta"), QStringLiteral("Alpha")}));
  TSiteBookNode* inner = Find(root, {QStringLiteral("beta"), QStringLiteral("Inner")});
  ASSERT_NE(inner, nullptr);
  ASSERT_TRUE(inner->IsSite());
  EXPECT_EQ(inner->Data.SiteRecord->HostName, QStringLiteral("inner.example.com"));
  EXPECT_EQ(inner->Data.SiteRecord->SiteNode, inner);
  EXPECT_EQ(SiteKeyPath(inner), TreePath(QStringLiteral("beta\\Inner")));
  EXPECT_EQ(SiteLocation(inner), QStringLiteral("\\beta\\Inner"));
  EXPECT_TRUE(store.KeyExists(TreePath(QStringLiteral("stray"))));  // left alone
}

TEST_F(SiteBookFormTest, EnableRulesFollowTheCommandTarget) {
  AddFolderKey(store, QStringLiteral("Work"));
  AddSiteKey(store, QStringLiteral("Site"), QStringLiteral("ftp.example.com"));
  TSiteBookForm form(store);
  TSiteBookNode* root = form.RootNode();
  TSiteBookNode* site = Find(root, {QStringLiteral("Site")});
  TActionList& actions = *form.Actions;
  const auto enabled = [&](QAction* action) { return actions.IsEnabled(action); };
  // Root selected: a folder that cannot be deleted or renamed.
  EXPECT_FALSE(enabled(form.FileConnectAction));
  EXPECT_TRUE(enabled(form.FileNewFolderAction));
  EXPECT_TRUE(enabled(form.FileNewSiteAction));
  EXPECT_FALSE(enabled(form.FileDeleteAction));
  EXPECT_FALSE(enabled(form.FileRenameAction));
  EXPECT_FALSE(enabled(form.ToolPingAction));
  EXPECT_TRUE(enabled(form.FileQuickConnectAction));
  // A right press on the site makes it the target without selecting it.
  form.RightPressOn(site);
  EXPECT_EQ(form.SiteBookTreeView->currentItem(), root);
  EXPECT_TRUE(enabled(form.FileConnectAction));
  EXPECT_TRUE(enabled(form.FilePropertiesAction));
  EXPECT_TRUE(enabled(form.ToolTelnetAction));
  EXPECT_FALSE(enabled(form.FileNewFolderAction));
  EXPECT_TRUE(enabled(form.FileDeleteAction));
  form.RightPressOn(root);  // on the selected node: no highlight
  EXPECT_EQ(form.HighlightedNode(), nullptr);
  EXPECT_FALSE(enabled(form.FileConnectAction));
}

TEST_F(SiteBookFormTest, ConnectOpensOnlyForSitesAndDoubleClickOnAFolderDoesNot) {
  AddFolderKey(store, QStringLiteral("Work"));
  AddSiteKey(store, QStringLiteral("Site"), QStringLiteral("ftp.example.com"));
  TSiteBookForm form(store);
  TSiteBookNode* folder = Find(form.RootNode(), {QStringLiteral("Work")});
  TSiteBookNode* site = Find(form.RootNode(), {QStringLiteral("Site")});
  form.SiteBookTreeView->setCurrentItem(folder);
  form.Actions->Execute(form.FileConnectAction);
  Q_EMIT form.SiteBookTreeView->itemDoubleClicked(folder, 0);
  EXPECT_TRUE(explorers.empty());
  form.SiteBookTreeView->setCurrentItem(site);
  Q_EMIT form.SiteBookTreeView->itemDoubleClicked(site, 0);
  ASSERT_EQ(explorers.size(), 1u);
  EXPECT_EQ(explorers[0]->Site, site->Data.SiteRecord.get());
}

TEST_F(SiteBookFormTest, QuickConnectHandsOverARecordOnlyWhenConnecting) {
  TSiteBookForm form(store);
  WhenModal<TSitePropertiesForm>([](TSitePropertiesForm* dialog) {
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Quick Connect"));
    EXPECT_FALSE(dialog->NameEdit->isEnabled());
    EXPECT_EQ(dialog->PageControl->currentWidget(), dialog->LoginSheet);
    EXPECT_TRUE(dialog->ConnectButton->isDefault());
    dialog->HostNameEdit->setText(QStringLiteral("ftp.example.com"));
    dialog->CancelButton->click();
  });
  form.Actions->Execute(form.FileQuickConnectAction);
  EXPECT_TRUE(explorers.empty());

  WhenModal<TSitePropertiesForm>([](TSitePropertiesForm* dialog) {
    dialog->HostNameEdit->setText(QStringLiteral("ftp.example.com"));
    dialog->ConnectButton->click();
  });
  form.Actions->Execute(form.FileQuickConnectAction);
  ASSERT_EQ(explorers.size(), 1u);
  EXPECT_TRUE(explorers[0]->Site->QuickConnect);
  EXPECT_EQ(explorers[0]->Site->HostName, QStringLiteral("ftp.example.com"));
  EXPECT_EQ(store.SubKeyNames(kTree), QStringList());  // nothing stored
}

TEST_F(SiteBookFormTest, NewFolderNumbersReuseTheFirstFreeNumber) {
  TSiteBookForm form(store);
  TSiteBookNode* root = form.RootNode();
  form.Actions->Execute(form.FileNewFolderAction);
  EXPECT_EQ(form.SiteBookTreeView->currentItem()->text(0), QStringLiteral("New Folder #1"));
  form.SiteBookTreeView->setCurrentItem(root);
  form.Actions->Execute(form.FileNewFolderAction);
  EXPECT_EQ(ChildNames(root),
            (QStringList{QStringLiteral("New Folder #1"), QStringLiteral("New Folder #2")}));
  EXPECT_EQ(store.ReadString(TreePath(QStringLiteral("New Folder #2")), QString()),
            QStringLiteral("Folder"));
  ASSERT_TRUE(form.RenameNode(root->ChildNode(0), QStringLiteral("Work")));
  form.SiteBookTreeView->setCurrentItem(root);
  form.Actions->Execute(form.FileNewFolderAction);
  EXPECT_EQ(ChildNames(root).last(), QStringLiteral("New Folder #1"));  // appended, not sorted
  EXPECT_TRUE(store.KeyExists(TreePath(QStringLiteral("Work"))));
}

TEST_F(SiteBookFormTest, RenameMovesTheKeyAndRefusesClashesAndBadNames) {
  AddFolderKey(store, QStringLiteral("Work"));
  AddSiteKey(store, QStringLiteral("Work\\Site"), QStringLiteral("ftp.example.com"));
  store.WriteInteger(TreePath(QStringLiteral("Work\\Site")), QStringLiteral("Left"), 77);
  AddSiteKey(store, QStringLiteral("Other"), QStringLiteral("other.example.com"));
  TSiteBookForm form(store);
  TSiteBookNode* work = Find(form.RootNode(), {QStringLiteral("Work")});
  TSiteBookNode* site = Find(work, {QStringLiteral("Site")});

  EXPECT_TRUE(form.RenameNode(work, QStringLiteral("Projects")));
  EXPECT_EQ(work->Name(), QStringLiteral("Projects"));
  EXPECT_FALSE(store.KeyExists(TreePath(QStringLiteral("Work"))));
  const QString moved = TreePath(QStringLiteral("Projects\\Site"));
  EXPECT_EQ(store.ReadString(moved, QStringLiteral("HostName")), QStringLiteral("ftp.example.com"));
  EXPECT_EQ(store.ReadInteger(moved, QStringLiteral("Left")), 77);
  EXPECT_EQ(SiteKeyPath(site->Data.SiteRecord->SiteNode), moved);  // found through the node

  struct Case {
    TSiteBookNode* node;
    QString name;
  } refused[] = {{site, QStringLiteral("SITE")},   // own key in another case
                 {work, QStringLiteral("other")},  // a sibling in another case
                 {site, QStringLiteral("a\\b")},   // would split into two keys
                 {site, QStringLiteral("  ")}};
  for (const Case& c : refused) {
    const QString before = c.node->Name();
    TMessageBoxSpy spy;
    spy.AnswerNext(QMessageBox::Ok);
    EXPECT_FALSE(form.RenameNode(c.node, c.name)) << c.name.toStdString();
    EXPECT_EQ(spy.Caption, QStringLiteral("Site Book Rename Error"));
    EXPECT_EQ(spy.Icon, QMessageBox::Warning);
    EXPECT_EQ(c.node->Name(), before);
  }
}

TEST_F(SiteBookFormTest, DeleteRemovesTheSubtreeAndOpenExplorersForgetTheirSites) {
  AddFolderKey(store, QStringLiteral("Work"));
  AddFolderKey(store, QStringLiteral("Work\\Deep"));
  AddSiteKey(store, QStringLiteral("Work\\Deep\\Site"), QStringLiteral("ftp.example.com"));
  TSiteBookForm form(store);
  TSiteBookNode* work = Find(form.RootNode(), {QStringLiteral("Work")});
  TSiteBookNode* site = Find(work, {QStringLiteral("Deep"), QStringLiteral("Site")});
  form.SiteBookTreeView->setCurrentItem(site);
  form.Actions->Execute(form.FileConnectAction);
  ASSERT_EQ(explorers.size(), 1u);
  ASSERT_NE(explorers[0]->Site, nullptr);

  form.SiteBookTreeView->setCurrentItem(work);
  TMessageBoxSpy spy;
  spy.AnswerNext(QMessageBox::No);
  form.Actions->Execute(form.FileDeleteAction);
  // A folder with contents says what goes with it, and Enter answers No.
  EXPECT_EQ(spy.Text,
            QStringLiteral("Are you sure to delete [Work]?\n\nIt holds 1 site and 1 folder."));
  EXPECT_EQ(spy.Caption, QStringLiteral("Site Book Delete Confirm"));
  EXPECT_EQ(spy.Default, QMessageBox::No);
  EXPECT_TRUE(store.KeyExists(TreePath(QStringLiteral("Work\\Deep\\Site"))));
  EXPECT_NE(explorers[0]->Site, nullptr);

  spy.AnswerNext(QMessageBox::Yes);
  form.Actions->Execute(form.FileDeleteAction);
  EXPECT_FALSE(store.KeyExists(TreePath(QStringLiteral("Work"))));
  EXPECT_EQ(form.RootNode()->childCount(), 0);
  EXPECT_EQ(explorers[0]->Site, nullptr);
}

TEST_F(SiteBookFormTest, NewSiteStoresTheRecordAndRefusesAnExistingName) {
  AddSiteKey(store, QStringLiteral("Existing"), QStringLiteral("old.example.com"));
  TSiteBookForm form(store);
  TSiteBookNode* root = form.RootNode();
  form.SiteBookTreeView->setCurrentItem(root);

  const auto fill = [](const QString& name, QPushButton* TSitePropertiesForm::*button) {
    WhenModal<TSitePropertiesForm>([name, button](TSitePropertiesForm* dialog) {
      EXPECT_EQ(dialog->windowTitle(), QStringLiteral("New Site"));
      EXPECT_EQ(dialog->LocationEdit->text(), QStringLiteral("\\"));
      dialog->NameEdit->setText(name);
      dialog->HostNameEdit->setText(QStringLiteral("new.example.com"));
      (dialog->*button)->click();
    });
  };
  // A taken name (in any case) keeps the dialog open with everything typed; a new name then
  // goes through.
  TMessageBoxSpy spy;
  bool keptOpen = false;
  QString hostKept;
  WhenModal<TSitePropertiesForm>([&](TSitePropertiesForm* dialog) {
    dialog->NameEdit->setText(QStringLiteral("EXISTING"));
    dialog->HostNameEdit->setText(QStringLiteral("typed.example.com"));
    spy.AnswerNext(QMessageBox::Ok);
    dialog->OkButton->click();
    keptOpen = dialog->isVisible();
    hostKept = dialog->HostNameEdit->text();
    EXPECT_EQ(store.ReadString(TreePath(QStringLiteral("Existing")), QStringLiteral("HostName")),
              QStringLiteral("old.example.com"));
    dialog->NameEdit->setText(QStringLiteral("Second"));
    dialog->OkButton->click();
  });
  form.Actions->Execute(form.FileNewSiteAction);
  EXPECT_EQ(spy.Text, QStringLiteral("New name [EXISTING] already exists! Use another name."));
  EXPECT_EQ(spy.Caption, QStringLiteral("Site Book Create Error"));
  EXPECT_TRUE(keptOpen);
  EXPECT_EQ(hostKept, QStringLiteral("typed.example.com"));
  EXPECT_EQ(store.ReadString(TreePath(QStringLiteral("Second")), QStringLiteral("HostName")),
            QStringLiteral("typed.example.com"));
  EXPECT_EQ(root->childCount(), 2);
  form.SiteBookTreeView->setCurrentItem(root);

  fill(QStringLiteral("Fresh"), &TSitePropertiesForm::CancelButton);
  form.Actions->Execute(form.FileNewSiteAction);
  EXPECT_FALSE(store.KeyExists(TreePath(QStringLiteral("Fresh"))));

  fill(QStringLiteral("Fresh"), &TSitePropertiesForm::ConnectButton);
  form.Actions->Execute(form.FileNewSiteAction);
  const QString path = TreePath(QStringLiteral("Fresh"));
  EXPECT_EQ(store.ReadString(path, QString()), QStringLiteral("Site"));
  EXPECT_EQ(store.ReadString(path, QStringLiteral("HostName")), QStringLiteral("new.example.com"));
  EXPECT_EQ(store.ReadInteger(path, QStringLiteral("Port")), 21);
  auto* node = static_cast<TSiteBookNode*>(form.SiteBookTreeView->currentItem());
  EXPECT_EQ(node->Name(), QStringLiteral("Fresh"));
  EXPECT_EQ(root->ChildNode(root->childCount() - 1), node);  // appended after the last child
  ASSERT_EQ(explorers.size(), 1u);                           // Connect ran on the new node
  EXPECT_EQ(explorers[0]->Site, node->Data.SiteRecord.get());
}

TEST_F(SiteBookFormTest, PropertiesWritesBackAndPingRunsInTheTerminal) {
  AddSiteKey(store, QStringLiteral("Site"), QStringLiteral("ftp.example.com"));
  TSiteBookForm form(store);
  TSiteBookNode* site = Find(form.RootNode(), {QStringLiteral("Site")});
  site->Data.SiteRecord->UserName = QStringLiteral("bob");
  form.SiteBookTreeView->setCurrentItem(site);
  EXPECT_EQ(form.StatusLabel->text(), QStringLiteral("bob@ftp.example.com"));
  form.SiteBookTreeView->setCurrentItem(form.RootNode());
  EXPECT_TRUE(form.StatusLabel->text().isEmpty());
  form.SiteBookTreeView->setCurrentItem(site);
  WhenModal<TSitePropertiesForm>([](TSitePropertiesForm* dialog) {
    EXPECT_EQ(dialog->NameEdit->text(), QStringLiteral("Site"));
    EXPECT_FALSE(dialog->NameEdit->isEnabled());
    EXPECT_EQ(dialog->LocationEdit->text(), QStringLiteral("\\Site"));
    dialog->PortEdit->setText(QStringLiteral("2121"));
    dialog->OkButton->click();
  });
  form.Actions->Execute(form.FilePropertiesAction);
  EXPECT_EQ(store.ReadInteger(TreePath(QStringLiteral("Site")), QStringLiteral("Port")), 2121);
  EXPECT_TRUE(explorers.empty());

  QStringList started;
  DesktopServices::SetTerminalStarter([&](const QString& program, const QStringList& args) {
    started << program << args;
    return true;
  });
  form.Actions->Execute(form.ToolPingAction);
  EXPECT_EQ(started, (QStringList{GlobalOptions().PingApp, QStringLiteral("ftp.example.com")}));
}

TEST_F(SiteBookFormTest, WindowPositionIsSavedAtDestruction) {
  {
    TSiteBookForm form(store);
    form.setGeometry(30, 40, 260, 380);
  }
  const QString key = RegistryPaths::SiteBookKey();
  EXPECT_EQ(store.ReadInteger(key, QStringLiteral("Left")), 30);
  EXPECT_EQ(store.ReadInteger(key, QStringLiteral("Width")), 260);
  TSiteBookForm again(store);
  again.PlaceWindow([](const QSize&) { return QPoint(0, 0); });
  EXPECT_EQ(again.geometry(), QRect(30, 40, 260, 380));
}

TEST_F(SiteBookFormTest, InPlaceEditCommitsTheRenameAndEscapeCancelsIt) {
  AddSiteKey(store, QStringLiteral("Site"), QStringLiteral("ftp.example.com"));
  TSiteBookForm form(store);
  form.show();
  TSiteBookNode* site = Find(form.RootNode(), {QStringLiteral("Site")});
  form.SiteBookTreeView->setCurrentItem(site);
  form.Actions->Execute(form.FileRenameAction);
  auto* editor = form.SiteBookTreeView->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("Renamed"));
  QTest::keyClick(editor, Qt::Key_Escape);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // the closed editor
  QCoreApplication::processEvents();
  EXPECT_EQ(site->Name(), QStringLiteral("Site"));
  EXPECT_TRUE(store.KeyExists(TreePath(QStringLiteral("Site"))));

  form.Actions->Execute(form.FileRenameAction);
  editor = form.SiteBookTreeView->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("Renamed"));
  QTest::keyClick(editor, Qt::Key_Return);
  // The editor commits in a queued call, the rename runs in the next turn after it.
  QDeadlineTimer deadline(2000);
  while (site->Name() != QStringLiteral("Renamed") && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  EXPECT_EQ(site->Name(), QStringLiteral("Renamed"));
  EXPECT_EQ(site->Name(), QStringLiteral("Renamed"));
  EXPECT_EQ(store.ReadString(TreePath(QStringLiteral("Renamed")), QStringLiteral("HostName")),
            QStringLiteral("ftp.example.com"));
}

TEST_F(SiteBookFormTest, RightPressHighlightsWithoutSelectingAndDelKeyDeletes) {
  AddSiteKey(store, QStringLiteral("Site"), QStringLiteral("ftp.example.com"));
  TSiteBookForm form(store);
  form.show();
  TSiteBookNode* root = form.RootNode();
  TSiteBookNode* site = Find(root, {QStringLiteral("Site")});
  QWidget* viewport = form.SiteBookTreeView->viewport();
  const QPoint onSite = form.SiteBookTreeView->visualItemRect(site).center();
  QTest::mousePress(viewport, Qt::RightButton, Qt::NoModifier, onSite);
  EXPECT_EQ(form.HighlightedNode(), site);
  EXPECT_EQ(form.SiteBookTreeView->currentItem(), root);
  EXPECT_EQ(form.CommandTarget(), site);
  QTest::mouseRelease(viewport, Qt::RightButton, Qt::NoModifier, onSite);
  form.RemoveHighlight();

  form.SiteBookTreeView->setCurrentItem(root);
  form.SiteBookTreeView->setFocus();
  QTest::keyClick(form.SiteBookTreeView, Qt::Key_Delete);  // the root: rule says no
  EXPECT_EQ(root->childCount(), 1);
  form.SiteBookTreeView->setCurrentItem(site);
  TMessageBoxSpy spy;
  spy.AnswerNext(QMessageBox::Yes);
  QTest::keyClick(form.SiteBookTreeView, Qt::Key_Delete);
  EXPECT_EQ(spy.Count, 1);
  EXPECT_EQ(root->childCount(), 0);
  EXPECT_FALSE(store.KeyExists(TreePath(QStringLiteral("Site"))));
}

TEST_F(SiteBookFormTest, CommandsCarryTheirCaptionsHintsAndKeys) {
  TSiteBookForm form(store);
  struct Row {
    const char* name;
    const char* caption;
    const char* tip;
    const char* status;
    QKeySequence key;
  } rows[] = {
      {"FileConnectAction", "&Connect...", "Connect...", "Connect to Selected Site...", {}},
      {"FileQuickConnectAction", "&Quick Connect...", "Quick Connect...", "Quick Connect...",
       QKeySequence(Qt::Key_F4)},
      {"FileNewFolderAction", "New &Folder", "New Folder", "Make New Folder",
       QKeySequence(Qt::Key_F11)},
      {"FileNewSiteAction", "New &Site...", "New Site...", "Make New Site...",
       QKeySequence(Qt::Key_F12)},
      {"FileDeleteAction", "&Delete", "Delete", "Delete Selected Node", {}},
      {"FileRenameAction", "Rena&me", "Rename", "Rename Selected Node", QKeySequence(Qt::Key_F2)},
      {"FilePropertiesAction",
       "P&roperties...",
       "Properties...",
       "View Selected Site Properties...",
       {}},
      {"FileHideAction", "&Hide", "Hide", "Hide Site Book", {}},
      {"ToolPingAction", "&Ping...", "Ping...", "Ping to Selected Site...", {}},
      {"ToolTelnetAction", "&Telnet...", "Telnet...", "Telnet to Selected Site...", {}},
  };
  for (const Row& row : rows) {
    auto* action = form.findChild<QAction*>(QLatin1String(row.name));
    ASSERT_NE(action, nullptr) << row.name;
    EXPECT_EQ(action->text(), QString::fromUtf8(row.caption)) << row.name;
    EXPECT_EQ(action->toolTip(), QString::fromUtf8(row.tip)) << row.name;
    EXPECT_EQ(action->statusTip(), QString::fromUtf8(row.status)) << row.name;
    EXPECT_EQ(action->shortcut(), row.key) << row.name;
  }
  form.show();
  form.Actions->Execute(form.FileHideAction);
  EXPECT_FALSE(form.isVisible());
}

TEST_F(SiteBookFormTest, AStatusTextTooLongForTheWindowEndsInAnEllipsis) {
  TSiteBookForm form(store);
  form.resize(240, 350);
  form.show();
  const QString text = QStringLiteral("Remote explorer windows are not available.");
  form.StatusLabel->setText(text);
  EXPECT_EQ(form.StatusLabel->text(), text);
  const QString shown = form.StatusLabel->ShownText();
  EXPECT_LT(shown.size(), text.size());
  EXPECT_TRUE(shown.endsWith(QChar(0x2026)) || shown.endsWith(QStringLiteral("...")))
      << shown.toStdString();
  EXPECT_EQ(form.StatusLabel->toolTip(), text);
  EXPECT_EQ(form.width(), 240);  // the text does not widen the window
}

TEST_F(SiteBookFormTest, ShiftF10OpensThePopupMenuOfTheFocusedTree) {
  AddSiteKey(store, QStringLiteral("Site"), QStringLiteral("ftp.example.com"));
  TSiteBookForm form(store);
  TContextMenuKeyFilter menuKey;
  qApp->installEventFilter(&menuKey);
  form.show();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.SiteBookTreeView->setCurrentItem(Find(form.RootNode(), {QStringLiteral("Site")}));
  form.SiteBookTreeView->setFocus();
  QWidget* opened = nullptr;
  QTimer::singleShot(50, [&opened] {
    opened = QApplication::activePopupWidget();
    if (opened != nullptr) opened->close();
  });
  QTest::keyClick(form.SiteBookTreeView, Qt::Key_F10, Qt::ShiftModifier);
  // The menu runs inside the key press, so it has come and gone when the press returns.
  EXPECT_EQ(opened, static_cast<QWidget*>(form.SiteBookPopupMenu));
  qApp->removeEventFilter(&menuKey);
}
