#include "ui/remote/FolderTreeModel.h"

#include <QFont>
#include <QHash>
#include <QSet>
#include <algorithm>

#include "core/common/ShellIcons.h"
#include "core/common/StringHelpers.h"
#include "ui/widgets/ShellImageList.h"

TFolderTreeModel::TFolderTreeModel(QObject* parent) : QAbstractItemModel(parent) {
  m_collator.setCaseSensitivity(Qt::CaseInsensitive);
}

TFolderTreeModel::~TFolderTreeModel() = default;

TFolderTreeNode* TFolderTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TFolderTreeNode*>(index.internalPointer()) : nullptr;
}

QModelIndex TFolderTreeModel::IndexOf(const TFolderTreeNode* node) const {
  if (!node) return {};
  return createIndex(node->Row(), 0, const_cast<TFolderTreeNode*>(node));
}

QString TFolderTreeModel::FolderPath(const TFolderTreeNode* node) {
  if (!node || !node->Parent()) return QStringLiteral("/");
  QString path;
  for (const TFolderTreeNode* n = node; n->Parent(); n = n->Parent())
    path.prepend(QLatin1Char('/') + n->Text());
  return path;
}

QString TFolderTreeModel::FolderPathSlash(const TFolderTreeNode* node) {
  if (!node || !node->Parent()) return QStringLiteral("/");
  return FolderPath(node) + QLatin1Char('/');
}

QString TFolderTreeModel::FolderTitleText(const TFolderTreeNode* node) {
  return QStringLiteral("  Folders [%1]").arg(node ? node->Text() : QString());
}

int TFolderTreeModel::CompareFolderNodes(const TFolderTreeNode* a, const TFolderTreeNode* b) const {
  return m_collator.compare(a->Text(), b->Text());
}

TFolderTreeNode* TFolderTreeModel::BuildFromLoginFolder(const QString& serverFolder) {
  beginResetModel();
  m_root = std::make_unique<TFolderTreeNode>(nullptr, QStringLiteral("/"));
  TFolderTreeNode* last = m_root.get();
  for (const QString& part : SplitString(serverFolder, QStringLiteral("/"))) {
    auto child = std::make_unique<TFolderTreeNode>(last, part);
    TFolderTreeNode* added = child.get();
    last->m_children.push_back(std::move(child));
    last = added;
  }
  endResetModel();
  return last;
}

TFolderTreeNode* TFolderTreeModel::AppendChild(TFolderTreeNode* parent, const QString& text) {
  const int row = parent->ChildCount();
  beginInsertRows(IndexOf(parent), row, row);
  parent->m_children.push_back(std::make_unique<TFolderTreeNode>(parent, text));
  endInsertRows();
  return parent->m_children.back().get();
}

TFolderTreeNode* TFolderTreeModel::AddFolderNode(TFolderTreeNode* parent, TFTPListItem* entry) {
  TFolderTreeNode* node = AppendChild(parent, entry->Name);
  node->m_data.Entry = entry;
  entry->Data = node;
  return node;
}

TFolderTreeNode* TFolderTreeModel::AddUnlistedNode(TFolderTreeNode* parent, TFTPListItem* entry) {
  TFolderTreeNode* node = AddFolderNode(parent, entry);
  node->m_data.Unlisted = true;
  ChangedNode(node);
  return node;
}

void TFolderTreeModel::DeleteNode(TFolderTreeNode* node) {
  TFolderTreeNode* parent = node ? node->Parent() : nullptr;
  if (!parent) return;  // the root stays
  if (node->m_data.Entry && node->m_data.Entry->Data == node) node->m_data.Entry->Data = nullptr;
  AnnounceDeletion(node);
  const int row = parent->IndexOf(node);
  beginRemoveRows(IndexOf(parent), row, row);
  parent->m_children.erase(parent->m_children.begin() + row);
  endRemoveRows();
}

void TFolderTreeModel::AnnounceDeletion(TFolderTreeNode* node) {
  for (const auto& child : node->m_children) AnnounceDeletion(child.get());
  Q_EMIT NodeAboutToBeDeleted(node);
}

void TFolderTreeModel::RemoveUnlistedNode(TFolderTreeNode* node) {
  if (!node || !node->Parent() || !node->m_data.Unlisted) return;
  TFTPListItem* entry = node->m_data.Entry;
  TFTPListItems* listing = node->Parent()->m_data.Listing.get();
  DeleteNode(node);
  if (!entry || !listing) return;
  const int index = listing->IndexOf(entry);
  if (index < 0) return;
  listing->Delete(index);
  delete entry;
}

void TFolderTreeModel::RenameNode(TFolderTreeNode* node, const QString& text) {
  node->m_text = text;
  ChangedNode(node);
}

void TFolderTreeModel::SetNodeBold(TFolderTreeNode* node, bool bold) {
  if (node->m_bold == bold) return;
  node->m_bold = bold;
  ChangedNode(node);
}

TFTPListItems* TFolderTreeModel::SetListing(TFolderTreeNode* node,
                                            std::unique_ptr<TFTPListItems> listing) {
  // The children's entries belong to the listing being replaced.
  for (const auto& child : node->m_children) child->m_data.Entry = nullptr;
  node->m_data.Listing = std::move(listing);
  ChangedNode(node);
  return node->m_data.Listing.get();
}

QIcon TFolderTreeModel::FolderIcon() const {
  if (m_folderIcon.isNull()) {
    // Selected nodes show the open folder.
    m_folderIcon = ShellImages().Icon(ShellIcons().FolderIcon());
    const QIcon open = ShellImages().Icon(ShellIcons().OpenFolderIcon());
    for (const int extent : {16, 24, 32})
      m_folderIcon.addPixmap(open.pixmap(extent, extent), QIcon::Selected);
  }
  return m_folderIcon;
}

