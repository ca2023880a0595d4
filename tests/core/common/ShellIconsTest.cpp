#include <gtest/gtest.h>

#include <QMimeDatabase>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "core/common/ShellIcons.h"

namespace {

QString DatabaseComment(const QString& name) {
  return QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension).comment();
}

TEST(ShellIcons, SameSuffixSameIconAndTypeFromTheMimeDatabase) {
  TShellIcons& icons = ShellIcons();
  EXPECT_EQ(icons.IconOf(u"a.pdf"), icons.IconOf(u"other report.pdf"));
  EXPECT_EQ(icons.IconOf(u"A.PDF"), icons.IconOf(u"a.pdf"));
  EXPECT_NE(icons.IconOf(u"a.pdf"), icons.IconOf(u"a.png"));
  EXPECT_NE(icons.IconOf(u"a.pdf"), icons.GenericFileIcon());
  EXPECT_EQ(icons.TypeNameOf(u"a.pdf"), DatabaseComment(QStringLiteral("a.pdf")));
  EXPECT_FALSE(icons.TypeNameOf(u"a.pdf").isEmpty());
  // A two-part suffix the database knows decides over its last part.
  EXPECT_EQ(icons.TypeNameOf(u"src.tar.gz"), DatabaseComment(QStringLiteral("src.tar.gz")));
  EXPECT_NE(icons.TypeNameOf(u"src.tar.gz"), icons.TypeNameOf(u"src.gz"));
  // A dotted name whose earlier part is no known suffix goes by its last part.
  EXPECT_EQ(icons.TypeNameOf(u"report.2003.pdf"), icons.TypeNameOf(u"a.pdf"));
  // The icon behind an index is a theme name the user-interface side can load.
  EXPECT_FALSE(icons.IconName(icons.IconOf(u"a.pdf")).isEmpty());
  EXPECT_TRUE(icons.IconNames(-1).isEmpty());
  EXPECT_TRUE(icons.IconNames(icons.IconCount()).isEmpty());
}

TEST(ShellIcons, UnknownNamesFallBackToTheBuiltTypeName) {
  TShellIcons& icons = ShellIcons();
  EXPECT_EQ(icons.IconOf(u"somefile"), icons.GenericFileIcon());
  EXPECT_EQ(icons.TypeNameOf(u"somefile"), QStringLiteral("File"));
  EXPECT_EQ(icons.TypeNameOf(u"data.vornaloxyz"), QStringLiteral(".vornaloxyz File"));
  EXPECT_EQ(icons.IconOf(u"data.vornaloxyz"), icons.GenericFileIcon());

  TShellIcons korean(QLocale(QLocale::Korean, QLocale::SouthKorea));
  EXPECT_EQ(korean.TypeNameOf(u"data.vornaloxyz"), QString::fromUtf8(".vornaloxyz 파일"));
  EXPECT_EQ(korean.TypeNameOf(u"somefile"), QString::fromUtf8("파일"));
  EXPECT_EQ(TShellIcons::FallbackTypeName(u".profile", false), QStringLiteral(".profile File"));
}

TEST(ShellIcons, FolderFieldsAreDistinctNamedIndexes) {
  const TShellIcons& icons = ShellIcons();
  const QList<int> indexes{icons.FolderIcon(),     icons.OpenFolderIcon(), icons.DesktopIcon(),
                           icons.DrivesIcon(),     icons.NetworkIcon(),    icons.RecycleBinIcon(),
                           icons.GenericFileIcon()};
  EXPECT_EQ(QSet<int>(indexes.begin(), indexes.end()).size(), indexes.size());
  for (int index : indexes) EXPECT_FALSE(icons.IconName(index).isEmpty()) << index;
  EXPECT_EQ(icons.IconName(icons.FolderIcon()), QStringLiteral("folder"));
  EXPECT_FALSE(icons.FolderTypeName().isEmpty());
  EXPECT_LE(icons.FolderTypeName().size(), 80);
  EXPECT_EQ(icons.LinkOverlay(), 1);
}

TEST(ShellIcons, WorkerThreadsGetTheSameStableIndexes) {
  // A fresh cache, so the threads race to hand out the first indexes.
  TShellIcons icons;
  const QStringList names{QStringLiteral("a.txt"),  QStringLiteral("b.pdf"),
                          QStringLiteral("c.png"),  QStringLiteral("d.tar.gz"),
                          QStringLiteral("e.html"), QStringLiteral("Makefile"),
                          QStringLiteral("f.mp3"),  QStringLiteral("g.zip")};
  constexpr int kThreads = 4;
  std::vector<std::vector<int>> seen(kThreads);
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      while (!go) std::this_thread::yield();
      for (int round = 0; round < 200; ++round) {
        for (int i = 0; i < names.size(); ++i) {
          const int index = icons.IconOf(names.at((i + t) % names.size()));
          if (round == 0) seen[t].push_back(index);
        }
      }
      std::rotate(seen[t].begin(), seen[t].end() - t, seen[t].end());
    });
  }
  go = true;
  for (std::thread& thread : threads) thread.join();
  for (int t = 1; t < kThreads; ++t) EXPECT_EQ(seen[t], seen[0]);
  for (int i = 0; i < names.size(); ++i) {
    EXPECT_EQ(icons.IconOf(names.at(i)), seen[0][size_t(i)]);
    EXPECT_FALSE(icons.IconName(seen[0][size_t(i)]).isEmpty());
  }
}

}  // namespace
