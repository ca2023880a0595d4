#pragma once

#include <QByteArray>
#include <QStringList>
#include <memory>
#include <vector>

#include "core/ftp/FTPListItem.h"

// The entries of one listing, owned, in listing order, with the raw lines they came from.
class TFTPListItems {
 public:
  TFTPListItems() = default;
  ~TFTPListItems();
  TFTPListItems(const TFTPListItems&) = delete;
  TFTPListItems& operator=(const TFTPListItems&) = delete;

  int Count() const { return int(m_items.size()); }
  TFTPListItem* Items(int index) const { return m_items.at(size_t(index)); }
  TFTPListItem* operator[](int index) const { return Items(index); }
  // Takes ownership; returns the new entry's index.
  int Add(TFTPListItem* item);
  int Add(std::unique_ptr<TFTPListItem> item) { return Add(item.release()); }
  int IndexOf(const TFTPListItem* item) const;
  // Removes the entry from the list without freeing it; the caller owns it from now on.
  void Delete(int index);
  // Frees every entry.
  void Clear();
  void Reserve(int count) { m_items.reserve(size_t(count)); }

  // The lines of the last loaded listing, decoded losslessly. The listing is kept as the bytes
  // the server sent and split only when someone asks (the raw listing viewer), which keeps
  // loading a large folder cheap.
  QStringList RawLines() const;
  QByteArray RawListing() const { return m_rawListing; }
  void SetRawListing(const QByteArray& listing) { m_rawListing = listing; }

  bool HasLinks = false;  // set when a link was added by the parser, never cleared here

 private:
  std::vector<TFTPListItem*> m_items;
  QByteArray m_rawListing;
};
