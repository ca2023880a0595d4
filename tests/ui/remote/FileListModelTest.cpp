#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QFont>
#include <QPersistentModelIndex>
#include <QRandomGenerator>
#include <QSize>

#include "RemoteListingFixture.h"
#include "ui/remote/FileListModel.h"
#include "ui/remote/FileSelectionStatus.h"
#include "ui/remote/FolderTreeModel.h"

namespace {

constexpr qint64 kThreeGB = 3LL * 1024 * 1024 * 1024;

class FileListModelTest : public ::testing::Test {
 protected:
  FileListModelTest() : tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal) {
    // Folders with equal keys, files with equal sizes, types and dates.
    TFTPListItem* beta = AddFolder(listing, QStringLiteral("beta"));
    beta->Year = 2020;
    AddFolder(listing, QStringLiteral("Alpha"));
    TFTPListItem* zeta = AddFile(listing, QStringLiteral("zeta.txt"), kThreeGB);
    zeta->TypeName = QStringLiteral("Text");
    zeta->Year = 2019;
    TFTPListItem* b = AddFile(listing, QStringLiteral("b.log"), 1024);
    b->TypeName = QStringLiteral("Log");
    b->Permissions = QStringLiteral("-rwx------");
    TFTPListItem* a = AddFile(listing, QStringLiteral("A.txt"), 1024);
    a->TypeName = QStringLiteral("text");
    a->Month = 6;
  }

  QStringList Names() const {
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row) names << model.EntryAt(row)->Name;
    return names;
  }

  TFTPListItems listing;
  TFileListModel model;
  QAbstractItemModelTester tester;
};

TEST_F(FileListModelTest, ColumnsAndCellTexts) {
  const QStringList captions{"Name", "Size", "Type", "Modified", "Permission"};
  const int widths[] = {120, 60, 100, 120, 80};
  ASSERT_EQ(model.columnCount(), captions.size());
  for (int column = 0; column < captions.size(); ++column) {
    EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), captions[column]);
    EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::SizeHintRole).toSize().width(),
              widths[column]);
  }
  EXPECT_TRUE(model.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).value<int>() &
              Qt::AlignRight);

  model.FillFileList(&listing, TMasks(QStringLiteral("*")));
  const int zeta = model.RowOf(listing[2]);
  const int beta = model.RowOf(listing[0]);
  EXPECT_EQ(model.data(model.index(zeta, 1)).toString(), "3072.0 MB");  // 64-bit size
  EXPECT_EQ(model.data(model.index(model.RowOf(listing[3]), 1)).toString(), "1.0 KB");
  EXPECT_EQ(model.data(model.index(beta, 1)).toString(), "");
  EXPECT_EQ(model.data(model.index(zeta, 2)).toString(), "Text");
  EXPECT_EQ(model.data(model.index(zeta, 3)).toString(), "2024-05-17 09:30");
  EXPECT_EQ(model.data(model.index(beta, 4)).toString(), "drwxr-xr-x");
  EXPECT_TRUE(model.data(model.index(zeta, 1), Qt::TextAlignmentRole).value<int>() &
              Qt::AlignRight);
}

TEST_F(FileListModelTest, SortOrdersPerColumn) {
  struct Case {
    int sortColumn;
    QStringList names;
  };
  const Case cases[] = {
      {1, {"Alpha", "beta", "A.txt", "b.log", "zeta.txt"}},
      {-1, {"zeta.txt", "b.log", "A.txt", "beta", "Alpha"}},
      {2, {"Alpha", "beta", "A.txt", "b.log", "zeta.txt"}},  // equal sizes by name
      {-2, {"zeta.txt", "b.log", "A.txt", "beta", "Alpha"}},
      {3, {"Alpha", "beta", "b.log", "A.txt", "zeta.txt"}},  // "text" = "Text", then by name
      {4, {"beta", "Alpha", "zeta.txt", "b.log", "A.txt"}},
      {5, {"Alpha", "beta", "A.txt", "zeta.txt", "b.log"}},
  };
  model.FillFileList(&listing, TMasks(QStringLiteral("*")));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sortColumn);
    model.SetSortColumn(c.sortColumn);
    EXPECT_EQ(Names(), c.names);
    EXPECT_EQ(model.SortSection(), std::abs(c.sortColumn) - 1);
    EXPECT_EQ(model.SortOrder(), c.sortColumn > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
  }
}

