#pragma once

#include <QString>
#include <memory>

#include "core/ftp/FTPListItems.h"

// Listing entries as the parser leaves them, built by hand.
inline TFTPListItem* AddEntry(TFTPListItems& listing, const QString& name, bool isFile,
                              qint64 size = 0, bool isLink = false) {
  auto entry = std::make_unique<TFTPListItem>();
  entry->Name = name;
  entry->IsFile = isFile;
  entry->Size = isFile ? size : -1;
  entry->IsLink = isLink;
  entry->Permissions = isFile ? QStringLiteral("-rw-r--r--") : QStringLiteral("drwxr-xr-x");
  entry->Year = 2024;
  entry->Month = 5;
  entry->Day = 17;
  entry->Hour = 9;
  entry->Minute = 30;
  entry->DateText = QStringLiteral("2024-05-17");
  entry->TimeText = QStringLiteral("09:30");
  TFTPListItem* raw = entry.get();
  listing.Add(std::move(entry));
  return raw;
}

inline TFTPListItem* AddFolder(TFTPListItems& listing, const QString& name, bool isLink = false) {
  return AddEntry(listing, name, false, 0, isLink);
}

inline TFTPListItem* AddFile(TFTPListItems& listing, const QString& name, qint64 size,
                             bool isLink = false) {
  return AddEntry(listing, name, true, size, isLink);
}
