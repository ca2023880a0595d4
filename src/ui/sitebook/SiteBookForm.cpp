#include "ui/sitebook/SiteBookForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include "core/common/ShellIcons.h"
#include "core/settings/GlobalOptions.h"
#include "core/settings/RegistryKey.h"
#include "core/settings/RegistryPaths.h"
#include "core/settings/SiteProperties.h"
#include "ui/sitebook/SiteBookNode.h"
#include "ui/sitebook/SitePropertiesForm.h"
#include "ui/widgets/ActionIcons.h"
#include "ui/widgets/ActionList.h"
#include "ui/widgets/DesktopFonts.h"
#include "ui/widgets/DesktopServices.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/RemoteExplorer.h"
#include "ui/widgets/RemoteExplorerFactory.h"
#include "ui/widgets/ShellImageList.h"
#include "ui/widgets/WindowPlacement.h"

namespace {

const QString kFolder = QStringLiteral("Folder");
const QString kSite = QStringLiteral("Site");

QString LoggedOnUserName() {
  QString name = qEnvironmentVariable("USER");
  if (name.isEmpty()) name = qEnvironmentVariable("USERNAME");
  if (name.isEmpty()) name = QDir::home().dirName();
  return name;
}

// In-place editing ends here: the form renames the key, the model is never written directly.
class TRenameDelegate : public QStyledItemDelegate {
 public:
  explicit TRenameDelegate(TSiteBookForm* form) : QStyledItemDelegate(form), m_form(form) {}

  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (edit == nullptr) return;
    const QString newName = edit->text();
    // The message boxes of a refused rename must not run inside the editor's commit; the node
    // is looked up again then, in case it went meanwhile.
    const QPersistentModelIndex target(index);
    QTimer::singleShot(0, m_form, [form = m_form, target, newName] {
      QTreeWidgetItem* item = form->SiteBookTreeView->itemFromIndex(target);
      if (item != nullptr) form->RenameNode(static_cast<TSiteBookNode*>(item), newName);
    });
  }

 private:
  TSiteBookForm* m_form;
};

QString Counted(int count, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// "It holds 2 sites and 1 folder." for a folder with contents, else nothing.
QString ContentsText(const TSiteBookNode* node) {
  int sites = 0;
  int folders = 0;
  QList<const QTreeWidgetItem*> pending{node};
  while (!pending.isEmpty()) {
    const QTreeWidgetItem* item = pending.takeLast();
    for (int i = 0; i < item->childCount(); ++i) {
      const auto* child = static_cast<const TSiteBookNode*>(item->child(i));
      (child->IsSite() ? sites : folders) += 1;
      pending << child;
    }
  }
  if (sites == 0 && folders == 0) return {};
  return QStringLiteral("It holds %1 and %2.")
      .arg(Counted(sites, "site", "sites"), Counted(folders, "folder", "folders"));
}

}  // namespace

TSiteBookForm::TSiteBookForm(RegistryStore& store, QWidget* parent)
    : QMainWindow(parent), m_store(store) {
  setObjectName(QStringLiteral("SiteBookForm"));
  setAttribute(Qt::WA_QuitOnClose, false);  // closing only hides it
  setWindowTitle(QStringLiteral("Site Book"));
  setProperty("HelpContext", 1001);
  ApplyOptionsFont(this);
  resize(240, 350);
  CreateActions();
  CreateLayout();
  LoadTree();
  Actions->UpdateActions();
}

TSiteBookForm::~TSiteBookForm() {
  SaveWindowPosition(this, RegistryPaths::SiteBookKey(), m_store);
  // Removing the nodes makes every open remote explorer forget their records first.
  SiteBookTreeView->clear();
}

