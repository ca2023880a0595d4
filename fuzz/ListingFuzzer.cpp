// The LIST parser: any bytes load without fault, the raw lines decode losslessly, and every
// entry's name goes back to the server as bytes that were in the listing.
#include <QCoreApplication>
#include <QDate>
#include <QLocale>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "core/common/WireText.h"
#include "core/ftp/DecodeFTPListFile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray listing(reinterpret_cast<const char*>(data), qsizetype(size));
  TFTPListItems items;
  // A fixed day and locale, so that a finding reproduces on any day.
  TListingParser parser(QDate(2024, 6, 15), QLocale::c());
  parser.Load(listing, items);

  FuzzCheck(items.RawListing() == listing, QStringLiteral("raw listing changed"));
  std::vector<QByteArray> lines;
  ForEachListingLine(
      std::string_view(listing.constData(), size_t(listing.size())),
      [&](std::string_view line) { lines.emplace_back(line.data(), qsizetype(line.size())); });
  const QStringList rawLines = items.RawLines();
  FuzzCheck(size_t(rawLines.size()) == lines.size(), QStringLiteral("raw line count"));
  for (qsizetype i = 0; i < rawLines.size(); ++i) {
    FuzzCheck(EncodeWireText(rawLines.at(i)) == lines[size_t(i)],
              QStringLiteral("raw line %1 does not encode back").arg(i));
  }

  for (int i = 0; i < items.Count(); ++i) {
    const TFTPListItem& item = *items[i];
    const QByteArray wire = EncodeWireText(item.Name);
    FuzzCheck(!wire.isEmpty() && wire != "." && wire != "..",
              QStringLiteral("entry %1 has no usable name").arg(i));
    FuzzCheck(DecodeWireText(wire) == item.Name,
              QStringLiteral("name of entry %1 does not decode back").arg(i));
    FuzzCheck(listing.contains(wire) && !wire.contains('\n') && !wire.contains('\r'),
              QStringLiteral("name of entry %1 is not bytes of one listing line").arg(i));
    if (!item.LinkTarget.isEmpty()) {
      FuzzCheck(listing.contains(EncodeWireText(item.LinkTarget)),
                QStringLiteral("link target of entry %1 is not from the listing").arg(i));
    }
    FuzzCheck(item.IsFile ? item.Size >= 0 : item.Size == -1,
              QStringLiteral("entry %1: size %2").arg(i).arg(item.Size));
  }
  return 0;
}
