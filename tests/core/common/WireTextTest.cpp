#include <gtest/gtest.h>

#include "core/common/WireText.h"

namespace {

TEST(WireText, EveryByteStringRoundTrips) {
  const QByteArray cases[] = {
      "plain.txt",
      "caf\xc3\xa9.txt",         // UTF-8
      "caf\xe9.txt",             // Latin-1 byte, not UTF-8
      "\xb0\xa1\xb3\xaa.hwp",    // code page 949 pair
      "\xf0\x9f\x98\x80 emoji",  // four-byte UTF-8
      "\xc0\xaf overlong",       // overlong slash must not decode as "/"
      "\xed\xa0\x80 surrogate",  // encoded surrogate is not UTF-8
      "cut \xe2\x82",            // truncated sequence at the end
      QByteArray("nul\0inside", 10),
  };
  for (const QByteArray& bytes : cases) {
    EXPECT_EQ(EncodeWireText(DecodeWireText(bytes)), bytes) << bytes.toHex().constData();
  }
}

TEST(WireText, ValidUtf8ReadsAsText) {
  EXPECT_EQ(DecodeWireText("caf\xc3\xa9"), QString::fromUtf8("café"));
  EXPECT_EQ(EncodeWireText(QString::fromUtf8("café")), QByteArray("caf\xc3\xa9"));
  EXPECT_FALSE(DecodeWireText("\xc0\xaf").contains('/'));
}

}  // namespace
