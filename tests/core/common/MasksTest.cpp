#include <gtest/gtest.h>

#include "core/common/Masks.h"

namespace {

TEST(Masks, SetMasksBuildsTextAndActiveFlag) {
  struct Case {
    const char* text;
    const char* maskText;
    bool active;
    int count;
  } cases[] = {
      {" *.txt ; *.log ", "*.txt;*.log", true, 2},
      {"*.*", "*.*", false, 1},
      {"*.txt;*", "*.txt;*", false, 2},
      {"", "", true, 0},
      {";;a*;;", "a*", true, 1},
  };
  for (const Case& c : cases) {
    TMasks masks;
    masks.SetMasks(c.text);
    EXPECT_EQ(masks.MaskText(), c.maskText) << c.text;
    EXPECT_EQ(masks.Active(), c.active) << c.text;
    EXPECT_EQ(masks.MaskStrings().size(), c.count) << c.text;
  }
}

TEST(Masks, MatchesLikeThePlatformFileMasks) {
  struct Case {
    const char* masks;
    const char* name;
    bool matches;
  } cases[] = {
      {" *.txt ; *.log ", "readme.TXT", true},
      {" *.txt ; *.log ", "a.doc", false},
      {"", "anything", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"[a-c]*", "Beta", true},
      {"[!a-c]*", "beta", false},
      {"[!a-c]*", "delta", true},
      {"[xyz].dat", "Y.DAT", true},
      {"*.tar.gz", "backup.TAR.GZ", true},
      {"*.tar.gz", "backup.tar.gz.part", false},
      {"*a*b*c", "xxaxxbxxc", true},
      {"*a*b*c", "xxaxxcxxb", false},
      {"data[", "data[", true},  // an unclosed set is literal
      {"*", "", true},
      {"report", "report.txt", false},
      {"ü*", "Über", true},
  };
  for (const Case& c : cases) {
    TMasks masks(QString::fromUtf8(c.masks));
    EXPECT_EQ(masks.Matches(QString::fromUtf8(c.name)), c.matches) << c.masks << " / " << c.name;
  }
}

TEST(Masks, ManyStarsStayFast) {
  // Backtracking must not explode on hostile masks.
  TMasks masks("*a*a*a*a*a*a*a*a*a*a*b");
  EXPECT_FALSE(masks.Matches(QString(5000, 'a')));
}

}  // namespace
