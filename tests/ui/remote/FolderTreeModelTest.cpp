#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QFont>
#include <QPersistentModelIndex>

#include "RemoteListingFixture.h"
#include "ui/remote/FolderTreeModel.h"

namespace {

class FolderTreeModelTest : public ::testing::Test {
 protected:
  FolderTreeModelTest() : tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal) {}

  // Gives the node a listing the way the first-listing handler does, and merges it.
  TFTPListItems* List(TFolderTreeNode* node) {
    return model.SetListing(node, std::make_unique<TFTPListItems>());
  }
  void Merge(TFolderTreeNode* node) {
    model.SetNodeBold(node, true);
    model.MergeFolderNodes(node);
  }
  static QStringList ChildTexts(const TFolderTreeNode* node) {
    QStringList texts;
    for (int i = 0; i < node->ChildCount(); ++i) texts << node->Child(i)->Text();
    return texts;
  }

  TFolderTreeModel model;
  QAbstractItemModelTester tester;
};

TEST_F(FolderTreeModelTest, LoginFolderBuildsOneNodePerPart) {
  struct Case {
    QString folder;
    QStringList paths;  // of the nodes from the root down
  };
  const Case cases[] = {
      {QStringLiteral("/"), {QStringLiteral("/")}},
      {QStringLiteral(""), {QStringLiteral("/")}},
      {QStringLiteral("/home/ftp/"),
       {QStringLiteral("/"), QStringLiteral("/home"), QStringLiteral("/home/ftp")}},
      {QStringLiteral("//srv//pub"),
       {QStringLiteral("/"), QStringLiteral("/srv"), QStringLiteral("/srv/pub")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder.toStdString());
    TFolderTreeNode* last = model.BuildFromLoginFolder(c.folder);
    QStringList paths;
    for (const TFolderTreeNode* node = model.Root(); node;
         node = node->ChildCount() ? node->Child(0) : nullptr) {
      EXPECT_LE(node->ChildCount(), 1);
      EXPECT_EQ(node->Data().Entry, nullptr);
      EXPECT_FALSE(node->Data().Listing);
      paths << TFolderTreeModel::FolderPath(node);
      if (!node->ChildCount()) {
        EXPECT_EQ(node, last);
      }
    }
    EXPECT_EQ(paths, c.paths);
    EXPECT_EQ(model.data(model.IndexOf(last), TFolderTreeModel::FolderPathRole).toString(),
              c.paths.last());
  }
}

TEST_F(FolderTreeModelTest, PathsFollowRenamedNodes) {
  TFolderTreeNode* ftp = model.BuildFromLoginFolder(QStringLiteral("/home/ftp"));
  TFolderTreeNode* home = ftp->Parent();
  EXPECT_EQ(TFolderTreeModel::FolderPathSlash(model.Root()), "/");
  EXPECT_EQ(TFolderTreeModel::FolderPathSlash(home), "/home/");
  EXPECT_EQ(TFolderTreeModel::FolderPathSlash(ftp), "/home/ftp/");

  model.RenameNode(home, QStringLiteral("users"));
  EXPECT_EQ(TFolderTreeModel::FolderPath(ftp), "/users/ftp");
  EXPECT_EQ(TFolderTreeModel::FolderTitleText(home), "  Folders [users]");
  EXPECT_EQ(TFolderTreeModel::FolderTitleText(model.Root()), "  Folders [/]");
  EXPECT_EQ(model.data(model.IndexOf(home)).toString(), "users");
}

TEST_F(FolderTreeModelTest, ParentListingTiesExistingNodeAndAddsTheOtherFolders) {
  TFolderTreeNode* ftp = model.BuildFromLoginFolder(QStringLiteral("/home/ftp"));
  TFolderTreeNode* home = ftp->Parent();
  AddFolder(*List(ftp), QStringLiteral("pub"));
  Merge(ftp);
  TFolderTreeNode* pub = ftp->Child(0);
  const QPersistentModelIndex ftpIndex = model.IndexOf(ftp);

  TFTPListItems* listing = List(home);
  AddFolder(*listing, QStringLiteral("zeta"));
  // A file of the folder's name comes first; the node stands for the folder entry only.
  TFTPListItem* ftpFile = AddFile(*listing, QStringLiteral("ftp"), 10);
  TFTPListItem* ftpEntry = AddFolder(*listing, QStringLiteral("ftp"));
  AddFolder(*listing, QStringLiteral("Alpha"));
  TFTPListItem* readme = AddFile(*listing, QStringLiteral("readme"), 5);
  TFTPListItem* docs = AddFolder(*listing, QStringLiteral("docs"), /*isLink=*/true);
  Merge(home);

  EXPECT_EQ(ChildTexts(home), (QStringList{"Alpha", "docs", "ftp", "zeta"}));
  EXPECT_EQ(home->FindChild(QStringLiteral("ftp")), ftp);  // once, the same node
  EXPECT_EQ(ftp->Data().Entry, ftpEntry);
  EXPECT_EQ(ftpEntry->Data, ftp);
  EXPECT_EQ(ftpFile->Data, nullptr);
  EXPECT_EQ(readme->Data, nullptr);
  EXPECT_TRUE(ftp->Data().Listing);  // keeps its listing, its subtree and its bold state
  EXPECT_EQ(ftp->Child(0), pub);
  EXPECT_TRUE(ftp->Bold());
  EXPECT_EQ(ftpIndex, model.IndexOf(ftp));
  for (int i = 0; i < home->ChildCount(); ++i) {
    const TFolderTreeNode* child = home->Child(i);
    ASSERT_NE(child->Data().Entry, nullptr) << child->Text().toStdString();
    EXPECT_EQ(child->Data().Entry->Data, child);
    EXPECT_EQ(child->Data().Entry->Name, child->Text());
  }
  const TFolderTreeNode* docsNode = static_cast<TFolderTreeNode*>(docs->Data);
  EXPECT_TRUE(model.data(model.IndexOf(docsNode), TFolderTreeModel::LinkOverlayRole).toBool());
  EXPECT_FALSE(model.data(model.IndexOf(ftp), TFolderTreeModel::LinkOverlayRole).toBool());
  EXPECT_FALSE(docsNode->Bold());
  EXPECT_TRUE(home->Bold());
}

TEST_F(FolderTreeModelTest, LoginNodeMissingFromItsParentsListingStays) {
  TFolderTreeNode* hidden = model.BuildFromLoginFolder(QStringLiteral("/hidden"));
  AddFolder(*List(model.Root()), QStringLiteral("pub"));
  Merge(model.Root());
  EXPECT_EQ(ChildTexts(model.Root()), (QStringList{"hidden", "pub"}));
  EXPECT_EQ(model.Root()->Child(0), hidden);
  EXPECT_EQ(hidden->Data().Entry, nullptr);
}

TEST_F(FolderTreeModelTest, RefreshKeepsRemovesAndAddsNodes) {
  model.BuildFromLoginFolder(QStringLiteral("/"));
  TFolderTreeNode* root = model.Root();
  TFTPListItems* listing = List(root);
  AddFolder(*listing, QStringLiteral("keep"));
  AddFolder(*listing, QStringLiteral("gone"));
  Merge(root);
  TFolderTreeNode* keep = root->FindChild(QStringLiteral("keep"));
  AddFolder(*List(keep), QStringLiteral("inner"));
  Merge(keep);
  TFolderTreeNode* typed =
      model.AddUnlistedNode(root, AddFolder(*listing, QStringLiteral("typed")));
  const QPersistentModelIndex keepIndex = model.IndexOf(keep);
  const QPersistentModelIndex goneIndex = model.IndexOf(root->FindChild(QStringLiteral("gone")));

  auto fresh = std::make_unique<TFTPListItems>();
  AddFolder(*fresh, QStringLiteral("new"));
  TFTPListItem* keepEntry = AddFolder(*fresh, QStringLiteral("keep"));
  AddFile(*fresh, QStringLiteral("gone"), 1);  // now a file: its folder node goes
  model.RefreshFolderNodes(root, std::move(fresh));

  EXPECT_EQ(ChildTexts(root), (QStringList{"keep", "new", "typed"}));
  EXPECT_EQ(root->FindChild(QStringLiteral("keep")), keep);
  EXPECT_EQ(keep->Data().Entry, keepEntry);
  EXPECT_EQ(keepEntry->Data, keep);
  EXPECT_EQ(ChildTexts(keep), QStringList{"inner"});
  EXPECT_EQ(root->FindChild(QStringLiteral("typed")), typed);
  ASSERT_NE(typed->Data().Entry, nullptr);  // a copy in the new listing
  EXPECT_GE(root->Data().Listing->IndexOf(typed->Data().Entry), 0);
  EXPECT_EQ(typed->Data().Entry->Data, typed);
  EXPECT_TRUE(model.data(model.IndexOf(typed), TFolderTreeModel::GhostedRole).toBool());
  EXPECT_EQ(keepIndex, model.IndexOf(keep));
  EXPECT_FALSE(goneIndex.isValid());
  for (int i = 0; i < root->ChildCount(); ++i)
    EXPECT_EQ(root->Child(i)->Data().Entry->Data, root->Child(i));
}

TEST_F(FolderTreeModelTest, DeletedNodeLeavesNoPointerInItsEntry) {
  model.BuildFromLoginFolder(QStringLiteral("/"));
  TFTPListItem* entry = AddFolder(*List(model.Root()), QStringLiteral("tmp"));
  Merge(model.Root());
  model.DeleteNode(static_cast<TFolderTreeNode*>(entry->Data));
  EXPECT_EQ(entry->Data, nullptr);
  EXPECT_EQ(model.Root()->ChildCount(), 0);
  model.DeleteNode(model.Root());  // the root stays
  EXPECT_EQ(model.rowCount(), 1);
}

TEST_F(FolderTreeModelTest, RefusedTypedInFolderLeavesTreeAndListing) {
  model.BuildFromLoginFolder(QStringLiteral("/"));
  TFTPListItems* listing = List(model.Root());
  AddFolder(*listing, QStringLiteral("pub"));
  Merge(model.Root());
  TFolderTreeNode* pub = model.Root()->Child(0);
  AddFolder(*List(pub), QStringLiteral("inner"));
  Merge(pub);
  QStringList announced;
  QObject::connect(&model, &TFolderTreeModel::NodeAboutToBeDeleted,
                   [&announced](TFolderTreeNode* node) { announced << node->Text(); });

  model.RemoveUnlistedNode(pub);  // found in a listing: not removed this way
  EXPECT_EQ(model.Root()->ChildCount(), 1);
  TFolderTreeNode* typed = model.AddUnlistedNode(model.Root(), AddFolder(*listing, "typed"));
  model.RemoveUnlistedNode(typed);
  EXPECT_EQ(ChildTexts(model.Root()), QStringList{"pub"});
  ASSERT_EQ(listing->Count(), 1);
  EXPECT_EQ(listing->Items(0)->Name, "pub");
  EXPECT_EQ(announced, QStringList{"typed"});

  announced.clear();
  model.DeleteNode(pub);
  EXPECT_EQ(announced, (QStringList{"inner", "pub"}));
}

TEST_F(FolderTreeModelTest, FailedListingLeavesNodeUnlistedAndNotBold) {
  TFolderTreeNode* pub = model.BuildFromLoginFolder(QStringLiteral("/pub"));
  const QModelIndex index = model.IndexOf(pub);
  List(pub);
  model.SetListing(pub, nullptr);
  EXPECT_FALSE(pub->Data().Listing);
  EXPECT_FALSE(model.data(index, Qt::FontRole).isValid());
  EXPECT_TRUE(model.hasChildren(index));  // may still be opened and listed
  model.SetNodeBold(pub, true);
  EXPECT_TRUE(model.data(index, Qt::FontRole).value<QFont>().bold());
}

TEST_F(FolderTreeModelTest, ChildrenSortWithoutRegardToCase) {
  model.BuildFromLoginFolder(QStringLiteral("/"));
  TFTPListItems* listing = List(model.Root());
  for (const char* name : {"b", "C", "a", "B2", "A1"})
    AddFolder(*listing, QString::fromLatin1(name));
  Merge(model.Root());
  EXPECT_EQ(ChildTexts(model.Root()), (QStringList{"a", "A1", "b", "B2", "C"}));
}

}  // namespace
