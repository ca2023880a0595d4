#include <gtest/gtest.h>

#include <memory>

#include "core/carrier/FTPCarryItems.h"

namespace {

TEST(FTPCarryItem, DisplayTexts) {
  struct Case {
    const char* what;
    quint8 isFolder, direction, srcType, destType;
    qint64 size;
    bool resume;
    const char *command, *sizeText, *typeText, *resumeText;
  } cases[] = {
      {"file download", 0, carryDownload, ftpTypeASCII, ftpTypeBinary, 1234, false, "Carry", "1234",
       "ASCII", "No"},
      {"folder upload", 1, carryUpload, ftpTypeASCII, ftpTypeAuto, -1, true, "Explore", "", "Auto",
       "Yes"},
      {"server to server", 0, carryServerToServer, ftpTypeBinary, ftpTypeAuto, 0, false, "Carry",
       "0", "Binary Auto", "No"},
      {"large file", 0, carryDownload, ftpTypeBinary, ftpTypeBinary, qint64(6) << 30, false,
       "Carry", "6442450944", "Binary", "No"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TFTPCarryItem item;
    item.IsFolder = c.isFolder;
    item.Direction = c.direction;
    item.SrcTransferType = c.srcType;
    item.DestTransferType = c.destType;
    item.FileSize = c.size;
    item.ResumeTransfer = c.resume;
    EXPECT_EQ(item.CommandText(), c.command);
    EXPECT_EQ(item.SizeText(), c.sizeText);
    EXPECT_EQ(item.TransferTypeText(), c.typeText);
    EXPECT_EQ(item.ResumeText(), c.resumeText);
  }
}

TEST(FTPCarryItem, PathsJoinWithoutAnotherSeparator) {
  TFTPCarryItem item;
  item.FileName = "a.txt";
  item.SrcHostName = "ftp.example.com";
  item.SrcPath = "/pub/";
  item.DestPath = "/home/me/";
  EXPECT_EQ(item.SourcePath(), "/pub/a.txt");
  EXPECT_EQ(item.DestinationPath(), "/home/me/a.txt");
  EXPECT_EQ(item.SourceText(), "ftp.example.com/pub/");
  EXPECT_EQ(item.DestinationText(), "/home/me/");  // a local side shows its folder alone
}

TEST(FTPCarryItems, ClearingLeavesTheItemsToTheirOwner) {
  auto owned = std::make_unique<TFTPCarryItem>();
  owned->FileName = "kept";
  TFTPCarryItem other;
  {
    TFTPCarryItems list;
    EXPECT_EQ(list.Add(owned.get()), 0);
    EXPECT_EQ(list.Add(&other), 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(1), &other);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    list.Add(owned.get());
  }
  EXPECT_EQ(owned->FileName, "kept");  // still alive after the list went
}

}  // namespace
