#include <gtest/gtest.h>

#include "core/common/LogLineKind.h"

namespace {

TEST(LogLineKind, ColoursFollowTheFirstCharacters) {
  struct Case {
    const char* line;
    TColor color;
  } cases[] = {
      {"~ Looking up ftp.example.com", RGBToColor(128, 128, 128)},
      {"! Operation aborted.", RGBToColor(255, 0, 0)},
      {"> CWD /pub", RGBToColor(0, 0, 255)},
      {"< 226 Transfer complete.", RGBToColor(0, 128, 0)},
      {"< 550 No such file.", RGBToColor(255, 0, 0)},
      {"< 421 Timeout.", RGBToColor(255, 0, 0)},
      {"< 125 Data connection open.", RGBToColor(0, 128, 0)},
      {"< Xyz", RGBToColor(0, 128, 0)},
      {"<", RGBToColor(0, 128, 0)},
      {"plain text", RGBToColor(0, 0, 0)},
      {"", RGBToColor(0, 0, 0)},
  };
  for (const Case& c : cases) EXPECT_EQ(LogLineColor(c.line), c.color) << c.line;
}

TEST(LogLineKind, StatusLinesGoToTheStatusBar) {
  EXPECT_TRUE(IsStatusLine("% Idle"));
  EXPECT_EQ(StatusLineText("% Idle"), "Idle");
  EXPECT_FALSE(IsStatusLine("~ Idle"));
  EXPECT_EQ(LogLineKindOf("% Listing"), TLogLineKind::State);
}

TEST(LogLineKind, PasswordCommandsAreMasked) {
  EXPECT_EQ(CommandLogLine("PASS secret"), "> PASS [Objq dlk kto vzpvjet nz?]");
  EXPECT_EQ(CommandLogLine("SITE PASSWD x"), "> PASS [Objq dlk kto vzpvjet nz?]");
  EXPECT_EQ(CommandLogLine("USER bob"), "> USER bob");
}

}  // namespace
