#pragma once

#include <QString>
#include <QtGlobal>

class TFTPListItem;

// The file list's selection counters, kept up to date one item at a time as the view reports
// selection changes.
class TFileSelectionStatus {
 public:
  void Clear();
  void Change(const TFTPListItem& entry, bool selected);

  int SelectedFolders() const { return m_folders; }
  int SelectedFiles() const { return m_files; }
  qint64 SelectedSize() const { return m_size; }
  // Empty while nothing is selected.
  QString Text() const;

 private:
  int m_folders = 0;
  int m_files = 0;
  qint64 m_size = 0;
};