void TSiteBookForm::CreateActions() {
  Actions = new TActionList(this);
  const auto make = [this](const char* name, const QString& caption, const QString& hint,
                           const QIcon& icon = QIcon()) {
    return NewAction(this, name, caption, hint, icon);
  };
  FileConnectAction =
      make("FileConnectAction", QStringLiteral("&Connect..."),
           QStringLiteral("Connect...|Connect to Selected Site..."),
           ActionIcon(QStringLiteral("applications-internet"), QStyle::SP_ArrowForward));
  FileQuickConnectAction =
      make("FileQuickConnectAction", QStringLiteral("&Quick Connect..."),
           QStringLiteral("Quick Connect..."),
           ActionIcon(QStringLiteral("network-wired"), QStyle::SP_DriveNetIcon));
  FileQuickConnectAction->setShortcut(QKeySequence(Qt::Key_F4));
  FileNewFolderAction =
      make("FileNewFolderAction", QStringLiteral("New &Folder"),
           QStringLiteral("New Folder|Make New Folder"),
           ActionIcon(QStringLiteral("folder-new"), QStyle::SP_FileDialogNewFolder));
  FileNewFolderAction->setShortcut(QKeySequence(Qt::Key_F11));
  FileNewSiteAction = make("FileNewSiteAction", QStringLiteral("New &Site..."),
                           QStringLiteral("New Site...|Make New Site..."),
                           ActionIcon(QStringLiteral("document-new"), QStyle::SP_FileIcon));
  FileNewSiteAction->setShortcut(QKeySequence(Qt::Key_F12));
  FileDeleteAction = make("FileDeleteAction", QStringLiteral("&Delete"),
                          QStringLiteral("Delete|Delete Selected Node"),
                          ActionIcon(QStringLiteral("edit-delete"), QStyle::SP_TrashIcon));
  FileRenameAction = make("FileRenameAction", QStringLiteral("Rena&me"),
                          QStringLiteral("Rename|Rename Selected Node"));
  FileRenameAction->setShortcut(QKeySequence(Qt::Key_F2));
  FilePropertiesAction =
      make("FilePropertiesAction", QStringLiteral("P&roperties..."),
           QStringLiteral("Properties...|View Selected Site Properties..."),
           ActionIcon(QStringLiteral("document-properties"), QStyle::SP_FileDialogDetailedView));
  FileHideAction =
      make("FileHideAction", QStringLiteral("&Hide"), QStringLiteral("Hide|Hide Site Book"));
  ToolPingAction =
      make("ToolPingAction", QStringLiteral("&Ping..."),
           QStringLiteral("Ping...|Ping to Selected Site..."),
           ActionIcon(QStringLiteral("network-transmit-receive"), QStyle::SP_BrowserReload));
  ToolTelnetAction =
      make("ToolTelnetAction", QStringLiteral("&Telnet..."),
           QStringLiteral("Telnet...|Telnet to Selected Site..."),
           ActionIcon(QStringLiteral("utilities-terminal"), QStyle::SP_ComputerIcon));

  Actions->Add(
      FileConnectAction, [this] { return TargetIsSite(); }, [this] { FileConnectActionExecute(); });
  Actions->Add(FileQuickConnectAction, {}, [this] { FileQuickConnectActionExecute(); });
  Actions->Add(
      FileNewFolderAction, [this] { return TargetIsFolder(); },
      [this] { FileNewFolderActionExecute(); });
  Actions->Add(
      FileNewSiteAction, [this] { return TargetIsFolder(); },
      [this] { FileNewSiteActionExecute(); });
  Actions->Add(
      FileDeleteAction, [this] { return TargetIsNotRoot(); },
      [this] { FileDeleteActionExecute(); });
  Actions->Add(
      FileRenameAction, [this] { return TargetIsNotRoot(); },
      [this] { FileRenameActionExecute(); });
  Actions->Add(
      FilePropertiesAction, [this] { return TargetIsSite(); },
      [this] { FilePropertiesActionExecute(); });
  Actions->Add(FileHideAction, {}, [this] { hide(); });
  Actions->Add(
      ToolPingAction, [this] { return TargetIsSite(); }, [this] { ToolPingActionExecute(); });
  Actions->Add(
      ToolTelnetAction, [this] { return TargetIsSite(); }, [this] { ToolTelnetActionExecute(); });
}

