#include <gtest/gtest.h>

#include <QBuffer>
#include <QRandomGenerator>
#include <atomic>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "core/common/ShellIcons.h"
#include "core/common/WireText.h"
#include "core/ftp/DecodeFTPListFile.h"

namespace {

// Every test parses as if today were 15 June 2026, so year inference is fixed.
const QDate kToday(2026, 6, 15);

void Load(std::string_view listing, TFTPListItems& items) {
  TListingParser parser(kToday, QLocale::c());
  parser.Load(QByteArray(listing.data(), qsizetype(listing.size())), items);
}

struct TUnixCase {
  const char* line;
  const char* name;
  bool isFile;
  bool isLink;
  qint64 size;
  int year, month, day, hour, minute;
  const char* owner;
  const char* group;
  const char* linkTarget;
};

TEST(ListingParser, UnixLineForms) {
  const TUnixCase cases[] = {
      // Name with an inner blank, year inferred (January is before June).
      {"-rw-r--r--   1 owner    group        1234 Jan  5 12:30 report 2003.txt", "report 2003.txt",
       true, false, 1234, 2026, 1, 5, 12, 30, "owner", "group", ""},
      // A year in the time column gives 00:00.
      {"drwxr-xr-x   2 owner    group        4096 Mar 30  2001 old", "old", false, false, -1, 2001,
       3, 30, 0, 0, "owner", "group", ""},
      {"lrwxrwxrwx   1 root     root            7 Jan  5 12:30 bin -> usr/bin", "bin", false, true,
       -1, 2026, 1, 5, 12, 30, "root", "root", "usr/bin"},
      // No group column: the size is the fourth column.
      {"-rw-r--r--   1 owner  5678 Feb 14 09:05 nogroup.txt", "nogroup.txt", true, false, 5678,
       2026, 2, 14, 9, 5, "owner", "", ""},
      // "folder" in the second column: no owner, no group, no size.
      {"drwxrwxr-x folder 12 Mar 30 18:14 Apps", "Apps", false, false, -1, 2026, 3, 30, 18, 14, "",
       "", ""},
      {"-rw-r--r--   1 owner group 42 2003.09.12 dotted.txt", "dotted.txt", true, false, 42, 2003,
       9, 12, 0, 0, "owner", "group", ""},
      {"-rw-r--r--   1 owner group 42 09/12 10:00 slashed.txt", "slashed.txt", true, false, 42,
       2025, 9, 12, 10, 0, "owner", "group", ""},
      {"-rw-r--r--   1 owner group 42 04/ 3 10:00 slash-end.txt", "slash-end.txt", true, false, 42,
       2026, 4, 3, 10, 0, "owner", "group", ""},
      // Korean dates, code page 949 byte pairs: month marker BF F9, day C0 CF, year B3 E2.
      {"-rw-r--r--   1 owner group 7 9\xBF\xF9 12\xC0\xCF 08:15 k1.txt", "k1.txt", true, false, 7,
       2025, 9, 12, 8, 15, "owner", "group", ""},
      {"-rw-r--r--   1 owner group 7 3\xBF\xF9"
       "4\xC0\xCF 08:15 k2.txt",
       "k2.txt", true, false, 7, 2026, 3, 4, 8, 15, "owner", "group", ""},
      {"-rw-r--r--   1 owner group 7 2003\xB3\xE2 9\xBF\xF9 12\xC0\xCF k3.txt", "k3.txt", true,
       false, 7, 2003, 9, 12, 0, 0, "owner", "group", ""},
      // The same in UTF-8.
      {"-rw-r--r--   1 owner group 7 9\xEC\x9B\x94 12\xEC\x9D\xBC 08:15 u1.txt", "u1.txt", true,
       false, 7, 2025, 9, 12, 8, 15, "owner", "group", ""},
      {"-rw-r--r--   1 owner group 7 3\xEC\x9B\x94"
       "4\xEC\x9D\xBC 08:15 u2.txt",
       "u2.txt", true, false, 7, 2026, 3, 4, 8, 15, "owner", "group", ""},
      {"-rw-r--r--   1 owner group 7 2003\xEB\x85\x84 9\xEC\x9B\x94 12\xEC\x9D\xBC u3.txt",
       "u3.txt", true, false, 7, 2003, 9, 12, 0, 0, "owner", "group", ""},
      // Year inference around today (15 June): later months and later days of June are last
      // year's, today is this year's.
      {"-rw-r--r-- 1 o g 1 Dec  1 10:00 dec", "dec", true, false, 1, 2025, 12, 1, 10, 0, "o", "g",
       ""},
      {"-rw-r--r-- 1 o g 1 Jun 16 10:00 jun16", "jun16", true, false, 1, 2025, 6, 16, 10, 0, "o",
       "g", ""},
      {"-rw-r--r-- 1 o g 1 Jun 15 10:00 jun15", "jun15", true, false, 1, 2026, 6, 15, 10, 0, "o",
       "g", ""},
      // Alignment blanks before the name go; a regular file may contain " -> ".
      {"-rw-r--r-- 1 o g 1 Jan  5 12:30    spaced", "spaced", true, false, 1, 2026, 1, 5, 12, 30,
       "o", "g", ""},
      {"-rw-r--r-- 1 o g 1 Jan  5 12:30 a -> b.txt", "a -> b.txt", true, false, 1, 2026, 1, 5, 12,
       30, "o", "g", ""},
      {"-rw-r--r-- 1 o g 1 Jan  5 12:30 arrow->inside", "arrow->inside", true, false, 1, 2026, 1, 5,
       12, 30, "o", "g", ""},
      // A size that needs 64 bits; a size column that is not a number reads 0.
      {"-rw-r--r-- 1 o g 5000000000 Jan 5 12:30 big.iso", "big.iso", true, false, 5000000000LL,
       2026, 1, 5, 12, 30, "o", "g", ""},
      {"-rw-r--r-- 1 owner 12x Jan 5 12:30 odd", "odd", true, false, 0, 2026, 1, 5, 12, 30, "owner",
       "", ""},
      // A group-less line whose size is not a number shifts the columns: the date becomes
      // the name, as the servers that write such lines intend nothing better.
      {"-rw-r--r-- 1 o g 12x Jan 5 12:30 shifted", "12:30 shifted", true, false, 0, 5, 0, 0, 0, 0,
       "o", "", ""},
  };
  for (const TUnixCase& c : cases) {
    SCOPED_TRACE(c.line);
    TFTPListItems items;
    Load(c.line, items);
    ASSERT_EQ(items.Count(), 1);
    const TFTPListItem& e = *items[0];
    EXPECT_EQ(e.Name, QString::fromUtf8(c.name));
    EXPECT_EQ(e.IsFile, c.isFile);
    EXPECT_EQ(e.IsLink, c.isLink);
    EXPECT_EQ(e.Size, c.size);
    EXPECT_EQ(e.Year, c.year);
    EXPECT_EQ(e.Month, c.month);
    EXPECT_EQ(e.Day, c.day);
    EXPECT_EQ(e.Hour, c.hour);
    EXPECT_EQ(e.Minute, c.minute);
    EXPECT_EQ(e.Owner, QString::fromUtf8(c.owner));
    EXPECT_EQ(e.Group, QString::fromUtf8(c.group));
    EXPECT_EQ(e.LinkTarget, QString::fromUtf8(c.linkTarget));
    EXPECT_EQ(e.Permissions, QString::fromLatin1(c.line, 10));
    EXPECT_EQ(items.HasLinks, c.isLink);
    EXPECT_EQ(e.Data, nullptr);
  }
}

TEST(ListingParser, LinesThatGiveNoEntry) {
  const char* lines[] = {
      "total 12",
      "drwxr-xr-x   2 owner group 4096 Jan  5 12:30 .",
      "drwxr-xr-x   2 owner group 4096 Jan  5 12:30 ..",
      "-rwSr--r--   1 owner group 1 Jan  5 12:30 upper-case-permission",
      "-rw-r--r--   1 owner group 1 Jan  5 12:30",   // no name
      "-rw-r--r--   1 owner group 1 Jan  5 12:30 ",  // blank name
      "drwxr-xr-x 2",                                // only some columns
      "-rw-r--r--",                                  // permissions alone
      "12-31-99  11:59PM       <DIR>          .",
      "12-31-99  11:59PM       <DIR>          ..",
      "12-31-99  11:59PM       <DIR>          ",
      "Welcome to the server",
  };
  for (const char* line : lines) {
    TFTPListItems items;
    Load(line, items);
    EXPECT_EQ(items.Count(), 0) << line;
    EXPECT_EQ(items.RawLines(), QStringList{QString::fromLatin1(line)});
  }
}

struct TDosCase {
  const char* line;
  const char* name;
  bool isFile;
  qint64 size;
  int year, month, day, hour, minute;
};

TEST(ListingParser, DosLines) {
  const TDosCase cases[] = {
      {"12-31-99  11:59PM       <DIR>          My Folder", "My Folder", false, -1, 1999, 12, 31, 23,
       59},
      {"01-02-03  12:05AM                 1024 file.bin", "file.bin", true, 1024, 2003, 1, 2, 0, 5},
      {"01-02-03  12:05PM                 1024 noon.bin", "noon.bin", true, 1024, 2003, 1, 2, 12,
       5},
      {"07-04-70  01:00PM           4294967296 big  name .iso ", "big  name .iso ", true,
       4294967296LL, 1970, 7, 4, 13, 0},
      {"07-04-69  09:30                    abc odd size", "odd size", true, 0, 2069, 7, 4, 9, 30},
  };
  for (const TDosCase& c : cases) {
    SCOPED_TRACE(c.line);
    TFTPListItems items;
    Load(c.line, items);
    ASSERT_EQ(items.Count(), 1);
    const TFTPListItem& e = *items[0];
    EXPECT_EQ(e.Name, QString::fromUtf8(c.name));
    EXPECT_EQ(e.IsFile, c.isFile);
    EXPECT_FALSE(e.IsLink);
    EXPECT_EQ(e.Size, c.size);
    EXPECT_EQ(e.Year, c.year);
    EXPECT_EQ(e.Month, c.month);
    EXPECT_EQ(e.Day, c.day);
    EXPECT_EQ(e.Hour, c.hour);
    EXPECT_EQ(e.Minute, c.minute);
    EXPECT_EQ(e.Permissions,
              c.isFile ? QStringLiteral("----------") : QStringLiteral("d---------"));
    EXPECT_TRUE(e.Owner.isEmpty() && e.Group.isEmpty() && e.LinkTarget.isEmpty());
  }
}

TEST(ListingParser, UnreadableNumberEndsTheLoading) {
  const char* listings[] = {
      // A four-digit year shifts the DOS columns, so the time cannot be read.
      "01-02-03  12:05AM  1 first\r\n12-31-1999  11:59PM  <DIR>  Y2K\r\n01-02-03  12:05AM  1 "
      "after\r\n",
      "-rw-r--r-- 1 o g 1 Jan 5 12:30 first\n-rw-r--r-- 1 o g 1 Jan 5 ab:30 bad-hour\n"
      "-rw-r--r-- 1 o g 1 Jan 5 12:30 after\n",
      "-rw-r--r-- 1 o g 1 Jan 5 12:30 first\n-rw-r--r-- 1 o g 1 Jan 5 12: no-minute\n"
      "-rw-r--r-- 1 o g 1 Jan 5 12:30 after\n",
  };
  for (const char* listing : listings) {
    SCOPED_TRACE(listing);
    TFTPListItems items;
    Load(listing, items);
    ASSERT_EQ(items.Count(), 1);
    EXPECT_EQ(items[0]->Name, QStringLiteral("first"));
    EXPECT_EQ(items.RawLines().size(), 3);  // the whole text is kept for the raw viewer
  }
}

TEST(ListingParser, SplitsLinesAtCrLfLfAndCr) {
  TFTPListItems items;
  Load(
      "total 3\r\n-rw-r--r-- 1 o g 1 Jan 5 12:30 a\n-rw-r--r-- 1 o g 2 Jan 5 12:30 b\r"
      "\r\n-rw-r--r-- 1 o g 3 Jan 5 12:30 c",
      items);
  ASSERT_EQ(items.Count(), 3);
  EXPECT_EQ(items[0]->Name, QStringLiteral("a"));
  EXPECT_EQ(items[1]->Name, QStringLiteral("b"));
  EXPECT_EQ(items[2]->Name, QStringLiteral("c"));
  EXPECT_EQ(items.RawLines().size(), 5);
  EXPECT_EQ(items.RawLines().at(3), QString());
}

TEST(ListingParser, NamesRoundTripToTheServersBytes) {
  // Latin-1 and code page 949 names (one made of the three date markers) are not UTF-8; a
  // UTF-8 name decodes as text.
  const QByteArray names[] = {"caf\xe9 menu.txt", "\xb0\xa1\xb3\xaa.hwp", "caf\xc3\xa9.txt",
                              "bad\xff\xfe tail", "\xb3\xe2\xbf\xf9\xc0\xcf.log"};
  constexpr int kNames = int(std::size(names));
  QByteArray listing;
  for (const QByteArray& name : names) {
    listing +=
        "-rw-r--r-- 1 \xc0\xaf"
        "own grp 10 Jan 5 12:30 " +
        name + "\r\n";
  }
  listing += "lrwxrwxrwx 1 o g 3 Jan 5 12:30 ln\xe9 -> tar\xe9get\r\n";
  TFTPListItems items;
  Load(std::string_view(listing.constData(), size_t(listing.size())), items);
  ASSERT_EQ(items.Count(), kNames + 1);
  for (int i = 0; i < kNames; ++i) {
    EXPECT_EQ(EncodeWireText(items[i]->Name), names[i]);
    EXPECT_EQ(EncodeWireText(items[i]->Owner), QByteArray("\xc0\xaf"
                                                          "own"));
  }
  EXPECT_EQ(items[2]->Name, QString::fromUtf8("café.txt"));
  EXPECT_EQ(EncodeWireText(items[kNames]->Name), QByteArray("ln\xe9"));
  EXPECT_EQ(EncodeWireText(items[kNames]->LinkTarget), QByteArray("tar\xe9get"));
  EXPECT_EQ(EncodeWireText(items.RawLines().join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")),
            listing);
}

TEST(ListingParser, EntriesTakeTypesFromTheIconCacheAndLocaleTexts) {
  TFTPListItems items;
  Load(
      "-rw-r--r-- 1 o g 1 Jan 5 12:30 notes.txt\n"
      "drwxr-xr-x 2 o g 1 Jan 5 12:30 sub\n"
      "lrwxrwxrwx 1 o g 1 Jan 5 12:30 ln -> notes.txt\n"
      "-rw-r--r-- 1 o g 1 13 5 12:30 month13\n"
      "-rw-r--r-- 1 o g 1 Jan 5 25:61 late\n",
      items);
  ASSERT_EQ(items.Count(), 5);
  EXPECT_EQ(items[0]->IconIndex, ShellIcons().IconOf(u"notes.txt"));
  EXPECT_EQ(items[0]->TypeName, ShellIcons().TypeNameOf(u"notes.txt"));
  for (int i : {1, 2}) {
    EXPECT_EQ(items[i]->IconIndex, ShellIcons().FolderIcon());
    EXPECT_EQ(items[i]->TypeName, ShellIcons().FolderTypeName());
  }
  const QLocale c = QLocale::c();
  EXPECT_EQ(items[0]->DateText, c.toString(QDate(2026, 1, 5), QLocale::ShortFormat));
  EXPECT_EQ(items[0]->TimeText, c.toString(QTime(12, 30), QLocale::ShortFormat));
  EXPECT_FALSE(items[0]->DateText.isEmpty());
  // Values the calendar rejects give empty texts, not a failure.
  EXPECT_EQ(items[3]->Month, 13);
  EXPECT_TRUE(items[3]->DateText.isEmpty());
  EXPECT_EQ(items[4]->Hour, 25);
  EXPECT_TRUE(items[4]->TimeText.isEmpty());
  EXPECT_FALSE(items[4]->DateText.isEmpty());
}

TEST(ListingParser, DateTextsFollowTheParsersLocaleOnEveryThread) {
  // Texts are shared between runs; a run in another locale must not see the first one's.
  const QByteArray listing = "-rw-r--r-- 1 o g 1 Mar 7 2004 a\n-rw-r--r-- 1 o g 1 Jan 5 18:45 b\n";
  const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                             QLocale(QLocale::English, QLocale::UnitedStates)};
  std::vector<std::thread> threads;
  std::atomic<int> mismatches{0};
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      const QLocale& locale = locales[t % 3];
      for (int round = 0; round < 50; ++round) {
        TFTPListItems items;
        TListingParser(kToday, locale).Load(listing, items);
        if (items.Count() != 2 ||
            items[0]->DateText != locale.toString(QDate(2004, 3, 7), QLocale::ShortFormat) ||
            items[1]->TimeText != locale.toString(QTime(18, 45), QLocale::ShortFormat) ||
            items[0]->TypeName != ShellIcons().TypeNameOf(u"a")) {
          ++mismatches;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_NE(locales[0].toString(QDate(2004, 3, 7), QLocale::ShortFormat),
            locales[1].toString(QDate(2004, 3, 7), QLocale::ShortFormat));
}

TEST(ListingParser, LoadListingReadsTheStreamFromItsStart) {
  QByteArray data;
  QBuffer buffer(&data);
  ASSERT_TRUE(buffer.open(QIODevice::ReadWrite));
  buffer.write("-rw-r--r-- 1 o g 1 Jan 5 12:30 one\r\n-rw-r--r-- 1 o g 2 Jan 5 12:30 two\r\n");
  TFTPListItems items;
  LoadListing(buffer, items);  // the position is at the end after writing
  ASSERT_EQ(items.Count(), 2);
  EXPECT_EQ(items[1]->Size, 2);
  // Year inference against the real today: Jan 5 is never in the future by more than a year.
  const QDate today = QDate::currentDate();
  EXPECT_EQ(items[0]->Year, today.year() - ((today.month() == 1 && today.day() < 5) ? 1 : 0));
}

TEST(ListingParser, HostileInputNeitherCrashesNorHangs) {
  // Every prefix of well-formed lines (columns cut anywhere), random bytes, and very long lines.
  const std::string wellFormed[] = {
      "-rw-r--r--   1 owner group 1234 Jan  5 12:30 report 2003.txt",
      "lrwxrwxrwx 1 o g 7 2003\xB3\xE2 9\xBF\xF9 12\xC0\xCF bin -> usr/bin",
      "-rw-r--r-- 1 o g 1 2003.09.12 x",
      "-rw-r--r-- 1 o g 1 09/ 3 10:00 x",
      "drwxrwxr-x folder 12 Mar 30 18:14 Apps",
      "12-31-99  11:59PM       <DIR>          My Folder"};
  for (const std::string& line : wellFormed) {
    for (size_t cut = 0; cut <= line.size(); ++cut) {
      TFTPListItems items;
      Load(std::string_view(line).substr(0, cut), items);
      ASSERT_LE(items.Count(), 1);
      if (items.Count() == 1) {
        const QByteArray name = EncodeWireText(items[0]->Name);
        EXPECT_FALSE(name.isEmpty());
        EXPECT_NE(line.find(name.toStdString()), std::string::npos) << cut;
      }
    }
  }

  QRandomGenerator random(4711);
  std::string garbage(200000, '\0');
  for (char& c : garbage) c = char(random.bounded(256));
  TFTPListItems items;
  Load(garbage, items);
  // Random bytes with a permission-like start now and then: whatever comes out has a name.
  for (int i = 0; i < items.Count(); ++i) EXPECT_FALSE(items[i]->Name.isEmpty());

  std::string longLine = "-rw-r--r-- 1 o g 1 Jan 5 12:30 " + std::string(1 << 20, 'n');
  std::string longBlanks = "-rw-r--r--" + std::string(1 << 20, ' ');
  TFTPListItems longItems;
  Load(longLine + "\n" + longBlanks + "\n" + std::string(1 << 20, '\r'), longItems);
  ASSERT_EQ(longItems.Count(), 1);
  EXPECT_EQ(longItems[0]->Name.size(), 1 << 20);
  EXPECT_EQ(longItems.RawLines().size(), 2 + (1 << 20));
}

TEST(ListingParser, TokenAndNumberHelpers) {
  size_t position = 0;
  const std::string_view text = "  ab  c";
  EXPECT_EQ(NextToken(text, position, " "), "ab");
  EXPECT_EQ(position, 4u);
  EXPECT_EQ(NextToken(text, position, " "), "c");
  EXPECT_EQ(position, 7u);
  EXPECT_EQ(NextToken(text, position, " "), "");
  EXPECT_GE(position, 7u);
  position = 0;
  EXPECT_EQ(NextToken("..9.12", position, "."), "9");

  EXPECT_TRUE(IsAllDigits("0123"));
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_FALSE(IsAllDigits("12a"));
  EXPECT_TRUE(IsDosDate("12-31-99"));
  EXPECT_FALSE(IsDosDate("12-31-9"));
  EXPECT_FALSE(IsDosDate("12/31/99"));
  EXPECT_FALSE(IsDosDate("1a-31-99"));
  EXPECT_TRUE(IsPermissionString("drwxr-xr-x"));
  EXPECT_FALSE(IsPermissionString("drwxr-xr-T"));
  EXPECT_FALSE(IsPermissionString("drwxr-xr-"));

  const std::pair<std::string_view, int> months[] = {{"1", 1},
                                                     {"13", 13},
                                                     {"0", 0},
                                                     {"Jan", 1},
                                                     {"Dec", 12},
                                                     {"jan", 0},
                                                     {"January", 0},
                                                     {"9\xBF\xF9", 9},
                                                     {"x\xBF\xF9", 0},
                                                     {"\xBF\xF9"
                                                      "9",
                                                      0},
                                                     {"10\xEC\x9B\x94", 10},
                                                     {"", 0}};
  for (const auto& [text, number] : months) EXPECT_EQ(MonthNumber(text), number) << text;
  const std::pair<std::string_view, int> days[] = {
      {"12", 12},      {"12\xC0\xCF", 12}, {"12\xEC\x9D\xBC", 12},
      {"\xC0\xCF", 0}, {"1x", 0},          {"99999999999", 0}};
  for (const auto& [text, number] : days) EXPECT_EQ(DayNumber(text), number) << text;
}

TEST(ListingParser, CollectionOwnsAndAssignCopiesTheSharedFields) {
  TFTPListItems items;
  auto* a = new TFTPListItem;
  auto* b = new TFTPListItem;
  EXPECT_EQ(items.Add(a), 0);
  EXPECT_EQ(items.Add(b), 1);
  EXPECT_EQ(items.IndexOf(b), 1);
  items.Delete(0);  // not freed: the caller owns it now
  EXPECT_EQ(items.Count(), 1);
  EXPECT_EQ(items.IndexOf(a), -1);
  a->Name = QStringLiteral("kept");
  a->Owner = QStringLiteral("owner");
  a->Group = QStringLiteral("group");
  a->LinkTarget = QStringLiteral("target");
  a->Size = 5000000000LL;
  a->IsLink = true;
  TFTPListItem copy;
  copy.Assign(*a);
  EXPECT_EQ(copy.Name, QStringLiteral("kept"));
  EXPECT_EQ(copy.Size, 5000000000LL);
  EXPECT_TRUE(copy.IsLink);
  EXPECT_TRUE(copy.Owner.isEmpty() && copy.Group.isEmpty() && copy.LinkTarget.isEmpty());
  delete a;
  items.Clear();
  EXPECT_EQ(items.Count(), 0);
}

}  // namespace
