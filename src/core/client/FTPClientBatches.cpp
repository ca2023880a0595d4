// Requests on lists of names, and the recursive walks they use on folders.
#include <QDir>
#include <QFileInfo>
#include <memory>

#include "core/client/FTPClientThread.h"
#include "core/client/ThreadedFTPClient.h"
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
  const QString error = m_owner->LastError;
  Cwd(m_owner->HostDirName);
  if (m_owner->LastResult == ftpResultAborted) return false;
  m_owner->LastResult = ftpResultFailed;
  m_owner->LastError = error;
  return true;
}

std::unique_ptr<TFTPListItems> TFTPClientThread::ListInto(const QString& folder) {
  auto listing = std::make_unique<TFTPListItems>();
  TFTPListItems* outer = m_listing;
  m_listing = listing.get();
  ListFolder(folder);
  m_listing = outer;
  return listing;
}

void TFTPClientThread::AdvancingLoop(TFTPNameList* parallel, const std::function<void(int)>& step) {
  TThreadedFTPClient* o = m_owner;
  TFTPNameList& names = o->HostFileNames;
  int i = 0;
  while (i < names.Count() && (parallel == nullptr || i < parallel->Count())) {
    step(i);
    if (o->LastResult == ftpResultOk) {
      names.Delete(i);
      if (parallel != nullptr) parallel->Delete(i);
    } else if (o->LastResult == ftpResultFailed) {
      ++i;  // a failed entry stays for the done handler to see
    } else {
      return;
    }
  }
}

void TFTPClientThread::DoRemove() {
  TThreadedFTPClient* o = m_owner;
  EnsureConnected();
  if (o->LastResult != ftpResultOk) return;
  Cwd(o->HostDirName);
  if (o->LastResult != ftpResultOk) return;
  AdvancingLoop(nullptr, [this, o](int i) {
    const QString name = o->HostFileNames.Names(i);
    if (o->HostFileNames.Kinds(i) == TFTPNameList::kFolder) {
      RemoveTree(name);
      if (o->LastResult == ftpResultFailed && !BackToHostDir()) return;
    } else {
      m_engine->HostFileName = name;
      m_engine->DeleAsync();
      WaitForEngine();
    }
  });
}

void TFTPClientThread::RemoveTree(const QString& folder) {
  TThreadedFTPClient* o = m_owner;
  std::unique_ptr<TFTPListItems> listing = ListInto(folder);
  if (o->LastResult != ftpResultOk) return;
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (!entry->IsFile) continue;
    m_engine->HostFileName = entry->Name;
    m_engine->DeleAsync();
    WaitForEngine();
    if (o->LastResult != ftpResultOk) return;
  }
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (entry->IsFile || entry->IsLink) continue;
    RemoveTree(entry->Name);
    if (o->LastResult != ftpResultOk) return;
  }
  listing.reset();
  m_engine->CDupAsync();
  WaitForEngine();
  if (o->LastResult != ftpResultOk) return;
  m_engine->HostFileName = folder;
  m_engine->RmdAsync();
  WaitForEngine();
}

void TFTPClientThread::TransferEach(bool upload) {
  TThreadedFTPClient* o = m_owner;
  AdvancingLoop(&o->LocalFileNames, [this, o, upload](int i) {
    const QString remote = o->HostFileNames.Names(i);
    const QString local = o->LocalFileNames.Names(i);
    m_engine->HostFileName = remote;
    m_engine->SetLocalFileName(local);
    // Uploads take the kind from the local list, downloads from the remote one.
    const bool folder =
        (upload ? o->LocalFileNames.Kinds(i) : o->HostFileNames.Kinds(i)) == TFTPNameList::kFolder;
    if (folder) {
      upload ? UploadTree(remote, local) : DownloadTree(remote, local);
    } else {
      upload ? UploadOne() : DownloadOne();
    }
  });
}

void TFTPClientThread::DoDownloads() {
  TThreadedFTPClient* o = m_owner;
  EnsureConnected();
  if (o->LastResult != ftpResultOk) return;
  m_visitedFolders.clear();
  m_linkDepth = 0;
  TransferEach(false);
}

