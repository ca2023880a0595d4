// Single-item requests, the listing with its link probe, and one-file transfers.
#include <QFileInfo>

#include "core/client/FTPClientThread.h"
#include "core/client/ThreadedFTPClient.h"
#include "core/common/TransferTypeRule.h"
#include "core/ftp/FTPListItems.h"
#include "core/ftp/FtpClientEx.h"

void TFTPClientThread::DoChangeFolder() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  Cwd(m_in.HostDirName);
}

void TFTPClientThread::DoGetFolder() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  Run(&TFtpClientEx::PwdAsync);
}

void TFTPClientThread::DoGetListItems() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  if (m_in.ListItems == nullptr) {
    Fail(QStringLiteral("No list to fill."));
    return;
  }
  ListFolder(m_in.HostDirName, *m_in.ListItems);
}

void TFTPClientThread::DoRename() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  TFtpClientEx& e = m_session->Engine();
  e.HostFileName = m_in.HostFileName;
  e.SetLocalFileName(m_in.LocalFileName);
  Run(&TFtpClientEx::RenAsync);
}

void TFTPClientThread::DoMakeFolder() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  m_session->Engine().HostFileName = m_in.HostFileName;
  Run(&TFtpClientEx::MkdAsync);
}

void TFTPClientThread::DoQuote() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  m_session->Quote(m_in.LocalFileName);
}

void TFTPClientThread::DoQuit() {
  if (!m_session->Engine().Connected) return;  // LastResult stays as it was
  Run(&TFtpClientEx::QuitAsync);
}

void TFTPClientThread::DoDownloadFile() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  TFtpClientEx& e = m_session->Engine();
  e.HostFileName = m_in.HostFileName;
  e.SetLocalFileName(m_in.LocalFileName);
  DownloadOne();
}

void TFTPClientThread::DoUploadFile() {
  EnsureConnected();
  if (Result() != ftpResultOk) return;
  TFtpClientEx& e = m_session->Engine();
  e.HostFileName = m_in.HostFileName;
  e.SetLocalFileName(m_in.LocalFileName);
  UploadOne();
}

void TFTPClientThread::ChooseTransferType() {
  const TFTPTransferType type = m_in.TransferType;
  QStringList exts;
  if (type == ftpTypeAuto && m_in.ASCIIExts) exts = *m_in.ASCIIExts->Get();
  const TFtpClientEx& e = m_session->Engine();
  m_session->SetType(TransferTypeForFile(e.LocalFileName(), type, exts) != ftpTypeASCII);
}

void TFTPClientThread::ListFolder(const QString& folder, TFTPListItems& items,
                                  bool skipCwdWhenThere) {
  m_owner->FileSize = -1;
  m_session->ListFolder(folder, items, skipCwdWhenThere);
}

void TFTPClientThread::DownloadOne(qint64 listedSize) {
  ChooseTransferType();
  if (Result() != ftpResultOk) return;
  TFtpClientEx& e = m_session->Engine();
  if (listedSize >= 0) {
    m_owner->FileSize = listedSize;  // a tree walk has it from the listing: no SIZE
  } else {
    if (Run(&TFtpClientEx::SizeAsync) == ftpResultAborted) return;
    m_owner->FileSize = Result() == ftpResultOk ? e.SizeResult : -1;
  }
  Run(m_in.ResumeTransfer && m_resumeSupported ? &TFtpClientEx::RestGetAsync
                                               : &TFtpClientEx::GetAsync);
}

void TFTPClientThread::UploadOne() {
  ChooseTransferType();
  if (Result() != ftpResultOk) return;
  const QFileInfo local(m_session->Engine().LocalFileName());
  m_owner->FileSize = local.exists() && local.isFile() ? local.size() : -1;
  m_session->Store(m_in.ResumeTransfer && m_resumeSupported);
}
