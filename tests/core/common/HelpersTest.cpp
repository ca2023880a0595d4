#include <gtest/gtest.h>

#include <QDir>

#include "core/common/PathHelpers.h"
#include "core/common/StringHelpers.h"
#include "support/TestPaths.h"

namespace {

struct SplitCase {
  const char* text;
  const char* delimiters;
  QStringList expected;
};

TEST(SplitString, SkipsRunsOfDelimiters) {
  const SplitCase cases[] = {
      {"a,,b", ",", {"a", "b"}},
      {",a,b,", ",", {"a", "b"}},
      {"", ",", {}},
      {";;;", ";", {}},
      {"one two;three", " ;", {"one", "two", "three"}},
      {"no delimiter", ",", {"no delimiter"}},
  };
  for (const SplitCase& c : cases) {
    QStringList list{"stale"};
    SplitString(QString::fromUtf8(c.text), QString::fromUtf8(c.delimiters), list);
    EXPECT_EQ(list, c.expected) << c.text;
  }
}

TEST(IsNumber, AcceptsOnlyNonEmptyDigitRuns) {
  EXPECT_TRUE(IsNumber("0"));
  EXPECT_TRUE(IsNumber("65536"));
  for (const char* text : {"", " 1", "1 ", "-1", "+1", "1a", "١"}) {
    EXPECT_FALSE(IsNumber(QString::fromUtf8(text))) << text;
  }
}

TEST(PathHelpers, TrailingDelimiterAndRoots) {
  const QString sep = QDir::separator();
  QString path;
  AddTrailingBackslash(path);
  EXPECT_EQ(path, sep);
  path = "/tmp";
  AddTrailingBackslash(path);
  EXPECT_EQ(path, "/tmp" + sep);
  AddTrailingBackslash(path);
  EXPECT_EQ(path, "/tmp" + sep);  // unchanged once it ends in the delimiter

  EXPECT_TRUE(IsDriveRoot(QDir::rootPath()));
  EXPECT_FALSE(IsDriveRoot("/tmp"));
  EXPECT_FALSE(IsDriveRoot("C:"));
  EXPECT_FALSE(IsDriveRoot("C:\\x"));
  EXPECT_FALSE(IsDriveRoot(""));
}

TEST(FormatFileSize, SwitchesToMegabytesAtOneMebibyte) {
  EXPECT_EQ(FormatFileSize(0), "0.0 KB");
  EXPECT_EQ(FormatFileSize(1536), "1.5 KB");
  EXPECT_EQ(FormatFileSize(1048575), "1024.0 KB");
  EXPECT_EQ(FormatFileSize(1048576), "1.0 MB");
  EXPECT_EQ(FormatFileSize(qint64(5) << 32), "20480.0 MB");  // 20 GiB: no 32-bit wrap
}

TEST(LocalFileSize, ReportsSizesAndMissingFiles) {
  auto dir = testsupport::MakeTempDir();
  ASSERT_TRUE(dir);
  const QString file = dir->filePath("f.bin");
  ASSERT_TRUE(testsupport::WriteFile(file, QByteArray(777, 'x')));
  EXPECT_EQ(LocalFileSize(file), 777);
  EXPECT_EQ(LocalFileSize(dir->filePath("missing")), -1);
  EXPECT_EQ(LocalFileSize(""), -1);
  EXPECT_EQ(LocalFileSize(dir->path()), 0);
}

TEST(DriveFreeSpaceText, FormatsOrSaysUnknown) {
  const QString text = DriveFreeSpaceText(QDir::rootPath());
  EXPECT_TRUE(text.endsWith(" MB Free") || text.endsWith(" GB Free")) << text.toStdString();
  EXPECT_EQ(DriveFreeSpaceText("/no/such/mount/point/anywhere"), "Unknown");
}

}  // namespace
