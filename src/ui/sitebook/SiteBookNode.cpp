#include "ui/sitebook/SiteBookNode.h"

#include <QCollator>
#include <algorithm>

#include "core/settings/RegistryPaths.h"
#include "ui/widgets/RemoteExpList.h"
#include "ui/widgets/RemoteExplorer.h"

TSiteBookNode* TSiteBookNode::NewFolder(const QString& name) {
  auto* node = new TSiteBookNode;
  node->setText(0, name);
  node->setFlags(node->flags() | Qt::ItemIsEditable);
  return node;
}

TSiteBookNode* TSiteBookNode::NewSite(const QString& name) {
  TSiteBookNode* node = NewFolder(name);
  node->Data.NodeKind = TSiteBookTreeData::nkSite;
  node->SetSiteRecord(std::make_unique<TSiteProperties>());
  return node;
}

void TSiteBookNode::SetSiteRecord(std::unique_ptr<TSiteProperties> record) {
  if (Data.SiteRecord) {
    TRemoteExpList& explorers = RemoteExpList();
    for (int i = 0; i < explorers.Count(); ++i)
      explorers.Items(i)->ForgetSite(Data.SiteRecord.get());
  }
  Data.SiteRecord = std::move(record);
  if (Data.SiteRecord) Data.SiteRecord->SiteNode = this;
}

TSiteBookNode::~TSiteBookNode() {
  // Children go in the base destructor, each forgetting its own record first.
  SetSiteRecord(nullptr);
}

QString SiteKeyPath(const TSiteBookNode* node) {
  if (node->IsRoot()) return RegistryPaths::SiteBookTreeKey();
  return SiteKeyPath(node->ParentNode()) + QLatin1Char('\\') + node->Name();
}

QString SiteLocation(const TSiteBookNode* node) {
  if (node->IsRoot()) return QStringLiteral("\\");
  const TSiteBookNode* parent = node->ParentNode();
  if (parent->IsRoot()) return QLatin1Char('\\') + node->Name();
  return SiteLocation(parent) + QLatin1Char('\\') + node->Name();
}

void SortChildNodes(TSiteBookNode* node) {
  QList<QTreeWidgetItem*> children = node->takeChildren();
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::stable_sort(children.begin(), children.end(),
                   [&collator](QTreeWidgetItem* a, QTreeWidgetItem* b) {
                     const bool aFolder = static_cast<TSiteBookNode*>(a)->IsFolder();
                     const bool bFolder = static_cast<TSiteBookNode*>(b)->IsFolder();
                     if (aFolder != bFolder) return aFolder;
                     return collator.compare(a->text(0), b->text(0)) < 0;
                   });
  node->addChildren(children);
}
