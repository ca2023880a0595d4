// Single-item requests, the listing with its link probe, and one-file transfers.
#include <QBuffer>
#include <QFileInfo>

#include "core/client/FTPClientThread.h"
#include "core/client/ThreadedFTPClient.h"
#include "core/common/ShellIcons.h"
#include "core/common/TransferTypeRule.h"
#include "core/ftp/DecodeFTPListFile.h"
#include "core/ftp/FTPListItems.h"
#include "core/ftp/FtpClientEx.h"

void TFTPClientThread::Cwd(const QString& folder) {
  m_engine->HostDirName = folder;
  m_engine->CwdAsync();
  WaitForEngine();
}

void TFTPClientThread::QuoteLine(const QString& line) {
  m_engine->SetLocalFileName(line);
  m_engine->QuoteAsync();
  WaitForEngine();
}

void TFTPClientThread::DoChangeFolder() {
  EnsureConnected();
  if (m_owner->LastResult != ftpResultOk) return;
  Cwd(m_owner->HostDirName);
}

void TFTPClientThread::DoGetFolder() {
  EnsureConnected();
  if (m_owner->LastResult != ftpResultOk) return;
  m_engine->PwdAsync();
  WaitForEngine();
}

void TFTPClientThread::DoGetListItems() {
  EnsureConnected();
  if (m_owner->LastResult != ftpResultOk) return;
  m_listing = m_owner->ListItems;
  if (m_listing == nullptr) {
    m_owner->LastResult = ftpResultFailed;
    m_owner->LastError = QStringLiteral("No list to fill.");
    return;
  }
  ListFolder(m_owner->HostDirName);
  m_listing = nullptr;
}

void TFTPClientThread::DoRename() {
  EnsureConnected();
  if (m_owner->LastResult != ftpResultOk) return;
  m_engine->HostFileName = m_owner->HostFileName;
  m_engine->SetLocalFileName(m_owner->LocalFileName);
  m_engine->RenAsync();
  WaitForEngine();
}

void TFTPClientThread::DoMakeFolder() {
  EnsureConnected();
  if (m_owner->LastResult != ftpResultOk) return;
  m_engine->HostFileName = m_owner->HostFileName;
  m_engine->MkdAsync();
  WaitForEngine();
}

void TFTPClientThread::DoQuote() {
  EnsureConnected();
  if (m_owner->LastResult != ftpResultOk) return;
  QuoteLine(m_owner->LocalFileName);
}

void TFTPClientThread::DoQuit() {
  if (!m_engine->Connected) return;  // LastResult stays as it was
  m_engine->QuitAsync();
  WaitForEngine();
}

void TFTPClientThread::DoDownloadFile() {
  EnsureConnected();
  if (m_owner->LastResult != ftpResultOk) return;
  m_engine->HostFileName = m_owner->HostFileName;
  m_engine->SetLocalFileName(m_owner->LocalFileName);
  DownloadOne();
}

void TFTPClientThread::DoUploadFile() {
  EnsureConnected();
  if (m_owner->LastResult != ftpResultOk) return;
  m_engine->HostFileName = m_owner->HostFileName;
  m_engine->SetLocalFileName(m_owner->LocalFileName);
  UploadOne();
}

void TFTPClientThread::SetTransferType() {
  if (m_typeKnown && m_engine->Binary() == m_lastBinary) {
    m_owner->LastResult = ftpResultOk;
    return;
  }
  m_engine->TypeSetAsync();
  WaitForEngine();
  if (m_owner->LastResult == ftpResultOk) {
    m_typeKnown = true;
    m_lastBinary = m_engine->Binary();
  }
}

void TFTPClientThread::ChooseTransferType() {
  const TFTPTransferType type = m_owner->TransferType;
  QStringList exts;
  if (type == ftpTypeAuto && m_owner->ASCIIExts) exts = *m_owner->ASCIIExts->Get();
  m_engine->SetBinary(TransferTypeForFile(m_engine->LocalFileName(), type, exts) != ftpTypeASCII);
  SetTransferType();
}

void TFTPClientThread::ListFolder(const QString& folder) {
  m_owner->FileSize = -1;
  Cwd(folder);
  if (m_owner->LastResult != ftpResultOk) return;

  m_engine->HostFileName.clear();
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  m_engine->SetLocalStream(&buffer);
  m_engine->DirAsync();
  WaitForEngine();
  m_engine->SetLocalStream(nullptr);
  if (m_owner->LastResult != ftpResultOk) return;
  LoadListing(buffer.data(), *m_listing);
  buffer.close();
  if (!m_listing->HasLinks) return;

  Display(QStringLiteral("~ Auto-detecting link property..."));
  HookLogging(false);
  int folders = 0;
  int files = 0;
  bool enteredFolder = false;
  for (int i = 0; i < m_listing->Count(); ++i) {
    TFTPListItem* entry = m_listing->Items(i);
    if (!entry->IsLink) continue;
    Cwd(folder + QLatin1Char('/') + entry->Name);
    if (m_owner->LastResult == ftpResultAborted) {
      HookLogging(true);
      return;
    }
    if (m_owner->LastResult == ftpResultOk) {
      entry->IsFile = false;
      entry->Size = -1;
      entry->IconIndex = ShellIcons().FolderIcon();
      entry->TypeName = ShellIcons().FolderTypeName();
      ++folders;
      enteredFolder = true;
    } else {
      entry->IsFile = true;
      entry->IconIndex = ShellIcons().IconOf(entry->Name);
      entry->TypeName = ShellIcons().TypeNameOf(entry->Name);
      ++files;
    }
  }
  // A link into a folder moved the server away: go back where the listing was made.
  if (enteredFolder && folder.startsWith(QLatin1Char('/'))) {
    Cwd(folder);
    if (m_owner->LastResult == ftpResultAborted) {
      HookLogging(true);
      return;
    }
  }
  Display(QStringLiteral("~ %1 folder and %2 file links detected.").arg(folders).arg(files));
  HookLogging(true);
  m_owner->LastResult = ftpResultOk;
}

void TFTPClientThread::DownloadOne() {
  ChooseTransferType();
  if (m_owner->LastResult != ftpResultOk) return;
  m_engine->SizeAsync();
  WaitForEngine();
  if (m_owner->LastResult == ftpResultAborted) return;
  m_owner->FileSize = m_owner->LastResult == ftpResultOk ? m_engine->SizeResult : -1;
  if (m_owner->ResumeTransfer && m_owner->ResumeSupported) {
    m_engine->RestGetAsync();
  } else {
    m_engine->GetAsync();
  }
  WaitForEngine();
}

void TFTPClientThread::UploadOne() {
  ChooseTransferType();
  if (m_owner->LastResult != ftpResultOk) return;
  const QFileInfo local(m_engine->LocalFileName());
  m_owner->FileSize = local.exists() && local.isFile() ? local.size() : -1;
  bool append = false;
  if (m_owner->ResumeTransfer && m_owner->ResumeSupported) {
    m_engine->SizeAsync();
    WaitForEngine();
    if (m_owner->LastResult == ftpResultAborted) return;
    if (m_owner->LastResult == ftpResultOk) {
      m_engine->ResumeAt = m_engine->SizeResult;
      append = true;
    }
  }
  if (append) {
    m_engine->AppendAsync();
  } else {
    m_engine->PutAsync();
  }
  WaitForEngine();
  m_engine->ResumeAt = 0;
}
