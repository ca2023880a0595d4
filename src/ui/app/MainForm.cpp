#include "ui/app/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QEventLoop>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QWindow>

#include "core/common/ShellIcons.h"
#include "core/settings/GlobalOptions.h"
#include "ui/app/AboutForm.h"
#include "ui/app/AppInfo.h"
#include "ui/app/GlobalOptionsForm.h"
#include "ui/app/HelpViewer.h"
#include "ui/carrier/CarrierForm.h"
#include "ui/editor/OnlineEditorForm.h"
#include "ui/local/LocalExplorerForm.h"
#include "ui/sitebook/SiteBookForm.h"
#include "ui/widgets/ActionIcons.h"
#include "ui/widgets/ActionList.h"
#include "ui/widgets/DesktopFonts.h"
#include "ui/widgets/DesktopKeys.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/RemoteExpList.h"
#include "ui/widgets/RemoteExplorer.h"
#include "ui/widgets/ShellImageList.h"
#include "ui/widgets/WindowPlacement.h"

QString TMainForm::HomePage() {
  return QStringLiteral("https://vornalo.example.org/explorer/");
}

QString TMainForm::DeveloperMail() {
  return QStringLiteral("mailto:explorer@vornalo.example.org");
}

TMainForm::TMainForm(RegistryStore& store, QWidget* parent) : QMainWindow(parent), m_store(store) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(AppInfo::ApplicationTitle());
  ApplyOptionsFont(this);
  CreateActions();
  CreateLayout();
  FitToWorkArea();
  Actions->UpdateActions();
}

TMainForm::~TMainForm() = default;