TEST_F(FileListModelTest, HeaderClicksAndArrangeByReverseTheSameColumn) {
  model.FillFileList(&listing, TMasks(QStringLiteral("*")));
  const QPersistentModelIndex zeta = model.index(model.RowOf(listing[2]), 2);
  model.HeaderClicked(0);
  EXPECT_EQ(model.SortColumn(), -1);
  model.HeaderClicked(0);
  EXPECT_EQ(model.SortColumn(), 1);
  model.HeaderClicked(1);
  EXPECT_EQ(model.SortColumn(), 2);
  model.ArrangeBy(2);
  EXPECT_EQ(model.SortColumn(), -2);
  model.ArrangeBy(4);
  EXPECT_EQ(model.SortColumn(), 4);
  model.SetSortColumn(0);  // not a column: ignored
  model.SetSortColumn(6);
  EXPECT_EQ(model.SortColumn(), 4);
  model.sort(3, Qt::DescendingOrder);
  EXPECT_EQ(model.SortColumn(), -4);
  // A view's current item follows its entry through every re-sort.
  EXPECT_EQ(model.EntryAt(zeta.row()), listing[2]);
  EXPECT_EQ(zeta.column(), 2);
}

TEST_F(FileListModelTest, FilterShowsEveryFolderAndOnlyMatchingFiles) {
  AddFile(listing, QStringLiteral("image.png"), 4096);
  model.FillFileList(&listing, TMasks(QStringLiteral("*.txt;*.log")));
  EXPECT_EQ(Names(), (QStringList{"Alpha", "beta", "A.txt", "b.log", "zeta.txt"}));
  EXPECT_EQ(model.ShownFolders(), 2);
  EXPECT_EQ(model.ShownFiles(), 3);
  EXPECT_EQ(model.ShownSize(), kThreeGB + 2048);
  EXPECT_EQ(model.FileStatusText(), "2 Folders, 3 Files, 3072.0 MB");

  EXPECT_EQ(TFileListModel::FileTitleText(QStringLiteral("/pub"), TMasks(" *.txt ;*.log")),
            "  Files [/pub][*.txt;*.log]");

  model.FillFileList(&listing, TMasks(QStringLiteral("*.png;*.*")));  // "*.*": no filter
  EXPECT_EQ(model.ShownFiles(), 4);
  model.FillFileList(&listing, TMasks(QStringLiteral("*.zip")));
  EXPECT_EQ(model.FileStatusText(), "2 Folders, 0 Files, 0.0 KB");
  model.FillFileList(nullptr, TMasks(QStringLiteral("*")));
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.FileStatusText(), "0 Folders, 0 Files, 0.0 KB");
}

