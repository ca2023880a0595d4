#pragma once

#include <QAbstractItemModel>
#include <QCollator>
#include <QIcon>
#include <memory>

#include "ui/remote/FolderTreeNode.h"

// The remote folder tree: one root "/", folders below it, filled lazily one listing at a time.
// A folder entry's `Data` holds the node that shows it; the model keeps that link true when
// nodes are added, matched, renamed or deleted.
class TFolderTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  enum Roles {
    IconIndexRole = Qt::UserRole + 1,  // image index when not selected
    SelectedIconIndexRole,             // image index when selected
    LinkOverlayRole,                   // true for a node whose entry is a link
    GhostedRole,                       // true for a folder typed in rather than listed
    FolderPathRole,
  };

  explicit TFolderTreeModel(QObject* parent = nullptr);
  ~TFolderTreeModel() override;

  TFolderTreeNode* Root() const { return m_root.get(); }
  TFolderTreeNode* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOf(const TFolderTreeNode* node) const;

  static QString FolderPath(const TFolderTreeNode* node);
  static QString FolderPathSlash(const TFolderTreeNode* node);
  // The folder pane's title for the selected node.
  static QString FolderTitleText(const TFolderTreeNode* node);
  // Case-insensitive, under the user's locale.
  int CompareFolderNodes(const TFolderTreeNode* a, const TFolderTreeNode* b) const;

  // Empties the tree and builds the root and one node per part of the login folder; returns the
  // last node (the root for "/"), the one to select and list first.
  TFolderTreeNode* BuildFromLoginFolder(const QString& serverFolder);
  // A child for a folder entry, placed after the existing children.
  TFolderTreeNode* AddFolderNode(TFolderTreeNode* parent, TFTPListItem* entry);
  // A child for a folder typed in rather than found in a listing (Change Folder), drawn ghosted;
  // `entry` is the one the caller added to the parent's listing for it.
  TFolderTreeNode* AddUnlistedNode(TFolderTreeNode* parent, TFTPListItem* entry);
  // Deletes the node and its subtree; its entry in the parent's listing no longer points at it.
  void DeleteNode(TFolderTreeNode* node);
  // A typed-in folder the server refused: deletes the node and frees its entry in the parent's
  // listing. Whoever shows that listing drops the entry's row first.
  void RemoveUnlistedNode(TFolderTreeNode* node);
  void RenameNode(TFolderTreeNode* node, const QString& text);
  void SetNodeBold(TFolderTreeNode* node, bool bold);
  // Replaces the node's listing (none after a failed listing); returns the new one.
  TFTPListItems* SetListing(TFolderTreeNode* node, std::unique_ptr<TFTPListItems> listing);

  // After a first listing: ties children to their entries, adds nodes for the other folders,
  // sorts the children. Children without an entry of their name stay.
  void MergeFolderNodes(TFolderTreeNode* node);
  // After a refresh: `listing` replaces the node's listing; typed-in folders survive it, nodes
  // of folders gone from the server are deleted, new folders are added.
  void RefreshFolderNodes(TFolderTreeNode* node, std::unique_ptr<TFTPListItems> listing);
  void SortChildren(TFolderTreeNode* node);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;

 Q_SIGNALS:
  // For the node and each node below it, just before they are deleted (history entries go).
  void NodeAboutToBeDeleted(TFolderTreeNode* node);

 private:
  void AnnounceDeletion(TFolderTreeNode* node);
  TFolderTreeNode* AppendChild(TFolderTreeNode* parent, const QString& text);
  void ChangedNode(TFolderTreeNode* node);
  QIcon FolderIcon() const;

  std::unique_ptr<TFolderTreeNode> m_root;
  QCollator m_collator;
  mutable QIcon m_folderIcon;
};
