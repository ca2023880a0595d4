#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "ui/remote/FolderTreeData.h"

// One node of the remote folder tree. Nodes own their children and their data; the model is
// the only one that changes them.
class TFolderTreeNode {
 public:
  TFolderTreeNode(TFolderTreeNode* parent, const QString& text) : m_parent(parent), m_text(text) {}
  TFolderTreeNode(const TFolderTreeNode&) = delete;
  TFolderTreeNode& operator=(const TFolderTreeNode&) = delete;
  ~TFolderTreeNode();

  TFolderTreeNode* Parent() const { return m_parent; }
  const QString& Text() const { return m_text; }
  int ChildCount() const { return int(m_children.size()); }
  TFolderTreeNode* Child(int index) const { return m_children.at(size_t(index)).get(); }
  int IndexOf(const TFolderTreeNode* child) const;
  // The child whose text equals `name` exactly, or none.
  TFolderTreeNode* FindChild(const QString& name) const;
  int Row() const { return m_parent ? m_parent->IndexOf(this) : 0; }

  const TFolderTreeData& Data() const { return m_data; }
  bool Bold() const { return m_bold; }
  bool IsLink() const { return m_data.Entry && m_data.Entry->IsLink; }

 private:
  friend class TFolderTreeModel;

  TFolderTreeNode* m_parent;
  QString m_text;
  bool m_bold = false;
  TFolderTreeData m_data;
  std::vector<std::unique_ptr<TFolderTreeNode>> m_children;
};
