#pragma once

#include <QString>

// The first direct child of `node` whose caption equals `text` exactly (case-sensitive), or
// null. Works with any tree node type that offers childCount(), child(int) and text(int),
// such as QTreeWidgetItem, so the core does not depend on widgets.
template <typename Node>
Node* FindChildNode(Node* node, const QString& text) {
  if (node == nullptr) return nullptr;
  for (int i = 0; i < node->childCount(); ++i) {
    Node* child = node->child(i);
    if (child != nullptr && child->text(0) == text) return child;
  }
  return nullptr;
}
