#include <gtest/gtest.h>

#include <vector>

#include "core/common/TreeHelpers.h"

namespace {

struct Node {
  QString caption;
  std::vector<Node> children;
  int childCount() const { return static_cast<int>(children.size()); }
  Node* child(int i) { return &children[static_cast<size_t>(i)]; }
  QString text(int) const { return caption; }
};

TEST(FindChildNode, MatchesDirectChildrenExactly) {
  Node root{"root", {{"Sites", {{"Deep", {}}}}, {"sites", {}}, {"Other", {}}}};
  EXPECT_EQ(FindChildNode(&root, "sites"), &root.children[1]);  // case-sensitive
  EXPECT_EQ(FindChildNode(&root, "Sites"), &root.children[0]);
  EXPECT_EQ(FindChildNode(&root, "Deep"), nullptr);  // grandchildren are not searched
  EXPECT_EQ(FindChildNode(&root, ""), nullptr);
  EXPECT_EQ(FindChildNode<Node>(nullptr, "x"), nullptr);
}

}  // namespace
