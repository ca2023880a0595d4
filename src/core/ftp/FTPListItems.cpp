#include "core/ftp/FTPListItems.h"

#include <algorithm>

#include "core/common/WireText.h"
#include "core/ftp/DecodeFTPListFile.h"

TFTPListItems::~TFTPListItems() {
  Clear();
}

int TFTPListItems::Add(TFTPListItem* item) {
  m_items.push_back(item);
  return int(m_items.size()) - 1;
}

int TFTPListItems::IndexOf(const TFTPListItem* item) const {
  const auto it = std::find(m_items.begin(), m_items.end(), item);
  return it == m_items.end() ? -1 : int(it - m_items.begin());
}

void TFTPListItems::Delete(int index) {
  (void)m_items.at(size_t(index));  // out of range throws, as for Items()
  m_items.erase(m_items.begin() + index);
}

void TFTPListItems::Clear() {
  for (TFTPListItem* item : m_items) delete item;
  m_items.clear();
}

QStringList TFTPListItems::RawLines() const {
  QStringList lines;
  ForEachListingLine(
      std::string_view(m_rawListing.constData(), size_t(m_rawListing.size())),
      [&](std::string_view line) {
        lines.append(DecodeWireText(QByteArray::fromRawData(line.data(), qsizetype(line.size()))));
      });
  return lines;
}