void TMainForm::CreateActions() {
  Actions = new TActionList(this);
  const auto make = [this](const char* name, const QString& caption, const QString& hint,
                           const QIcon& icon = QIcon()) {
    return NewAction(this, name, caption, hint, icon);
  };
  FileQuickConnectAction =
      make("FileQuickConnectAction", QStringLiteral("&Quick Connect..."),
           QStringLiteral("Quick Connect..."),
           ActionIcon(QStringLiteral("network-wired"), QStyle::SP_DriveNetIcon));
  FileQuickConnectAction->setShortcut(QKeySequence(Qt::Key_F4));
  FileExitAction = make(
      "FileExitAction", QStringLiteral("E&xit"), QStringLiteral("Exit|Terminate Vornalo Explorer"),
      ActionIcon(QStringLiteral("application-exit"), QStyle::SP_DialogCloseButton));
  ViewSiteBookAction =
      make("ViewSiteBookAction", QStringLiteral("&Site Book"),
           QStringLiteral("Site Book|Show or Hide Site Book"),
           ActionIcon(QStringLiteral("bookmark-new"), QStyle::SP_FileDialogContentsView));
  ViewSiteBookAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
  ViewLocalExplorerAction = make("ViewLocalExplorerAction", QStringLiteral("&Local Explorer"),
                                 QStringLiteral("Local Explorer|Show or Hide Local Explorer"),
                                 ActionIcon(QStringLiteral("computer"), QStyle::SP_ComputerIcon));
  ViewLocalExplorerAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F2));
  ViewCarrierAction = make("ViewCarrierAction", QStringLiteral("&Carrier"),
                           QStringLiteral("Carrier|Show or Hide Carrier"),
                           ActionIcon(QStringLiteral("mail-send-receive"), QStyle::SP_ArrowRight));
  ViewCarrierAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));
  ViewOnlineEditorAction =
      make("ViewOnlineEditorAction", QStringLiteral("&Online Editor"),
           QStringLiteral("Online Editor|Show or Hide Online Editor"),
           ActionIcon(QStringLiteral("accessories-text-editor"), QStyle::SP_FileIcon));
  ViewOnlineEditorAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F4));
  ToolGlobalOptionsAction =
      make("ToolGlobalOptionsAction", QStringLiteral("Global &Options..."),
           QStringLiteral("Global Options..."),
           ActionIcon(QStringLiteral("preferences-system"), QStyle::SP_FileDialogListView));
  HelpContentsAction =
      make("HelpContentsAction", QStringLiteral("&Contents..."),
           QStringLiteral("Contents...|Show Help Contents..."),
           ActionIcon(QStringLiteral("help-contents"), QStyle::SP_DialogHelpButton));
  HelpVisitHomePageAction = make("HelpVisitHomePageAction", QStringLiteral("&Home Page..."),
                                 QStringLiteral("Home Page...|Visit Vornalo Explorer Home Page..."),
                                 ActionIcon(QStringLiteral("go-home"), QStyle::SP_DirHomeIcon));
  HelpWritetoDeveloperAction =
      make("HelpWritetoDeveloperAction", QStringLiteral("&Write to Developer..."),
           QStringLiteral("Email to Developer..."),
           ActionIcon(QStringLiteral("mail-message-new"), QStyle::SP_MessageBoxInformation));
  HelpAboutAction = make("HelpAboutAction", QStringLiteral("&About..."),
                         QStringLiteral("About...|About Vornalo Explorer 2000..."),
                         ActionIcon(QStringLiteral("help-about"), QStyle::SP_MessageBoxQuestion));
  TabControlRestoreAction = make("TabControlRestoreAction", QStringLiteral("&Restore"),
                                 QStringLiteral("Restore|Restore Remote Explorer"));
  TabControlMinizeAction = make("TabControlMinizeAction", QStringLiteral("&Minimize"),
                                QStringLiteral("Minize|Minize Remote Explorer"));
  TabControlCloseAction = make("TabControlCloseAction", QStringLiteral("&Close"),
                               QStringLiteral("Close|Close Remote Explorer"));

  Actions->Add(
      FileQuickConnectAction, [this] { return !m_siteBook.isNull(); },
      [this] { m_siteBook->Actions->Execute(m_siteBook->FileQuickConnectAction); });
  Actions->Add(FileExitAction, {}, [this] { close(); });
  const auto addToggle = [this](QAction* action, auto window) {
    action->setCheckable(true);
    MakeGlobalShortcut(action);  // Shift+F1 to Shift+F4 from every window
    Actions->Add(
        action, [window] { return !window->isNull(); },
        [this, window] { ToggleWindow(window->data()); },
        [window] { return !window->isNull() && (*window)->isVisible(); });
  };
  addToggle(ViewSiteBookAction, &m_siteBook);
  addToggle(ViewLocalExplorerAction, &m_localExplorer);
  addToggle(ViewCarrierAction, &m_carrier);
  addToggle(ViewOnlineEditorAction, &m_onlineEditor);
  Actions->Add(ToolGlobalOptionsAction, {}, [this] { ToolGlobalOptionsActionExecute(); });
  Actions->Add(HelpContentsAction, {},
               [this] { HelpViewer()->ShowTopic(QStringLiteral("welcome.html")); });
  Actions->Add(HelpVisitHomePageAction, {}, [] { QDesktopServices::openUrl(QUrl(HomePage())); });
  Actions->Add(HelpWritetoDeveloperAction, {},
               [] { QDesktopServices::openUrl(QUrl(DeveloperMail())); });
  Actions->Add(HelpAboutAction, {}, [this] {
    TAboutForm about(this);
    about.exec();
  });
  Actions->Add(
      TabControlRestoreAction,
      [this] { return CurrentTabWindow() != nullptr && CurrentTabWindow()->isMinimized(); },
      [this] { CurrentTabWindow()->showNormal(); });
  Actions->Add(
      TabControlMinizeAction,
      [this] { return CurrentTabWindow() != nullptr && !CurrentTabWindow()->isMinimized(); },
      [this] { CurrentTabWindow()->showMinimized(); });
  Actions->Add(
      TabControlCloseAction, [this] { return CurrentTabWindow() != nullptr; },
      [this] { CurrentTabWindow()->close(); });
}

