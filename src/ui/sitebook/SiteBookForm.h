#pragma once

#include <QMainWindow>
#include <QPointer>

#include "core/settings/RegistryStore.h"
#include "ui/widgets/WindowPlacement.h"

class QAction;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
class TActionList;
class TElidedLabel;
class TSiteBookNode;
class TSiteProperties;

// The book of saved sites: a tree of folders and sites kept under "SiteBook\Tree" in the
// registry, and the place connections are opened from. Closing it only hides it.
class TSiteBookForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TSiteBookForm(RegistryStore& store = RegistryStore::Current(),
                         QWidget* parent = nullptr);
  ~TSiteBookForm() override;

  // The default place (work area's left edge, below the main bar), then the saved one, fitted
  // into the screen it lands on.
  void PlaceWindow(TWindowPlacement::TDefaultPlace defaultPlace);
  void ApplyGlobalOptions();

  QTreeWidget* SiteBookTreeView = nullptr;
  QMenu* SiteBookPopupMenu = nullptr;
  TElidedLabel* StatusLabel = nullptr;
  TActionList* Actions = nullptr;

  QAction* FileConnectAction = nullptr;
  QAction* FileQuickConnectAction = nullptr;
  QAction* FileNewFolderAction = nullptr;
  QAction* FileNewSiteAction = nullptr;
  QAction* FileDeleteAction = nullptr;
  QAction* FileRenameAction = nullptr;
  QAction* FilePropertiesAction = nullptr;
  QAction* FileHideAction = nullptr;
  QAction* ToolPingAction = nullptr;
  QAction* ToolTelnetAction = nullptr;

  TSiteBookNode* RootNode() const;
  // The highlighted node if any, else the selected one.
  TSiteBookNode* CommandTarget() const;
  TSiteBookNode* HighlightedNode() const { return m_highlighted; }
  // Highlights `node` as command target the way a right mouse press does.
  void RightPressOn(TSiteBookNode* node);
  void RemoveHighlight();
  // The end of an in-place edit with a new text (tests and the editor both come here).
  bool RenameNode(TSiteBookNode* node, const QString& newName);

 protected:
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateActions();
  void CreateLayout();
  void LoadTree();
  void LoadKey(TSiteBookNode* parent, const QString& parentPath, const QString& name);
  void UpdateNodeIcons();
  void SelectionChanged();
  void ShowPopupMenu(const QPoint& pos);
  void NodeDoubleClicked(QTreeWidgetItem* item);
  bool TargetIsSite() const;
  bool TargetIsFolder() const;
  bool TargetIsNotRoot() const;

  void FileConnectActionExecute();
  void FileQuickConnectActionExecute();
  void FileNewFolderActionExecute();
  void FileNewSiteActionExecute();
  void FileDeleteActionExecute();
  void FileRenameActionExecute();
  void FilePropertiesActionExecute();
  void ToolPingActionExecute();
  void ToolTelnetActionExecute();
  void OpenRemoteExplorer(TSiteProperties* site);

  RegistryStore& m_store;
  TSiteBookNode* m_highlighted = nullptr;
};
