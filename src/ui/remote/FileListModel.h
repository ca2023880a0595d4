#pragma once

#include <QAbstractTableModel>
#include <QCollator>
#include <QtGlobal>
#include <vector>

#include "core/common/Masks.h"
#include "core/ftp/FTPListItems.h"

// What one file list row shows: an entry of the selected folder's listing, not owned.
struct TFileListData {
  TFTPListItem* Entry = nullptr;
};

// The remote file list: the entries of one folder's listing in five columns, filtered by file
// masks and sorted by `SortColumn` (1-based column, negative for descending). One row per
// entry, no object per row beyond a pointer, so large folders stay cheap.
class TFileListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum Columns {
    NameColumn,
    SizeColumn,
    TypeColumn,
    ModifiedColumn,
    PermissionColumn,
    ColumnCount
  };
  enum Roles {
    EntryRole = Qt::UserRole + 1,  // the TFTPListItem* of the row
    IconIndexRole,
    LinkOverlayRole,  // true for links, to files or folders
    GhostedRole,      // true for a folder typed in rather than listed
  };

  explicit TFileListModel(QObject* parent = nullptr);

  static QString ColumnCaption(int column);
  static int ColumnWidth(int column);

  // Shows the listing's folders and the files the filter lets through, sorted. `listing` stays
  // owned by its tree node and must outlive its rows (or be replaced by another Fill / Clear).
  void FillFileList(const TFTPListItems* listing, const TMasks& filter);
  void Clear();
  // Appends a row without sorting (new folders and uploads take their place at the next fill).
  int AddFileItem(TFTPListItem* entry);
  void RemoveFileItem(int row);

  int ShownFolders() const { return m_folders; }
  int ShownFiles() const { return m_files; }
  qint64 ShownSize() const { return m_size; }
  // "%d Folders, %d Files, %s" of the rows the last fill showed.
  QString FileStatusText() const;
  // The file pane's title: the folder's path and the filter's masks.
  static QString FileTitleText(const QString& folderPath, const TMasks& filter);

  int SortColumn() const { return m_sortColumn; }
  void SetSortColumn(int sortColumn);
  // A click on header section `section` (0-based): the same column again reverses the order.
  void HeaderClicked(int section) { ArrangeBy(section + 1); }
  void ArrangeBy(int column);
  int SortSection() const;
  Qt::SortOrder SortOrder() const;

  // < 0, 0 or > 0; descending order (negative `sortColumn`) lists files before folders.
  int CompareFileItems(const TFTPListItem& a, const TFTPListItem& b, int sortColumn) const;

  TFTPListItem* EntryAt(int row) const { return m_rows.at(size_t(row)).Entry; }
  int RowOf(const TFTPListItem* entry) const;
  static QString CellText(const TFTPListItem& entry, int column);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

 private:
  void SortRows();

  std::vector<TFileListData> m_rows;
  int m_sortColumn = 1;
  int m_folders = 0;
  int m_files = 0;
  qint64 m_size = 0;
  QCollator m_collator;
};