void TMainForm::CreateLayout() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->addAction(FileQuickConnectAction);
  file->addSeparator();
  file->addAction(FileExitAction);
  QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
  view->addActions(
      {ViewSiteBookAction, ViewLocalExplorerAction, ViewCarrierAction, ViewOnlineEditorAction});
  QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
  tools->addAction(ToolGlobalOptionsAction);
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->addAction(HelpContentsAction);
  help->addSeparator();
  help->addActions({HelpVisitHomePageAction, HelpWritetoDeveloperAction});
  help->addSeparator();
  help->addAction(HelpAboutAction);

  ToolBar = addToolBar(QStringLiteral("Main Bar"));
  ToolBar->setObjectName(QStringLiteral("ToolBar"));
  ToolBar->setMovable(false);
  ToolBar->setFloatable(false);
  ToolBar->setIconSize(QSize(22, 22));
  ToolBar->addAction(FileQuickConnectAction);
  ToolBar->addSeparator();
  ToolBar->addActions(
      {ViewSiteBookAction, ViewLocalExplorerAction, ViewCarrierAction, ViewOnlineEditorAction});
  ToolBar->addSeparator();
  ToolBar->addAction(ToolGlobalOptionsAction);
  ToolBar->addSeparator();
  ToolBar->addActions({HelpContentsAction, HelpVisitHomePageAction, HelpWritetoDeveloperAction});
  ToolBar->addSeparator();

  RemoteExpListTabControl = new QTabBar(ToolBar);
  RemoteExpListTabControl->setObjectName(QStringLiteral("RemoteExpListTabControl"));
  RemoteExpListTabControl->setDocumentMode(true);
  RemoteExpListTabControl->setDrawBase(false);
  RemoteExpListTabControl->setExpanding(false);
  RemoteExpListTabControl->setUsesScrollButtons(true);
  RemoteExpListTabControl->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  RemoteExpListTabControl->setContextMenuPolicy(Qt::CustomContextMenu);
  RemoteExpListTabControl->installEventFilter(this);
  ToolBar->addWidget(RemoteExpListTabControl);

  TabPopupMenu = new QMenu(this);
  TabPopupMenu->setObjectName(QStringLiteral("TabPopupMenu"));
  TabPopupMenu->addActions({TabControlRestoreAction, TabControlMinizeAction});
  TabPopupMenu->addSeparator();
  TabPopupMenu->addAction(TabControlCloseAction);

  StatusLabel = new TElidedLabel(this);
  StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
  statusBar()->addWidget(StatusLabel, 1);
  statusBar()->setSizeGripEnabled(false);
  setCentralWidget(new QWidget(this));
  centralWidget()->setFixedHeight(0);

  connect(RemoteExpListTabControl, &QTabBar::currentChanged, this, &TMainForm::TabChanged);
  connect(RemoteExpListTabControl, &QTabBar::customContextMenuRequested, this,
          [this](const QPoint& pos) {
            if (RemoteExpListTabControl->tabAt(pos) < 0) return;
            Actions->UpdateActions();
            TabPopupMenu->exec(RemoteExpListTabControl->mapToGlobal(pos));
          });
}

void TMainForm::FitToWorkArea() {
  // As wide as the work area and at its top, by the frame: the title bar stays on screen.
  const QRect area = WorkArea();
  const QMargins frame = FrameMargins(this);
  const int height = sizeHint().height();
  setMinimumHeight(height);
  setMaximumHeight(height);
  setMaximumWidth(area.width());
  resize(area.width() - frame.left() - frame.right(), height);
  TWindowPlacement::Adopt(this, [this](const QSize&) { return WorkArea().topLeft(); });
}

void TMainForm::SetWindows(TSiteBookForm* siteBook, TLocalExplorerForm* localExplorer,
                           TCarrierForm* carrier, TOnlineEditorForm* onlineEditor) {
  m_siteBook = siteBook;
  m_localExplorer = localExplorer;
  m_carrier = carrier;
  m_onlineEditor = onlineEditor;
  Actions->UpdateActions();
}

