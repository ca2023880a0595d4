#pragma once

#include <QByteArray>
#include <QString>

// Text that travels to and from a server (commands, replies, listings, names) is bytes whose
// encoding we cannot know: UTF-8 on most servers, a legacy 8-bit code page on some. Decoding
// reads valid UTF-8 as such and maps every other byte to U+DC80..U+DCFF; encoding reverses it,
// so a name read from a listing goes back to the server as exactly the bytes it came as.
QString DecodeWireText(const QByteArray& bytes);
QByteArray EncodeWireText(const QString& text);
