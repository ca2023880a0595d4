// Requests on lists of names, and the recursive walks they use on folders.
#include <QDir>
#include <QFileInfo>
#include <memory>
#include <vector>

#include "core/client/FTPClientThread.h"
#include "core/client/ThreadedFTPClient.h"
#include "core/common/SafeLocalName.h"
#include "core/ftp/FTPListItems.h"
#include "core/ftp/FtpClientEx.h"

namespace {

// Case changes touch the ASCII letters only.
QString AsciiCase(const QString& name, bool upper) {
  QString out = name;
  for (QChar& c : out) {
    const char16_t u = c.unicode();
    if (upper && u >= 'a' && u <= 'z') c = QChar(char16_t(u - 32));
    if (!upper && u >= 'A' && u <= 'Z') c = QChar(char16_t(u + 32));
  }
  return out;
}

QString LocalJoin(const QString& folder, const QString& name) {
  return folder.endsWith(QDir::separator()) ? folder + name : folder + QDir::separator() + name;
}

// Where a folder link leads, as a server path resolved against the folder that lists it.
QString LinkedFolder(const QString& folder, const TFTPListItem& entry) {
  if (!entry.IsLink || entry.LinkTarget.isEmpty() || folder.isEmpty()) return QString();
  const QString target = entry.LinkTarget.startsWith(QLatin1Char('/'))
                             ? entry.LinkTarget
                             : folder + QLatin1Char('/') + entry.LinkTarget;
  return QDir::cleanPath(target);
}

// Servers that report the path as entered (not resolved) would otherwise follow a link that
// points at an ancestor for as long as the path grows; past this many links we stop.
constexpr int kMaxLinkDepth = 8;

}  // namespace

bool TFTPClientThread::BackToHostDir() {
  // A walk that failed inside a subfolder leaves the server there; the failure stays the
  // outcome, only an abort of the way back counts.
  const QString error = m_session->Error;
  if (Cwd(m_in.HostDirName) == ftpResultAborted) return false;
  Fail(error);
  return true;
}

std::unique_ptr<TFTPListItems> TFTPClientThread::ListInto(const QString& folder) {
  auto listing = std::make_unique<TFTPListItems>();
  ListFolder(folder, *listing, true);
  return listing;
}

void TFTPClientThread::AdvancingLoop(TFTPNameList* parallel, const std::function<void(int)>& step) {
  TFTPNameList& names = m_in.HostFileNames;
  int i = 0;
  while (i < names.Count() && (parallel == nullptr || i < parallel->Count())) {
    step(i);
    if (Result() == ftpResultOk) {
      names.Delete(i);
      if (parallel != nullptr) parallel->Delete(i);
    } else if (Result() == ftpResultFailed) {
      ++i;  // a failed entry stays for the done handler to see
    } else {
      return;
    }
  }
}

void TFTPClientThread::DoRemove() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  if (Cwd(m_in.HostDirName) != ftpResultOk) return;
  AdvancingLoop(nullptr, [this](int i) {
    const QString name = m_in.HostFileNames.Names(i);
    if (m_in.HostFileNames.Kinds(i) == TFTPNameList::kFolder) {
      RemoveTree(name);
      if (Result() == ftpResultFailed && !BackToHostDir()) return;
    } else {
      m_session->Engine().HostFileName = name;
      Run(&TFtpClientEx::DeleAsync);
    }
  });
}

void TFTPClientThread::RemoveTree(const QString& folder) {
  std::unique_ptr<TFTPListItems> listing = ListInto(folder);
  if (Result() != ftpResultOk) return;
  TFtpClientEx& e = m_session->Engine();
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (!entry->IsFile) continue;
    e.HostFileName = entry->Name;
    if (Run(&TFtpClientEx::DeleAsync) != ftpResultOk) return;
  }
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (entry->IsFile || entry->IsLink) continue;
    RemoveTree(entry->Name);
    if (Result() != ftpResultOk) return;
  }
  listing.reset();
  if (Run(&TFtpClientEx::CDupAsync) != ftpResultOk) return;
  e.HostFileName = folder;
  Run(&TFtpClientEx::RmdAsync);
}

void TFTPClientThread::TransferEach(bool upload) {
  AdvancingLoop(&m_in.LocalFileNames, [this, upload](int i) {
    const QString remote = m_in.HostFileNames.Names(i);
    const QString local = m_in.LocalFileNames.Names(i);
    TFtpClientEx& e = m_session->Engine();
    e.HostFileName = remote;
    e.SetLocalFileName(local);
    // Uploads take the kind from the local list, downloads from the remote one.
    const bool folder = (upload ? m_in.LocalFileNames.Kinds(i) : m_in.HostFileNames.Kinds(i)) ==
                        TFTPNameList::kFolder;
    if (!folder) {
      upload ? UploadOne() : DownloadOne();
    } else if (upload) {
      UploadTree(remote, local);
    } else {
      m_skippedNames.clear();
      DownloadTree(remote, local);
      // The rest of the tree came; the entry still counts as failed.
      if (Result() == ftpResultOk && !m_skippedNames.isEmpty()) Fail(m_skippedNames);
    }
  });
}

void TFTPClientThread::DoDownloads() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  m_visitedFolders.clear();
  m_linkDepth = 0;
  TransferEach(false);
}

