#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <memory>

// The program-wide icon and type-name cache. Remote entries are files that do not exist
// locally, yet they should look like local files of the same type, so icons and type names are
// decided from the name alone through the MIME database, never by touching a file.
//
// Icons are handed out as stable integer indexes, one per icon name; worker threads only ever
// see indexes, and the user-interface side builds the images for an index from `IconNames`.
// Every member may be called from any thread.
class TShellIcons {
 public:
  struct TFileType {
    int IconIndex = 0;
    QString TypeName;
  };

  // `locale` decides the word of the built type-name fallback ("File" or its Korean form).
  explicit TShellIcons(const QLocale& locale = QLocale::system());
  ~TShellIcons();
  TShellIcons(const TShellIcons&) = delete;
  TShellIcons& operator=(const TShellIcons&) = delete;

  int IconOf(QStringView fileName) const { return TypeOf(fileName).IconIndex; }
  QString TypeNameOf(QStringView fileName) const { return TypeOf(fileName).TypeName; }
  // Both at once, for callers that need the two (one lookup).
  TFileType TypeOf(QStringView fileName) const;

  int DesktopIcon() const { return m_desktopIcon; }
  int DrivesIcon() const { return m_drivesIcon; }
  int NetworkIcon() const { return m_networkIcon; }
  int RecycleBinIcon() const { return m_recycleBinIcon; }
  int FolderIcon() const { return m_folderIcon; }
  int OpenFolderIcon() const { return m_openFolderIcon; }
  int GenericFileIcon() const { return m_genericFileIcon; }
  QString FolderTypeName() const { return m_folderTypeName; }
  // The overlay number that marks links in trees and lists.
  int LinkOverlay() const { return 1; }

  // Theme icon names for an index, most specific first; empty for an unknown index.
  QStringList IconNames(int index) const;
  QString IconName(int index) const;
  int IconCount() const;

  // The type name used when the MIME database knows nothing of a name: the extension (dot
  // included) and a blank, then "File" (or the Korean word for a Korean user).
  static QString FallbackTypeName(QStringView fileName, bool korean);

 private:
  struct TState;
  int IndexOfIcon(const QStringList& names) const;
  TFileType Lookup(QStringView key) const;

  std::unique_ptr<TState> m_state;
  bool m_korean = false;
  int m_genericFileIcon = 0;
  int m_folderIcon = 0;
  int m_openFolderIcon = 0;
  int m_desktopIcon = 0;
  int m_drivesIcon = 0;
  int m_networkIcon = 0;
  int m_recycleBinIcon = 0;
  QString m_folderTypeName;
  QString m_plainFileTypeName;  // the type of a name without a suffix
};

// The one instance, created on first use (the program touches it before any window exists).
TShellIcons& ShellIcons();
