#include "ui/remote/FolderTreeNode.h"

TFolderTreeNode::~TFolderTreeNode() {
  // The children's entries live in this node's listing: free the children first.
  m_children.clear();
}

int TFolderTreeNode::IndexOf(const TFolderTreeNode* child) const {
  for (size_t i = 0; i < m_children.size(); ++i)
    if (m_children[i].get() == child) return int(i);
  return -1;
}

TFolderTreeNode* TFolderTreeNode::FindChild(const QString& name) const {
  for (const auto& child : m_children)
    if (child->m_text == name) return child.get();
  return nullptr;
}