void TFolderTreeModel::ChangedNode(TFolderTreeNode* node) {
  const QModelIndex index = IndexOf(node);
  Q_EMIT dataChanged(index, index);
}

namespace {

// The first folder entry of each name (exact comparison). Only folder entries stand for folder
// nodes: a file of the same name is not that folder.
QHash<QString, TFTPListItem*> FirstFolderEntries(const TFTPListItems& listing) {
  QHash<QString, TFTPListItem*> entries;
  for (int i = 0; i < listing.Count(); ++i) {
    TFTPListItem* entry = listing.Items(i);
    if (!entry->IsFile && !entries.contains(entry->Name)) entries.insert(entry->Name, entry);
  }
  return entries;
}

}  // namespace

void TFolderTreeModel::MergeFolderNodes(TFolderTreeNode* node) {
  TFTPListItems* listing = node->m_data.Listing.get();
  if (!listing) return;
  const QHash<QString, TFTPListItem*> entries = FirstFolderEntries(*listing);
  for (const auto& child : node->m_children) {
    TFTPListItem* entry = entries.value(child->Text());
    if (!entry) continue;
    entry->Data = child.get();
    child->m_data.Entry = entry;
  }
  for (int i = 0; i < listing->Count(); ++i) {
    TFTPListItem* entry = listing->Items(i);
    if (!entry->IsFile && !entry->Data) AddFolderNode(node, entry);
  }
  SortChildren(node);
}

void TFolderTreeModel::RefreshFolderNodes(TFolderTreeNode* node,
                                          std::unique_ptr<TFTPListItems> listing) {
  for (const auto& child : node->m_children) {
    if (!child->m_data.Unlisted || !child->m_data.Entry) continue;
    auto copy = std::make_unique<TFTPListItem>();
    copy->Assign(*child->m_data.Entry);
    copy->LinkTarget = child->m_data.Entry->LinkTarget;
    copy->Data = nullptr;
    listing->Add(std::move(copy));
  }
  SetListing(node, std::move(listing));
  TFTPListItems* entries = node->m_data.Listing.get();
  const QHash<QString, TFTPListItem*> byName = FirstFolderEntries(*entries);
  QSet<QString> childNames;
  for (int row = 0; row < node->ChildCount();) {
    TFolderTreeNode* child = node->Child(row);
    TFTPListItem* match = byName.value(child->Text());
    if (!match) {
      DeleteNode(child);
      continue;
    }
    child->m_data.Entry = match;
    match->Data = child;
    childNames.insert(child->Text());
    ++row;
  }
  for (int i = 0; i < entries->Count(); ++i) {
    TFTPListItem* entry = entries->Items(i);
    if (entry->IsFile || childNames.contains(entry->Name)) continue;
    AddFolderNode(node, entry);
    childNames.insert(entry->Name);
  }
  SortChildren(node);
}

void TFolderTreeModel::SortChildren(TFolderTreeNode* node) {
  if (node->ChildCount() < 2) return;
  const QModelIndex parentIndex = IndexOf(node);
  Q_EMIT layoutAboutToBeChanged({QPersistentModelIndex(parentIndex)},
                                QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<TFolderTreeNode*> oldOrder;
  for (const QModelIndex& index : before) oldOrder.push_back(NodeOf(index));
  std::stable_sort(
      node->m_children.begin(), node->m_children.end(),
      [this](const auto& a, const auto& b) { return CompareFolderNodes(a.get(), b.get()) < 0; });
  QModelIndexList after;
  for (size_t i = 0; i < oldOrder.size(); ++i)
    after.append(createIndex(oldOrder[i]->Row(), before[int(i)].column(), oldOrder[i]));
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({QPersistentModelIndex(parentIndex)}, QAbstractItemModel::VerticalSortHint);
}

QModelIndex TFolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0 || !m_root) return {};
  if (!parent.isValid()) return row == 0 ? createIndex(0, 0, m_root.get()) : QModelIndex();
  TFolderTreeNode* node = NodeOf(parent);
  if (row >= node->ChildCount()) return {};
  return createIndex(row, 0, node->Child(row));
}

QModelIndex TFolderTreeModel::parent(const QModelIndex& child) const {
  TFolderTreeNode* node = NodeOf(child);
  return node ? IndexOf(node->Parent()) : QModelIndex();
}

int TFolderTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return m_root ? 1 : 0;
  if (parent.column() != 0) return 0;
  return NodeOf(parent)->ChildCount();
}

int TFolderTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

bool TFolderTreeModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) return bool(m_root);
  const TFolderTreeNode* node = NodeOf(parent);
  // An unlisted folder may hold anything: show the expander until its listing says otherwise.
  return node->ChildCount() > 0 || !node->Data().Listing;
}

QVariant TFolderTreeModel::data(const QModelIndex& index, int role) const {
  const TFolderTreeNode* node = NodeOf(index);
  if (!node) return {};
  const bool root = !node->Parent();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return node->Text();
    case Qt::ToolTipRole:
    case FolderPathRole:
      return FolderPath(node);
    case IconIndexRole:
      return root ? ShellIcons().NetworkIcon() : ShellIcons().FolderIcon();
    case SelectedIconIndexRole:
      return root ? ShellIcons().NetworkIcon() : ShellIcons().OpenFolderIcon();
    case Qt::DecorationRole:
      return root ? ShellImages().Icon(ShellIcons().NetworkIcon()) : FolderIcon();
    case Qt::FontRole: {
      if (!node->Bold()) return {};
      QFont font;
      font.setBold(true);
      return font;
    }
    case LinkOverlayRole:
      return node->IsLink();
    case GhostedRole:
      return node->Data().Unlisted;
    default:
      return {};
  }
}