void TSiteBookForm::CreateLayout() {
  auto* toolBar = addToolBar(QStringLiteral("Site Book"));
  toolBar->setObjectName(QStringLiteral("ToolBar"));
  toolBar->setMovable(false);
  toolBar->setIconSize(QSize(16, 16));
  toolBar->addActions({FileConnectAction, FileQuickConnectAction});
  toolBar->addSeparator();
  toolBar->addActions({FileNewFolderAction, FileNewSiteAction});
  toolBar->addSeparator();
  toolBar->addActions({FileDeleteAction, FilePropertiesAction});
  toolBar->addSeparator();
  toolBar->addActions({ToolPingAction, ToolTelnetAction});

  QMenu* siteMenu = menuBar()->addMenu(QStringLiteral("&Site"));
  siteMenu->addActions({FileConnectAction, FileQuickConnectAction});
  siteMenu->addSeparator();
  siteMenu->addActions({FileNewFolderAction, FileNewSiteAction});
  siteMenu->addSeparator();
  siteMenu->addActions({FileDeleteAction, FileRenameAction, FilePropertiesAction});
  siteMenu->addSeparator();
  siteMenu->addAction(FileHideAction);
  QMenu* toolMenu = menuBar()->addMenu(QStringLiteral("&Tools"));
  toolMenu->addActions({ToolPingAction, ToolTelnetAction});

  SiteBookTreeView = new QTreeWidget(this);
  SiteBookTreeView->setObjectName(QStringLiteral("SiteBookTreeView"));
  SiteBookTreeView->setHeaderHidden(true);
  SiteBookTreeView->setRootIsDecorated(false);
  SiteBookTreeView->setIconSize(QSize(16, 16));
  SiteBookTreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  SiteBookTreeView->setItemDelegate(new TRenameDelegate(this));
  SiteBookTreeView->setContextMenuPolicy(Qt::CustomContextMenu);
  SiteBookTreeView->viewport()->installEventFilter(this);
  SiteBookTreeView->installEventFilter(this);
  setCentralWidget(SiteBookTreeView);

  SiteBookPopupMenu = new QMenu(this);
  SiteBookPopupMenu->setObjectName(QStringLiteral("SiteBookPopupMenu"));
  SiteBookPopupMenu->addAction(FileConnectAction);
  SiteBookPopupMenu->addSeparator();
  SiteBookPopupMenu->addActions({FileNewFolderAction, FileNewSiteAction});
  SiteBookPopupMenu->addSeparator();
  SiteBookPopupMenu->addActions({FileDeleteAction, FileRenameAction, FilePropertiesAction});
  SiteBookPopupMenu->addSeparator();
  SiteBookPopupMenu->addActions({ToolPingAction, ToolTelnetAction});

  StatusLabel = new TElidedLabel(this);
  StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
  statusBar()->addWidget(StatusLabel, 1);
  statusBar()->setSizeGripEnabled(true);

  connect(SiteBookTreeView, &QTreeWidget::customContextMenuRequested, this,
          &TSiteBookForm::ShowPopupMenu);
  connect(SiteBookTreeView, &QTreeWidget::itemDoubleClicked, this,
          &TSiteBookForm::NodeDoubleClicked);
  connect(SiteBookTreeView, &QTreeWidget::currentItemChanged, this,
          &TSiteBookForm::SelectionChanged);
}

void TSiteBookForm::PlaceWindow(TWindowPlacement::TDefaultPlace defaultPlace) {
  TWindowPlacement::Adopt(this, std::move(defaultPlace), RegistryPaths::SiteBookKey(), m_store);
}

void TSiteBookForm::ApplyGlobalOptions() {
  ApplyOptionsFont(this);
}

TSiteBookNode* TSiteBookForm::RootNode() const {
  return static_cast<TSiteBookNode*>(SiteBookTreeView->topLevelItem(0));
}

void TSiteBookForm::LoadTree() {
  auto* root = TSiteBookNode::NewFolder(LoggedOnUserName());
  root->setFlags(root->flags() & ~Qt::ItemIsEditable);
  SiteBookTreeView->addTopLevelItem(root);
  const QString treePath = RegistryPaths::SiteBookTreeKey();
  QStringList names;
  {
    RegistryKey key(m_store);
    if (key.OpenKey(treePath, true)) {
      key.WriteString(QString(), kFolder);
      names = m_store.SubKeyNames(treePath);
      key.CloseKey();
    }
  }
  for (const QString& name : names) LoadKey(root, treePath, name);
  SortChildNodes(root);
  SiteBookTreeView->setCurrentItem(root);
  SiteBookTreeView->expandAll();
  UpdateNodeIcons();
}