void TFTPClientThread::DownloadTree(const QString& remote, const QString& local) {
  TThreadedFTPClient* o = m_owner;
  if (!QFileInfo(local).isDir() && !QDir().mkdir(local)) {
    o->LastResult = ftpResultFailed;
    o->LastError = QStringLiteral("500 Cannot create folder [%1].").arg(local);
    Display(o->LastError);
    return;
  }
  std::unique_ptr<TFTPListItems> listing = ListInto(remote);
  if (o->LastResult != ftpResultOk) return;
  // A folder link may lead back into the tree: every folder is fetched once per request,
  // recognised by the path the server reports for it (resolved by some servers, as entered
  // by others).
  m_engine->PwdAsync();
  WaitForEngine();
  if (o->LastResult == ftpResultAborted) return;
  QString serverPath;
  if (o->LastResult == ftpResultOk && !m_engine->DirResult.isEmpty()) {
    serverPath = QDir::cleanPath(m_engine->DirResult);
    if (!m_visitedFolders.insert(serverPath).second) {
      Display(
          QStringLiteral("~ Folder [%1] was already downloaded; link not followed.").arg(remote));
      o->LastResult = ftpResultOk;
      return;
    }
  }
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (!entry->IsFile) continue;
    m_engine->HostFileName = entry->Name;
    m_engine->SetLocalFileName(LocalJoin(local, entry->Name));
    DownloadOne();
    if (o->LastResult != ftpResultOk) return;
  }
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (entry->IsFile) continue;
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
    DownloadTree(subfolder, LocalJoin(local, entry->Name));
    if (entry->IsLink) --m_linkDepth;
    if (o->LastResult != ftpResultOk) return;
  }
  o->LastResult = ftpResultOk;
}

void TFTPClientThread::DoUploads() {
  TThreadedFTPClient* o = m_owner;
  EnsureConnected();
  if (o->LastResult != ftpResultOk) return;
  TransferEach(true);
}

void TFTPClientThread::UploadTree(const QString& remote, const QString& local) {
  TThreadedFTPClient* o = m_owner;
  Cwd(remote);
  if (o->LastResult == ftpResultAborted) return;
  if (o->LastResult == ftpResultFailed) {
    m_engine->HostFileName = remote;
    m_engine->MkdAsync();
    WaitForEngine();
    if (o->LastResult != ftpResultOk) return;
    Cwd(remote);
    if (o->LastResult != ftpResultOk) return;
  }
  const QDir dir(local);
  const QFileInfoList entries = dir.entryInfoList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  for (const QFileInfo& entry : entries) {
    if (entry.fileName().startsWith(QLatin1Char('.')) || entry.isDir()) continue;
    m_engine->HostFileName = entry.fileName();
    m_engine->SetLocalFileName(LocalJoin(local, entry.fileName()));
    UploadOne();
    if (o->LastResult != ftpResultOk) return;
  }
  for (const QFileInfo& entry : entries) {
    if (entry.fileName().startsWith(QLatin1Char('.')) || !entry.isDir()) continue;
    UploadTree(remote + QLatin1Char('/') + entry.fileName(), LocalJoin(local, entry.fileName()));
    if (o->LastResult != ftpResultOk) return;
  }
  o->LastResult = ftpResultOk;
}

void TFTPClientThread::DoRenameEach(int request) {
  TThreadedFTPClient* o = m_owner;
  EnsureConnected();
  if (o->LastResult != ftpResultOk) return;
  Cwd(o->HostDirName);
  if (o->LastResult != ftpResultOk) return;
  AdvancingLoop(nullptr, [this, o, request](int i) {
    const QString name = o->HostFileNames.Names(i);
    QString target;
    if (request == rqUppercase) {
      target = AsciiCase(name, true);
    } else if (request == rqLowercase) {
      target = AsciiCase(name, false);
    } else {
      target = o->LocalDirName + name;
    }
    m_engine->HostFileName = name;
    m_engine->SetLocalFileName(target);
    m_engine->RenAsync();
    WaitForEngine();
  });
}

void TFTPClientThread::ChmodOne(const QString& name) {
  QuoteLine(QStringLiteral("SITE CHMOD %1 %2").arg(m_owner->LocalFileName, name));
}

void TFTPClientThread::DoChangePerms(bool recursive) {
  TThreadedFTPClient* o = m_owner;
  EnsureConnected();
  if (o->LastResult != ftpResultOk) return;
  Cwd(o->HostDirName);
  if (o->LastResult != ftpResultOk) return;
  while (!o->HostFileNames.IsEmpty()) {
    const QString name = o->HostFileNames.Names(0);
    ChmodOne(name);
    if (o->LastResult != ftpResultOk) return;
    if (recursive && o->HostFileNames.Kinds(0) == TFTPNameList::kFolder) {
      ChmodTree(name);
      if (o->LastResult == ftpResultAborted) return;
      if (o->LastResult == ftpResultFailed && !BackToHostDir()) return;
    }
    o->HostFileNames.Delete(0);
  }
}

void TFTPClientThread::ChmodTree(const QString& folder) {
  TThreadedFTPClient* o = m_owner;
  std::unique_ptr<TFTPListItems> listing = ListInto(folder);
  if (o->LastResult != ftpResultOk) return;
  for (int i = 0; i < listing->Count(); ++i) {
    ChmodOne(listing->Items(i)->Name);
    if (o->LastResult != ftpResultOk) return;
  }
  for (int i = 0; i < listing->Count(); ++i) {
    const TFTPListItem* entry = listing->Items(i);
    if (entry->IsFile) continue;
    ChmodTree(entry->Name);
    if (o->LastResult != ftpResultOk) return;
  }
  listing.reset();
  m_engine->CDupAsync();
  WaitForEngine();
}
