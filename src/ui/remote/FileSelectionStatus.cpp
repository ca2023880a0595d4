#include "ui/remote/FileSelectionStatus.h"

#include "core/common/PathHelpers.h"
#include "core/ftp/FTPListItem.h"

void TFileSelectionStatus::Clear() {
  m_folders = 0;
  m_files = 0;
  m_size = 0;
}

void TFileSelectionStatus::Change(const TFTPListItem& entry, bool selected) {
  const int step = selected ? 1 : -1;
  if (!entry.IsFile) {
    m_folders += step;
    return;
  }
  m_files += step;
  m_size += selected ? entry.Size : -entry.Size;
}

QString TFileSelectionStatus::Text() const {
  if (m_folders == 0 && m_files == 0) return {};
  return QStringLiteral("%1 Folders, %2 Files Selected, %3")
      .arg(m_folders)
      .arg(m_files)
      .arg(FormatFileSize(m_size));
}