void TSiteBookForm::LoadKey(TSiteBookNode* parent, const QString& parentPath, const QString& name) {
  const QString path = parentPath + QLatin1Char('\\') + name;
  QString kind;
  {
    RegistryKey key(m_store);
    if (!key.OpenKey(path, false) || !key.ReadString(QString(), kind)) return;
  }
  if (kind == kSite) {
    TSiteBookNode* node = TSiteBookNode::NewSite(name);
    parent->addChild(node);
    ReadSiteProperties(*node->Data.SiteRecord, path, m_store);
  } else if (kind == kFolder) {
    TSiteBookNode* node = TSiteBookNode::NewFolder(name);
    parent->addChild(node);
    for (const QString& child : m_store.SubKeyNames(path)) LoadKey(node, path, child);
    SortChildNodes(node);
  }
}

void TSiteBookForm::UpdateNodeIcons() {
  TShellIcons& icons = ShellIcons();
  TShellImageList& images = ShellImages();
  const QTreeWidgetItem* current = SiteBookTreeView->currentItem();
  QList<QTreeWidgetItem*> pending{SiteBookTreeView->invisibleRootItem()};
  while (!pending.isEmpty()) {
    QTreeWidgetItem* item = pending.takeLast();
    for (int i = 0; i < item->childCount(); ++i) pending << item->child(i);
    if (item == SiteBookTreeView->invisibleRootItem()) continue;
    auto* node = static_cast<TSiteBookNode*>(item);
    int index = icons.FolderIcon();
    if (node->IsRoot()) {
      index = icons.DesktopIcon();
    } else if (node->IsSite()) {
      index = icons.NetworkIcon();
    } else if (node == current) {
      index = icons.OpenFolderIcon();
    }
    node->setIcon(0, images.Icon(index));
  }
}

void TSiteBookForm::SelectionChanged() {
  const auto* node = static_cast<TSiteBookNode*>(SiteBookTreeView->currentItem());
  if (node != nullptr && node->IsSite()) {
    StatusLabel->setText(QStringLiteral("%1@%2").arg(node->Data.SiteRecord->UserName,
                                                     node->Data.SiteRecord->HostName));
  } else {
    StatusLabel->clear();
  }
  UpdateNodeIcons();
}

TSiteBookNode* TSiteBookForm::CommandTarget() const {
  if (m_highlighted != nullptr) return m_highlighted;
  if (SiteBookTreeView == nullptr) return nullptr;
  return static_cast<TSiteBookNode*>(SiteBookTreeView->currentItem());
}

bool TSiteBookForm::TargetIsSite() const {
  const TSiteBookNode* target = CommandTarget();
  return target != nullptr && target->IsSite();
}

bool TSiteBookForm::TargetIsFolder() const {
  const TSiteBookNode* target = CommandTarget();
  return target != nullptr && target->IsFolder();
}

bool TSiteBookForm::TargetIsNotRoot() const {
  const TSiteBookNode* target = CommandTarget();
  return target != nullptr && !target->IsRoot();
}

void TSiteBookForm::RightPressOn(TSiteBookNode* node) {
  RemoveHighlight();
  if (node == nullptr || node == SiteBookTreeView->currentItem()) return;
  m_highlighted = node;
  const QPalette palette = SiteBookTreeView->palette();
  node->setBackground(0, palette.color(QPalette::Highlight).lighter(160));
  Actions->UpdateActions();
}

void TSiteBookForm::RemoveHighlight() {
  if (m_highlighted == nullptr) return;
  m_highlighted->setBackground(0, QBrush());
  m_highlighted = nullptr;
  Actions->UpdateActions();
}

bool TSiteBookForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SiteBookTreeView->viewport() && event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      auto* node =
          static_cast<TSiteBookNode*>(SiteBookTreeView->itemAt(mouse->position().toPoint()));
      RightPressOn(node);
      return node != nullptr;  // the selection stays where it was
    }
  }
  if (watched == SiteBookTreeView && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    // While a name is edited the editor has the keys, so this is never an edit's Del.
    Actions->Execute(FileDeleteAction);
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TSiteBookForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() &&
      !SiteBookPopupMenu->isVisible()) {
    RemoveHighlight();
  }
}

void TSiteBookForm::ShowPopupMenu(const QPoint& pos) {
  if (SiteBookTreeView->itemAt(pos) == nullptr) return;
  Actions->UpdateActions();
  SiteBookPopupMenu->exec(SiteBookTreeView->viewport()->mapToGlobal(pos));
  // After the chosen command's pending events have run.
  QTimer::singleShot(0, this, &TSiteBookForm::RemoveHighlight);
}

