#pragma once

#include <QString>
#include <QtGlobal>

// One remote directory entry: a file, a folder or a link, as read from a listing line.
class TFTPListItem {
 public:
  QString Permissions;  // the 10-character permission text ("d---------" for DOS folders)
  QString Owner;
  QString Group;
  bool IsFile = false;  // false for folders, and for links until their kind is known
  QString Name;         // decoded losslessly: EncodeWireText(Name) gives the server's bytes
  qint64 Size = 0;      // -1 for folders and links
  int Year = 0;
  int Month = 0;
  int Day = 0;
  int Hour = 0;
  int Minute = 0;
  QString DateText;  // locale short date, empty when the date is not a valid one
  QString TimeText;  // locale short time, empty when the time is not a valid one
  int IconIndex = 0;
  QString TypeName;
  QString LinkTarget;  // what a link points to, as the listing shows it
  bool IsLink = false;
  void* Data = nullptr;  // for the entry's user, never owned

  // Copies everything except `Owner`, `Group` and `LinkTarget`.
  void Assign(const TFTPListItem& source);
};