void TFTPClientThread::DownloadTree(const QString& remote, const QString& local) {
  if (!QFileInfo(local).isDir() && !QDir().mkdir(local)) {
    Fail(QStringLiteral("500 Cannot create folder [%1].").arg(local));
    Display(m_session->Error);
    return;
  }
  std::unique_ptr<TFTPListItems> listing = ListInto(remote);
  if (Result() != ftpResultOk) return;
  TFtpClientEx& e = m_session->Engine();
  // A folder link may lead back into the tree: every folder is fetched once per request,
  // recognised by the path the server reports for it (resolved by some servers, as entered
  // by others).
  if (Run(&TFtpClientEx::PwdAsync) == ftpResultAborted) return;
  QString serverPath;
  if (Result() == ftpResultOk && !e.DirResult.isEmpty()) {
    serverPath = QDir::cleanPath(e.DirResult);
    if (!m_visitedFolders.insert(serverPath).second) {
      Display(
          QStringLiteral("~ Folder [%1] was already downloaded; link not followed.").arg(remote));
      m_session->Result = ftpResultOk;
      return;
    }
  }
  // Each entry's local path, or empty for a name that must not become one.
  std::vector<QString> locals(size_t(listing->Count()));
  for (int i = 0; i < listing->Count(); ++i) {
    const QString& name = listing->Items(i)->Name;
    locals[size_t(i)] = SafeLocalPath(local, name);
    if (!locals[size_t(i)].isEmpty()) continue;
    const QString line = QStringLiteral("! ") + UnsafeNameText(name);
    Display(line);
    if (m_skippedNames.isEmpty()) m_skippedNames = line;
  }
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (!entry->IsFile || locals[size_t(i)].isEmpty()) continue;
    e.HostFileName = entry->Name;
    e.SetLocalFileName(locals[size_t(i)]);
    // A link's listed size is the link's own, not its target's.
    DownloadOne(entry->IsLink ? -1 : entry->Size);
    if (Result() != ftpResultOk) return;
  }
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (entry->IsFile || locals[size_t(i)].isEmpty()) continue;
    const QString subfolder = remote + QLatin1Char('/') + entry->Name;
    if (entry->IsLink) {
      const QString target = LinkedFolder(serverPath, *entry);
      if (m_visitedFolders.count(target) != 0) {
        Display(QStringLiteral("~ Folder [%1] was already downloaded; link not followed.")
                    .arg(subfolder));
        continue;
      }
      if (m_linkDepth >= kMaxLinkDepth) {
        Display(QStringLiteral("~ Folder [%1] lies behind too many links; link not followed.")
                    .arg(subfolder));
        continue;
      }
      ++m_linkDepth;
    }
    DownloadTree(subfolder, locals[size_t(i)]);
    if (entry->IsLink) --m_linkDepth;
    if (Result() != ftpResultOk) return;
  }
  m_session->Result = ftpResultOk;
}

void TFTPClientThread::DoUploads() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  TransferEach(true);
}

void TFTPClientThread::UploadTree(const QString& remote, const QString& local) {
  if (Cwd(remote) == ftpResultAborted) return;
  TFtpClientEx& e = m_session->Engine();
  if (Result() == ftpResultFailed) {
    e.HostFileName = remote;
    if (Run(&TFtpClientEx::MkdAsync) != ftpResultOk) return;
    if (Cwd(remote) != ftpResultOk) return;
  }
  const QDir dir(local);
  const QFileInfoList entries = dir.entryInfoList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  for (const QFileInfo& entry : entries) {
    if (entry.fileName().startsWith(QLatin1Char('.')) || entry.isDir()) continue;
    e.HostFileName = entry.fileName();
    e.SetLocalFileName(LocalJoin(local, entry.fileName()));
    UploadOne();
    if (Result() != ftpResultOk) return;
  }
  for (const QFileInfo& entry : entries) {
    if (entry.fileName().startsWith(QLatin1Char('.')) || !entry.isDir()) continue;
    UploadTree(remote + QLatin1Char('/') + entry.fileName(), LocalJoin(local, entry.fileName()));
    if (Result() != ftpResultOk) return;
  }
  m_session->Result = ftpResultOk;
}

void TFTPClientThread::DoRenameEach(int request) {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  if (Cwd(m_in.HostDirName) != ftpResultOk) return;
  AdvancingLoop(nullptr, [this, request](int i) {
    const QString name = m_in.HostFileNames.Names(i);
    QString target;
    if (request == rqUppercase) {
      target = AsciiCase(name, true);
    } else if (request == rqLowercase) {
      target = AsciiCase(name, false);
    } else {
      target = m_in.LocalDirName + name;
    }
    TFtpClientEx& e = m_session->Engine();
    e.HostFileName = name;
    e.SetLocalFileName(target);
    Run(&TFtpClientEx::RenAsync);
  });
}

void TFTPClientThread::ChmodOne(const QString& name) {
  m_session->Quote(QStringLiteral("SITE CHMOD %1 %2").arg(m_in.LocalFileName, name));
}

void TFTPClientThread::DoChangePerms(bool recursive) {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  if (Cwd(m_in.HostDirName) != ftpResultOk) return;
  TFTPNameList& names = m_in.HostFileNames;
  while (!names.IsEmpty()) {
    const QString name = names.Names(0);
    ChmodOne(name);
    if (Result() != ftpResultOk) return;
    if (recursive && names.Kinds(0) == TFTPNameList::kFolder) {
      ChmodTree(name);
      if (Result() == ftpResultAborted) return;
      if (Result() == ftpResultFailed && !BackToHostDir()) return;
    }
    names.Delete(0);
  }
}

void TFTPClientThread::ChmodTree(const QString& folder) {
  std::unique_ptr<TFTPListItems> listing = ListInto(folder);
  if (Result() != ftpResultOk) return;
  for (int i = 0; i < listing->Count(); ++i) {
    ChmodOne(listing->Items(i)->Name);
    if (Result() != ftpResultOk) return;
  }
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (entry->IsFile) continue;
    ChmodTree(entry->Name);
    if (Result() != ftpResultOk) return;
  }
  listing.reset();
  Run(&TFtpClientEx::CDupAsync);
}