void TSiteBookForm::NodeDoubleClicked(QTreeWidgetItem*) {
  if (QApplication::keyboardModifiers() & Qt::AltModifier) {
    Actions->Execute(FilePropertiesAction);
  } else {
    Actions->Execute(FileConnectAction);
  }
}

void TSiteBookForm::OpenRemoteExplorer(TSiteProperties* site) {
  TRemoteExplorer* explorer = RemoteExplorerFactory::CreateRemoteExplorer(this, site);
  if (explorer == nullptr) {
    if (site->QuickConnect) delete site;
    StatusLabel->setText(QStringLiteral("Remote explorer windows are not available."));
    return;
  }
  explorer->Window()->show();
}

void TSiteBookForm::FileConnectActionExecute() {
  OpenRemoteExplorer(CommandTarget()->Data.SiteRecord.get());
}

void TSiteBookForm::FileQuickConnectActionExecute() {
  auto site = std::make_unique<TSiteProperties>();
  site->QuickConnect = true;
  TSitePropertiesForm form(this, site.get());
  form.setWindowTitle(QStringLiteral("Quick Connect"));
  form.PageControl->setCurrentWidget(form.LoginSheet);
  form.OkButton->setDefault(false);
  form.ConnectButton->setDefault(true);
  form.NameEdit->setEnabled(false);
  form.HostNameEdit->setFocus();
  if (form.exec() == TSitePropertiesForm::mrYes) OpenRemoteExplorer(site.release());
}

void TSiteBookForm::FileNewFolderActionExecute() {
  TSiteBookNode* target = CommandTarget();
  const QString parentPath = SiteKeyPath(target);
  QString name;
  for (int n = 1;; ++n) {
    name = QStringLiteral("New Folder #%1").arg(n);
    if (!m_store.KeyExists(parentPath + QLatin1Char('\\') + name)) break;
  }
  RegistryKey key(m_store);
  if (!key.OpenKey(parentPath + QLatin1Char('\\') + name, true)) return;
  key.WriteString(QString(), kFolder);
  key.CloseKey();
  TSiteBookNode* node = TSiteBookNode::NewFolder(name);
  target->addChild(node);
  target->setExpanded(true);
  RemoveHighlight();
  SiteBookTreeView->setCurrentItem(node);
  SiteBookTreeView->editItem(node);
}

void TSiteBookForm::FileNewSiteActionExecute() {
  TSiteBookNode* target = CommandTarget();
  auto site = std::make_unique<TSiteProperties>();
  TSitePropertiesForm form(this, site.get());
  form.setWindowTitle(QStringLiteral("New Site"));
  form.LocationEdit->setText(SiteLocation(target));
  const QString parentPath = SiteKeyPath(target);
  // A name that is taken keeps the dialog open, so nothing typed is lost.
  form.OnCloseQuery = [this, &form, &parentPath] {
    const QString name = form.NameEdit->text();
    if (!m_store.KeyExists(parentPath + QLatin1Char('\\') + name)) return true;
    QMessageBox::critical(
        &form, QStringLiteral("Site Book Create Error"),
        QStringLiteral("New name [%1] already exists! Use another name.").arg(name));
    form.PageControl->setCurrentWidget(form.GeneralSheet);
    form.NameEdit->selectAll();
    form.NameEdit->setFocus();
    return false;
  };
  const int result = form.exec();
  if (result != TSitePropertiesForm::mrOk && result != TSitePropertiesForm::mrYes) return;
  const QString name = form.NameEdit->text();
  if (!m_store.KeyExists(parentPath)) {
    QMessageBox::critical(this, QStringLiteral("Site Book Create Error"),
                          QStringLiteral("Cannot open key for [%1].").arg(target->Name()));
    return;
  }
  const QString path = parentPath + QLatin1Char('\\') + name;
  if (m_store.KeyExists(path)) return;  // refused while the dialog was open
  {
    RegistryKey key(m_store);
    if (!key.OpenKey(path, true)) return;
    key.WriteString(QString(), kSite);
  }
  TSiteBookNode* node = TSiteBookNode::NewSite(name);
  node->SetSiteRecord(std::move(site));
  target->addChild(node);
  target->setExpanded(true);
  WriteSiteProperties(*node->Data.SiteRecord, SiteKeyPath(node), m_store);
  SiteBookTreeView->setCurrentItem(node);
  RemoveHighlight();
  UpdateNodeIcons();
  if (result == TSitePropertiesForm::mrYes) Actions->Execute(FileConnectAction);
}

