#pragma once

#include <QTreeWidgetItem>
#include <memory>

#include "core/settings/SiteProperties.h"

// What a site book node is: a folder (the root is one) or a site with its record.
struct TSiteBookTreeData {
  enum : quint8 { nkFolder = 0, nkSite = 1 };
  quint8 NodeKind = nkFolder;
  std::unique_ptr<TSiteProperties> SiteRecord;  // sites only, owned
};

// A node of the site book tree. Its caption is its registry key's name. A site node owns its
// record; before the record goes, every open remote explorer is told to forget it.
class TSiteBookNode : public QTreeWidgetItem {
 public:
  static TSiteBookNode* NewFolder(const QString& name);
  // A site node with a record of defaults whose SiteNode is this node.
  static TSiteBookNode* NewSite(const QString& name);
  ~TSiteBookNode() override;

  bool IsFolder() const { return Data.NodeKind == TSiteBookTreeData::nkFolder; }
  bool IsSite() const { return Data.NodeKind == TSiteBookTreeData::nkSite; }
  bool IsRoot() const { return parent() == nullptr; }
  QString Name() const { return text(0); }
  TSiteBookNode* ParentNode() const { return static_cast<TSiteBookNode*>(parent()); }
  TSiteBookNode* ChildNode(int index) const { return static_cast<TSiteBookNode*>(child(index)); }
  // Replaces the record (New Site hands over the dialog's record).
  void SetSiteRecord(std::unique_ptr<TSiteProperties> record);

  TSiteBookTreeData Data;

 private:
  TSiteBookNode() = default;
};

// The registry key of a node: the tree key for the root, else parent's path + "\" + name.
QString SiteKeyPath(const TSiteBookNode* node);
// The location shown in the properties dialog: "\" for the root, "\name" below it, and so on.
QString SiteLocation(const TSiteBookNode* node);
// Folders before sites, each group by name in the user's collation, without regard to case.
void SortChildNodes(TSiteBookNode* node);
