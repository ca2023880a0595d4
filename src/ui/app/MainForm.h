#pragma once

#include <QMainWindow>
#include <QPointer>

#include "core/settings/RegistryStore.h"

class QAction;
class QMenu;
class QTabBar;
class QToolBar;
class TActionList;
class TElidedLabel;
class THelpViewer;
class TRemoteExplorer;
class TSiteBookForm;
class TLocalExplorerForm;
class TCarrierForm;
class TOnlineEditorForm;

// The main bar: as wide as the work area, as high as its tool bar, menus and status bar.
// It toggles the shared windows, holds one tab per open remote explorer, opens the options,
// help and the about box, and shuts everything down in order.
class TMainForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TMainForm(RegistryStore& store = RegistryStore::Current(), QWidget* parent = nullptr);
  ~TMainForm() override;

  // The shared windows, created after the main bar.
  void SetWindows(TSiteBookForm* siteBook, TLocalExplorerForm* localExplorer, TCarrierForm* carrier,
                  TOnlineEditorForm* onlineEditor);
  // Runs once, when the main bar is first activated (at the latest a second after it is
  // shown): shows the local explorer, then the site book, and closes the splash.
  std::function<void()> OnFirstActivation;

  // Offered to the remote explorers.
  void AddRemoteExpTab(const QString& hostName, TRemoteExplorer* explorer);
  void RemoveRemoteExpTab(TRemoteExplorer* explorer);
  void SelectRemoteExpTab(TRemoteExplorer* explorer);
  TRemoteExplorer* CurrentTabRemoteExp() const;
  void ApplyGlobalOptions();

  THelpViewer* HelpViewer();
  void ShowStatusText(const QString& text);

  TActionList* Actions = nullptr;
  QToolBar* ToolBar = nullptr;
  QTabBar* RemoteExpListTabControl = nullptr;
  QMenu* TabPopupMenu = nullptr;
  TElidedLabel* StatusLabel = nullptr;

  QAction* FileQuickConnectAction = nullptr;
  QAction* FileExitAction = nullptr;
  QAction* ViewSiteBookAction = nullptr;
  QAction* ViewLocalExplorerAction = nullptr;
  QAction* ViewCarrierAction = nullptr;
  QAction* ViewOnlineEditorAction = nullptr;
  QAction* ToolGlobalOptionsAction = nullptr;
  QAction* HelpContentsAction = nullptr;
  QAction* HelpVisitHomePageAction = nullptr;
  QAction* HelpWritetoDeveloperAction = nullptr;
  QAction* HelpAboutAction = nullptr;
  QAction* TabControlRestoreAction = nullptr;
  QAction* TabControlMinizeAction = nullptr;
  QAction* TabControlCloseAction = nullptr;

  static QString HomePage();
  static QString DeveloperMail();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateActions();
  void CreateLayout();
  void FitToWorkArea();
  void FirstActivation();
  void ToggleWindow(QWidget* window);
  void TabChanged(int index);
  TRemoteExplorer* TabExplorer(int index) const;
  QWidget* CurrentTabWindow() const;
  void ToolGlobalOptionsActionExecute();

  RegistryStore& m_store;
  QPointer<TSiteBookForm> m_siteBook;
  QPointer<TLocalExplorerForm> m_localExplorer;
  QPointer<TCarrierForm> m_carrier;
  QPointer<TOnlineEditorForm> m_onlineEditor;
  THelpViewer* m_helpViewer = nullptr;
  bool m_shown = false;
  bool m_activated = false;
  int m_frameWaits = 0;
  bool m_closing = false;
};