void TSiteBookForm::FileDeleteActionExecute() {
  TSiteBookNode* target = CommandTarget();
  QString question = QStringLiteral("Are you sure to delete [%1]?").arg(target->Name());
  // A whole folder goes with one key press: say what it holds, and make No the default.
  const QString contents = ContentsText(target);
  if (!contents.isEmpty()) question += QStringLiteral("\n\n") + contents;
  if (QMessageBox::question(this, QStringLiteral("Site Book Delete Confirm"), question,
                            QMessageBox::Yes | QMessageBox::No,
                            contents.isEmpty() ? QMessageBox::Yes : QMessageBox::No) !=
      QMessageBox::Yes) {
    return;
  }
  // The highlight or the selection may have moved while the question was open.
  if (!m_store.DeleteKey(SiteKeyPath(target))) {
    QMessageBox::critical(this, QStringLiteral("Site Book Delete Error"),
                          QStringLiteral("Cannot delete [%1].").arg(target->Name()));
    return;
  }
  if (m_highlighted == target) m_highlighted = nullptr;
  delete target;
  UpdateNodeIcons();
  Actions->UpdateActions();
}

void TSiteBookForm::FileRenameActionExecute() {
  SiteBookTreeView->editItem(CommandTarget());
}

bool TSiteBookForm::RenameNode(TSiteBookNode* node, const QString& newName) {
  const QString oldName = node->Name();
  if (newName == oldName) return true;  // edit confirmed without a change
  const QString caption = QStringLiteral("Site Book Rename Error");
  QString problem;
  if (newName.trimmed().isEmpty() || !RegistryStore::IsValidKeyName(newName, &problem)) {
    QMessageBox::warning(this, caption,
                         QStringLiteral("Cannot rename from [%1] to [%2]: a name must not be "
                                        "blank nor contain a backslash.")
                             .arg(oldName, newName));
    return false;
  }
  const QString parentPath = SiteKeyPath(node->ParentNode());
  if (!m_store.KeyExists(parentPath)) {
    QMessageBox::warning(this, caption,
                         QStringLiteral("Cannot rename from [%1] to [%2].").arg(oldName, newName));
    return false;
  }
  if (m_store.KeyExists(parentPath + QLatin1Char('\\') + newName)) {
    QMessageBox::warning(this, caption,
                         QStringLiteral("New name [%1] already exists.").arg(newName));
    return false;
  }
  if (!m_store.MoveKey(parentPath + QLatin1Char('\\') + oldName,
                       parentPath + QLatin1Char('\\') + newName)) {
    QMessageBox::warning(this, caption,
                         QStringLiteral("Cannot rename from [%1] to [%2].").arg(oldName, newName));
    return false;
  }
  node->setText(0, newName);
  return true;
}

void TSiteBookForm::FilePropertiesActionExecute() {
  TSiteBookNode* target = CommandTarget();
  TSiteProperties* site = target->Data.SiteRecord.get();
  TSitePropertiesForm form(this, site);
  form.NameEdit->setText(target->Name());
  form.NameEdit->setEnabled(false);
  form.LocationEdit->setText(SiteLocation(target));
  form.PageControl->setCurrentWidget(form.LoginSheet);
  form.HostNameEdit->setFocus();
  const int result = form.exec();
  if (result != TSitePropertiesForm::mrOk && result != TSitePropertiesForm::mrYes) return;
  WriteSiteProperties(*site, SiteKeyPath(target), m_store);
  SelectionChanged();
  if (result == TSitePropertiesForm::mrYes) Actions->Execute(FileConnectAction);
}

void TSiteBookForm::ToolPingActionExecute() {
  DesktopServices::RunInTerminal(GlobalOptions().PingApp,
                                 {CommandTarget()->Data.SiteRecord->HostName});
}

void TSiteBookForm::ToolTelnetActionExecute() {
  DesktopServices::RunInTerminal(GlobalOptions().TelnetApp,
                                 {CommandTarget()->Data.SiteRecord->HostName});
}