TEST_F(FileListModelTest, FolderRowsShowTheirTreeNodesState) {
  TFolderTreeModel tree;
  tree.BuildFromLoginFolder(QStringLiteral("/"));
  TFTPListItems& rootListing = *tree.SetListing(tree.Root(), std::make_unique<TFTPListItems>());
  TFTPListItem* listed = AddFolder(rootListing, QStringLiteral("listed"));
  TFTPListItem* plain = AddFolder(rootListing, QStringLiteral("plain"), /*isLink=*/true);
  TFTPListItem* link = AddFile(rootListing, QStringLiteral("link.txt"), 3, /*isLink=*/true);
  tree.MergeFolderNodes(tree.Root());
  TFolderTreeNode* typed = tree.AddUnlistedNode(tree.Root(), AddFolder(rootListing, "typed"));
  tree.SetListing(static_cast<TFolderTreeNode*>(listed->Data), std::make_unique<TFTPListItems>());

  model.FillFileList(&rootListing, TMasks(QStringLiteral("*")));
  auto cell = [this](const TFTPListItem* entry, int role) {
    return model.data(model.index(model.RowOf(entry), 0), role);
  };
  EXPECT_TRUE(cell(listed, Qt::FontRole).value<QFont>().bold());
  EXPECT_FALSE(cell(plain, Qt::FontRole).isValid());
  EXPECT_TRUE(cell(plain, TFileListModel::LinkOverlayRole).toBool());
  EXPECT_TRUE(cell(link, TFileListModel::LinkOverlayRole).toBool());
  EXPECT_FALSE(cell(listed, TFileListModel::LinkOverlayRole).toBool());
  EXPECT_TRUE(cell(typed->Data().Entry, TFileListModel::GhostedRole).toBool());
  EXPECT_FALSE(cell(plain, TFileListModel::GhostedRole).toBool());
}

TEST(FileSelectionStatusTest, CountsFoldersFilesAndSize) {
  TFTPListItems listing;
  TFTPListItem* small = AddFile(listing, QStringLiteral("a"), 1000);
  TFTPListItem* larger = AddFile(listing, QStringLiteral("b"), 2048);
  TFTPListItem* folder = AddFolder(listing, QStringLiteral("c"));
  TFTPListItem* huge = AddFile(listing, QStringLiteral("d"), kThreeGB);
  TFileSelectionStatus status;
  EXPECT_EQ(status.Text(), "");
  status.Change(*small, true);
  status.Change(*larger, true);
  status.Change(*folder, true);
  EXPECT_EQ(status.Text(), "1 Folders, 2 Files Selected, 3.0 KB");
  status.Change(*huge, true);
  status.Change(*small, false);
  EXPECT_EQ(status.SelectedSize(), kThreeGB + 2048);
  EXPECT_EQ(status.SelectedFiles(), 2);
  status.Clear();
  EXPECT_EQ(status.Text(), "");
  EXPECT_EQ(status.SelectedFolders(), 0);
}

// The per-sort collation keys must give the very order of CompareFileItems, on a large folder
// with many equal keys; every column, both directions.
TEST(FileListModelLargeTest, HundredThousandEntriesSortByTheComparison) {
  TFTPListItems listing;
  listing.Reserve(100000);
  QRandomGenerator random(12);
  const QString types[] = {"Text", "text", "Image", "Archive", "Log"};
  for (int i = 0; i < 100000; ++i) {
    const bool isFile = i % 10 != 0;
    TFTPListItem* entry = AddEntry(listing, QStringLiteral("Name%1").arg(random.bounded(50000)),
                                   isFile, qint64(random.bounded(1000)) << (i % 34));
    entry->TypeName = types[random.bounded(5)];
    entry->Year = 2000 + random.bounded(25);
    entry->Day = 1 + random.bounded(28);
    entry->Permissions = random.bounded(2) ? "-rw-r--r--" : "-RWX------";
  }
  TFileListModel model;
  model.FillFileList(&listing, TMasks(QStringLiteral("*")));
  ASSERT_EQ(model.rowCount(), 100000);
  EXPECT_EQ(model.ShownFolders(), 10000);
  for (const int sortColumn : {1, -1, 2, -2, 3, -3, 4, -4, 5, -5}) {
    SCOPED_TRACE(sortColumn);
    model.SetSortColumn(sortColumn);
    int faults = 0;
    for (int row = 1; row < model.rowCount(); ++row)
      if (model.CompareFileItems(*model.EntryAt(row - 1), *model.EntryAt(row), sortColumn) > 0)
        ++faults;
    EXPECT_EQ(faults, 0);
  }
}

}  // namespace
