#include "core/ftp/FTPListItem.h"

void TFTPListItem::Assign(const TFTPListItem& source) {
  Permissions = source.Permissions;
  IsFile = source.IsFile;
  Name = source.Name;
  Size = source.Size;
  Year = source.Year;
  Month = source.Month;
  Day = source.Day;
  Hour = source.Hour;
  Minute = source.Minute;
  DateText = source.DateText;
  TimeText = source.TimeText;
  IconIndex = source.IconIndex;
  TypeName = source.TypeName;
  IsLink = source.IsLink;
  Data = source.Data;
}