void TMainForm::ToggleWindow(QWidget* window) {
  if (window->isVisible()) {
    window->hide();
  } else {
    window->showNormal();
    window->raise();
    window->activateWindow();
  }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == RemoteExpListTabControl && event->type() == QEvent::MouseButtonPress) {
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::RightButton) {
      // A right press first selects the tab under the pointer, as a left click would.
      const int index = RemoteExpListTabControl->tabAt(mouse->position().toPoint());
      if (index >= 0) RemoteExpListTabControl->setCurrentIndex(index);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

TRemoteExplorer* TMainForm::TabExplorer(int index) const {
  if (index < 0 || index >= RemoteExpListTabControl->count()) return nullptr;
  return reinterpret_cast<TRemoteExplorer*>(
      RemoteExpListTabControl->tabData(index).value<quintptr>());
}

TRemoteExplorer* TMainForm::CurrentTabRemoteExp() const {
  return TabExplorer(RemoteExpListTabControl->currentIndex());
}

QWidget* TMainForm::CurrentTabWindow() const {
  TRemoteExplorer* explorer = CurrentTabRemoteExp();
  return explorer != nullptr ? explorer->Window() : nullptr;
}

void TMainForm::AddRemoteExpTab(const QString& hostName, TRemoteExplorer* explorer) {
  const QSignalBlocker block(RemoteExpListTabControl);  // adding is not selecting
  const int index =
      RemoteExpListTabControl->addTab(ShellImages().Icon(ShellIcons().NetworkIcon()), hostName);
  RemoteExpListTabControl->setTabData(index,
                                      QVariant::fromValue(reinterpret_cast<quintptr>(explorer)));
}

void TMainForm::RemoveRemoteExpTab(TRemoteExplorer* explorer) {
  for (int i = 0; i < RemoteExpListTabControl->count(); ++i) {
    if (TabExplorer(i) == explorer) {
      const QSignalBlocker block(RemoteExpListTabControl);
      RemoteExpListTabControl->removeTab(i);
      break;
    }
  }
  if (RemoteExpListTabControl->count() == 0) setWindowTitle(AppInfo::ApplicationTitle());
}

void TMainForm::SelectRemoteExpTab(TRemoteExplorer* explorer) {
  for (int i = 0; explorer != nullptr && i < RemoteExpListTabControl->count(); ++i) {
    if (TabExplorer(i) == explorer) {
      {
        const QSignalBlocker block(RemoteExpListTabControl);
        RemoteExpListTabControl->setCurrentIndex(i);
      }
      TabChanged(i);
      return;
    }
  }
  setWindowTitle(AppInfo::ApplicationTitle());
}

void TMainForm::TabChanged(int index) {
  TRemoteExplorer* explorer = TabExplorer(index);
  if (explorer == nullptr) {
    setWindowTitle(AppInfo::ApplicationTitle());
    return;
  }
  QWidget* window = explorer->Window();
  if (window->isMinimized()) {
    window->showNormal();
  } else {
    window->show();
  }
  window->raise();
  setWindowTitle(AppInfo::ApplicationTitle() + QLatin1Char(' ') + explorer->ConnectionLabel());
}

void TMainForm::ApplyGlobalOptions() {
  ApplyOptionsFont(this);
  if (m_siteBook) m_siteBook->ApplyGlobalOptions();
  if (m_localExplorer) m_localExplorer->ApplyGlobalOptions();
  if (m_carrier) m_carrier->ApplyGlobalOptions();
  TRemoteExpList& explorers = RemoteExpList();
  for (int i = 0; i < explorers.Count(); ++i) explorers.Items(i)->ApplyOptions();
}

void TMainForm::ToolGlobalOptionsActionExecute() {
  TGlobalOptionsForm form(this, GlobalOptions(), m_store);
  if (form.exec() == QDialog::Accepted) ApplyGlobalOptions();
}

THelpViewer* TMainForm::HelpViewer() {
  if (m_helpViewer == nullptr) {
    m_helpViewer = new THelpViewer(this);  // owned by the main bar, a window of its own
    m_helpViewer->setWindowFlag(Qt::Window);
  }
  return m_helpViewer;
}

void TMainForm::ShowStatusText(const QString& text) {
  statusBar()->clearMessage();
  StatusLabel->setText(text);
}

void TMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (m_shown) return;
  m_shown = true;
  // The window manager activates the main bar once it has framed it, so the windows placed
  // below it see its whole frame. Without a window manager no activation may come.
  QTimer::singleShot(1000, this, &TMainForm::FirstActivation);
}

void TMainForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && m_shown) {
    // After the activation has been handled, as the window manager's events have.
    QTimer::singleShot(0, this, &TMainForm::FirstActivation);
  }
}

void TMainForm::FirstActivation() {
  if (m_activated) return;
  // The windows placed below the main bar need its frame; give the window manager a moment
  // to report it.
  const QWindow* handle = windowHandle();
  if (handle != nullptr && (!handle->isExposed() || handle->frameMargins().isNull()) &&
      m_frameWaits < 10) {
    ++m_frameWaits;
    QTimer::singleShot(50, this, &TMainForm::FirstActivation);
    return;
  }
  m_activated = true;
  if (OnFirstActivation) OnFirstActivation();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (m_closing) {
    event->ignore();
    return;
  }
  m_closing = true;
  // Every remote explorer closes in its own turn and removes its tab when it is gone.
  for (int i = 0; i < RemoteExpListTabControl->count(); ++i) {
    if (TRemoteExplorer* explorer = TabExplorer(i)) {
      QMetaObject::invokeMethod(explorer->Window(), "close", Qt::QueuedConnection);
    }
  }
  QEventLoop loop;
  while (RemoteExpListTabControl->count() > 0) loop.processEvents(QEventLoop::WaitForMoreEvents);
  m_closing = false;
  event->accept();
  QApplication::quit();
}
