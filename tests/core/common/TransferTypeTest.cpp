#include <gtest/gtest.h>

#include <QFuture>
#include <QThread>
#include <atomic>

#include "core/common/AsciiExtensionList.h"
#include "core/common/TransferTypeRule.h"

namespace {

TEST(TransferTypeRule, AutoChoosesByLowerCaseExtension) {
  const QStringList defaults{".txt", ".htm", ".html", ".c", ".cpp", ".h", ".hpp"};
  struct Case {
    const char* name;
    TFTPTransferType type;
    QStringList exts;
    TFTPTransferType expected;
  } cases[] = {
      {"README.TXT", ftpTypeAuto, defaults, ftpTypeASCII},
      {"readme.txt.gz", ftpTypeAuto, defaults, ftpTypeBinary},
      {"Makefile", ftpTypeAuto, defaults, ftpTypeBinary},
      {"Makefile", ftpTypeAuto, {"", ".txt"}, ftpTypeASCII},  // an empty entry matches no dot
      {"a.txt", ftpTypeAuto, {"txt"}, ftpTypeBinary},         // entries need their dot
      {"dir.d/noext", ftpTypeAuto, {""}, ftpTypeASCII},
      {"a.txt", ftpTypeBinary, defaults, ftpTypeBinary},
      {"a.zip", ftpTypeASCII, defaults, ftpTypeASCII},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TransferTypeForFile(c.name, c.type, c.exts), c.expected) << c.name;
  }
}

TEST(AsciiExtensionList, ReadersNeverSeeAHalfBuiltList) {
  AsciiExtensionList list(QStringList{".a", ".xa", ".ya"});
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  QThread* reader = QThread::create([&] {
    while (!stop) {
      const auto snapshot = list.Get();
      // Every list the writer publishes has three entries that share one letter.
      if (snapshot->size() != 3 || snapshot->at(0).right(1) != snapshot->at(2).right(1)) ++bad;
    }
  });
  reader->start();
  for (int i = 0; i < 20000; ++i) {
    const QString letter(QChar('a' + i % 26));
    list.Replace({"." + letter, ".x" + letter, ".y" + letter});
  }
  stop = true;
  reader->wait();
  delete reader;
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
