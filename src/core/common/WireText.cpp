#include "core/common/WireText.h"

namespace {

// Length of the valid UTF-8 sequence starting at `i`, or 0 when the byte there starts none.
int ValidSequenceLength(const unsigned char* s, qsizetype i, qsizetype size) {
  const unsigned char b = s[i];
  int length;
  char32_t minimum;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) {
    length = 2;
    minimum = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    length = 3;
    minimum = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    length = 4;
    minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > size) return 0;
  char32_t code = b & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (s[i + k] & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are not valid UTF-8.
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

QString DecodeWireText(const QByteArray& bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype size = bytes.size();
  // Plain ASCII, the common case, converts directly.
  qsizetype i = 0;
  while (i < size && s[i] < 0x80) ++i;
  if (i == size) return QString::fromLatin1(bytes);
  QString out = QString::fromLatin1(bytes.constData(), i);
  out.reserve(size);
  while (i < size) {
    const int length = ValidSequenceLength(s, i, size);
    if (length == 0) {
      out += QChar(char16_t(0xDC00 + s[i]));
      ++i;
    } else {
      out += QString::fromUtf8(bytes.constData() + i, length);
      i += length;
    }
  }
  return out;
}

QByteArray EncodeWireText(const QString& text) {
  QByteArray out;
  out.reserve(text.size());
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t c = text.at(i).unicode();
    if (c < 0x80) {
      out += char(c);
    } else if (c >= 0xDC80 && c <= 0xDCFF) {
      out += char(c - 0xDC00);  // a byte that was not UTF-8 on the way in
    } else if (QChar::isHighSurrogate(c) && i + 1 < size && text.at(i + 1).isLowSurrogate()) {
      out += QStringView(text).mid(i, 2).toUtf8();
      ++i;
    } else {
      out += QStringView(text).mid(i, 1).toUtf8();
    }
  }
  return out;
}
