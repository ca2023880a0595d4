#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>

#include "core/common/Color.h"
#include "ui/widgets/QrvLogDisp.h"

namespace {

// A control whose client area holds exactly three lines and a bit.
void MakeThreeLinesHigh(TqrvLogDisp& log) {
  log.SetBorderStyle(TqrvLogDisp::TBorderStyle::bsNone);
  log.resize(200, 3 * log.LineHeight() + log.LineHeight() / 2);
}

}  // namespace

TEST(QrvLogDisp, FollowsTheBottomOnEveryNewLine) {
  TqrvLogDisp log;
  MakeThreeLinesHigh(log);
  ASSERT_EQ(log.PageLines(), 3);
  QScrollBar* bar = log.verticalScrollBar();
  for (int i = 1; i <= 3; ++i) log.AddLine(QStringLiteral("line %1").arg(i), clBlack);
  EXPECT_EQ(log.TopLine(), 0);
  EXPECT_FALSE(bar->isEnabled());  // everything fits: disabled, not hidden
  EXPECT_FALSE(bar->isHidden());

  log.AddLine(QStringLiteral("line 4"), clBlack);
  EXPECT_EQ(log.TopLine(), 1);  // lines 2 to 4 visible
  EXPECT_TRUE(bar->isEnabled());

  for (int i = 5; i <= 10; ++i) log.AddLine(QStringLiteral("line %1").arg(i), clBlack);
  bar->setValue(bar->minimum());  // the user scrolls to the top
  EXPECT_EQ(log.TopLine(), 0);
  log.AddLine(QStringLiteral("line 11"), clBlack);
  EXPECT_EQ(log.TopLine(), 8);  // back at the bottom: lines 9 to 11

  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(log.TopLine(), 3);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(log.TopLine(), 8);  // never past the last line
}

TEST(QrvLogDisp, ClearThenAddShowsTheLineAtTheTop) {
  TqrvLogDisp log;
  MakeThreeLinesHigh(log);
  for (int i = 0; i < 20; ++i) log.AddLine(QStringLiteral("x"), clBlack);
  log.Clear();
  EXPECT_EQ(log.LineCount(), 0);
  EXPECT_EQ(log.AddLine(QStringLiteral("first"), clBlue), 0);
  EXPECT_EQ(log.TopLine(), 0);
  EXPECT_EQ(log.Line(0), QStringLiteral("first"));
  EXPECT_EQ(log.LineColor(0), clBlue);
}

TEST(QrvLogDisp, CopyToClipboardJoinsWithCrLf) {
  TqrvLogDisp log;
  QApplication::clipboard()->setText(QStringLiteral("previous"));
  log.CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), QString());

  log.AddLine(QStringLiteral("> USER anonymous"), clBlue);
  log.AddLine(QStringLiteral("< 331 Password: \u00e9t\u00e9"), clGreen);
  log.CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(),
            QStringLiteral("> USER anonymous\r\n< 331 Password: \u00e9t\u00e9"));
}

TEST(QrvLogDisp, DisplayRuleSendsStateLinesToTheStatusAndColoursTheRest) {
  TqrvLogDisp log;
  QString status;
  const auto setStatus = [&status](const QString& text) { status = text; };
  struct Case {
    const char* line;
    TColor color;
  } cases[] = {
      {"< 226 Transfer complete.", clGreen},
      {"< 550 No such file.", clRed},
      {"< 125 Data connection open.", clGreen},
      {"< 421 Timeout.", clRed},
      {"< xyz", clGreen},
      {"> PASS [Objq dlk kto vzpvjet nz?]", clBlue},
      {"~ Looking up ftp.example.com", clGray},
      {"! Operation aborted.", clRed},
      {"plain text", clBlack},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(DisplayLogLine(QString::fromUtf8(c.line), log, setStatus));
    EXPECT_EQ(log.LineColor(log.LineCount() - 1), c.color) << c.line;
  }
  const int logged = log.LineCount();
  EXPECT_FALSE(DisplayLogLine(QStringLiteral("% Idle"), log, setStatus));
  EXPECT_EQ(status, QStringLiteral("Idle"));
  EXPECT_EQ(log.LineCount(), logged);
}

// A million lines: every line kept, memory close to the size of the text, the last page shown.
TEST(QrvLogDisp, MillionLinesStayCompact) {
  TqrvLogDisp log;
  MakeThreeLinesHigh(log);
  const QString text = QStringLiteral("< 150 Opening BINARY mode data connection for file.bin");
  constexpr int kLines = 1000000;
  for (int i = 0; i < kLines; ++i) log.AddLine(text, clGreen);
  EXPECT_EQ(log.LineCount(), kLines);
  EXPECT_EQ(log.TopLine(), kLines - 3);
  const qint64 textBytes = static_cast<qint64>(text.size()) * kLines;
  // Text plus 12 bytes a line, with the growth slack of the buffers.
  EXPECT_LT(log.MemoryBytes(), 2 * (textBytes + 12LL * kLines));
  EXPECT_EQ(log.Line(kLines / 2), text);
  log.grab();  // paints only the visible page
}

// Each visible line is drawn in its own colour at LeftMargin, one line height apart.
TEST(QrvLogDisp, PaintsTheVisibleLinesInTheirColours) {
  TqrvLogDisp log;
  MakeThreeLinesHigh(log);
  QFont font = log.font();
  font.setPointSize(14);
  font.setBold(true);
  log.setFont(font);
  MakeThreeLinesHigh(log);
  for (int i = 0; i < 5; ++i) log.AddLine(QStringLiteral("XXXXXXXXXX"), clGray);
  log.AddLine(QStringLiteral("XXXXXXXXXX"), clRed);
  log.AddLine(QStringLiteral("XXXXXXXXXX"), clBlue);
  log.show();
  const QImage image = log.viewport()->grab().toImage();
  const auto rowHas = [&](int line, const QColor& color) {
    const int top = line * log.LineHeight();
    for (int y = top; y < top + log.LineHeight() && y < image.height(); ++y) {
      for (int x = log.LeftMargin(); x < image.width(); ++x) {
        if (image.pixelColor(x, y) == color) return true;
      }
    }
    return false;
  };
  // Lines 5 to 7 are visible: grey, red, blue.
  EXPECT_TRUE(rowHas(0, QColor(128, 128, 128)));
  EXPECT_TRUE(rowHas(1, QColor(255, 0, 0)));
  EXPECT_TRUE(rowHas(2, QColor(0, 0, 255)));
  EXPECT_FALSE(rowHas(0, QColor(255, 0, 0)));
}
