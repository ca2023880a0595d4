#include "core/client/FTPClientThread.h"

#include "core/client/ThreadedFTPClient.h"
#include "core/ftp/FtpClientEx.h"

TFTPClientThread::TFTPClientThread(TThreadedFTPClient* owner)
    : TEngineWorker(rqAbort), m_owner(owner) {}

TFTPClientThread::~TFTPClientThread() = default;

TFtpClientEx* TFTPClientThread::Engine() const {
  return m_session ? &m_session->Engine() : nullptr;
}

void TFTPClientThread::run() {
  m_session = std::make_unique<TFtpSession>(
      *this, TFtpSession::TLogStyle::Client, [this](const QString& line) { Display(line); },
      m_outcome);
  m_session->Engine().OnTransferState = [this](TCustomFtpClientEx*, qint64 position,
                                               qint64 transfered, double elapsed) {
    Sync([this, position, transfered, elapsed] {
      if (m_owner->OnTransferStatus)
        m_owner->OnTransferStatus(m_owner, position, transfered, elapsed);
    });
  };
  m_owner->ThreadReady = true;
  SignalReady();
  RunLoop();
  m_session.reset();
  m_owner->ThreadReady = false;
}

void TFTPClientThread::Display(const QString& line) {
  Sync([this, &line] {
    if (m_owner->OnDisplay) m_owner->OnDisplay(m_owner, line);
  });
}

void TFTPClientThread::Dispatch(int request) {
  if (request < rqConnect || request > rqMove) return;
  RunRequest(request);
}

void TFTPClientThread::RequestEscaped(int request, const QString& what) {
  // Whatever went wrong, the caller still gets its done event: the request failed.
  if (m_currentRequest != request) return;
  m_session->SetFailed(what);
  Display(QStringLiteral("! ") + what);
  FinishRequest(request);
}

namespace {

QString StatusLine(int request) {
  switch (request) {
    case rqConnect:
      return QStringLiteral("% Connecting");
    case rqChangeFolder:
      return QStringLiteral("% Changing Path");
    case rqGetFolder:
      return QStringLiteral("% Getting Path");
    case rqGetListItems:
      return QStringLiteral("% Listing");
    case rqRename:
      return QStringLiteral("% Renaming");
    case rqRemove:
      return QStringLiteral("% Removing");
    case rqDownloadFile:
    case rqDownloads:
      return QStringLiteral("% Downloading");
    case rqUploadFile:
    case rqUploads:
      return QStringLiteral("% Uploading");
    case rqMakeFolder:
      return QStringLiteral("% Making Folder");
    case rqQuit:
      return QStringLiteral("% Quiting");
    case rqChangePerms:
    case rqChangePermsRecursive:
      return QStringLiteral("% Changing Permission");
    case rqUppercase:
      return QStringLiteral("% Uppercasing");
    case rqLowercase:
      return QStringLiteral("% Lowercasing");
    case rqQuote:
      return QStringLiteral("% Quoting");
    case rqMove:
      return QStringLiteral("% Moving");
    default:
      return QString();
  }
}

TFTPNotifyEvent TThreadedFTPClient::*DoneEventOf(int request) {
  switch (request) {
    case rqConnect:
      return &TThreadedFTPClient::OnConnectDone;
    case rqChangeFolder:
      return &TThreadedFTPClient::OnChangeFolderDone;
    case rqGetFolder:
      return &TThreadedFTPClient::OnGetFolderDone;
    case rqGetListItems:
      return &TThreadedFTPClient::OnGetListItemsDone;
    case rqRename:
      return &TThreadedFTPClient::OnRenameDone;
    case rqRemove:
      return &TThreadedFTPClient::OnRemoveDone;
    case rqDownloadFile:
      return &TThreadedFTPClient::OnDownloadFileDone;
    case rqUploadFile:
      return &TThreadedFTPClient::OnUploadFileDone;
    case rqMakeFolder:
      return &TThreadedFTPClient::OnMakeFolderDone;
    case rqDownloads:
      return &TThreadedFTPClient::OnDownloadsDone;
    case rqUploads:
      return &TThreadedFTPClient::OnUploadsDone;
    case rqQuit:
      return &TThreadedFTPClient::OnQuitDone;
    case rqChangePerms:
    case rqChangePermsRecursive:
      return &TThreadedFTPClient::OnChangePermsDone;
    case rqUppercase:
      return &TThreadedFTPClient::OnUppercaseDone;
    case rqLowercase:
      return &TThreadedFTPClient::OnLowercaseDone;
    case rqQuote:
      return &TThreadedFTPClient::OnQuoteDone;
    case rqMove:
      return &TThreadedFTPClient::OnMoveDone;
    default:
      return nullptr;
  }
}

// The batch requests report the names that remained; the others leave the lists alone.
bool KeepsNames(int request) {
  switch (request) {
    case rqRemove:
    case rqChangePerms:
    case rqChangePermsRecursive:
    case rqUppercase:
    case rqLowercase:
    case rqMove:
    case rqDownloads:
    case rqUploads:
      return true;
    default:
      return false;
  }
}

bool UsesLocalNames(int request) {
  return request == rqDownloads || request == rqUploads;
}

}  // namespace

void TFTPClientThread::TakeInput() {
  m_in = *m_owner;
  m_session->Engine().InactivityTimeout = m_in.Timeout;
}

void TFTPClientThread::RunRequest(int request) {
  m_currentRequest = request;
  TakeInput();
  Display(StatusLine(request));
  switch (request) {
    case rqConnect:
      DoConnect();
      break;
    case rqChangeFolder:
      DoChangeFolder();
      break;
    case rqGetFolder:
      DoGetFolder();
      break;
    case rqGetListItems:
      DoGetListItems();
      break;
    case rqRename:
      DoRename();
      break;
    case rqRemove:
      DoRemove();
      break;
    case rqDownloadFile:
      DoDownloadFile();
      break;
    case rqUploadFile:
      DoUploadFile();
      break;
    case rqMakeFolder:
      DoMakeFolder();
      break;
    case rqDownloads:
      DoDownloads();
      break;
    case rqUploads:
      DoUploads();
      break;
    case rqQuit:
      DoQuit();
      break;
    case rqChangePerms:
      DoChangePerms(false);
      break;
    case rqChangePermsRecursive:
      DoChangePerms(true);
      break;
    case rqUppercase:
    case rqLowercase:
    case rqMove:
      DoRenameEach(request);
      break;
    case rqQuote:
      DoQuote();
      break;
    default:
      break;
  }
  FinishRequest(request);
}

void TFTPClientThread::FinishRequest(int request) {
  TThreadedFTPClient* o = m_owner;
  TFtpClientEx& engine = m_session->Engine();
  const quint8 result = m_session->Result;
  const QString error = m_session->Error;
  const QString address = engine.ResolvedAddr;
  const QString folder = engine.DirResult;
  TFTPNotifyEvent TThreadedFTPClient::*event = DoneEventOf(request);
  // One hand-over publishes every result and runs the handler; the lists are cleared after
  // it unless the handler has started the next request, whose names they now are.
  Sync([&] {
    o->LastResult = result;
    o->LastError = error;
    o->SystemType = m_systemType;
    o->ResumeSupported = m_resumeSupported;
    o->m_serverAddress = address;
    o->m_serverFolder = folder;
    if (KeepsNames(request)) {
      o->HostFileNames = m_in.HostFileNames;
      if (UsesLocalNames(request)) o->LocalFileNames = m_in.LocalFileNames;
    }
    o->Busy = false;
    const quint64 serial = o->m_requestSerial;
    if (event != nullptr) {
      // Copied first: a handler may replace itself before the next request.
      const TFTPNotifyEvent handler = o->*event;
      if (handler) handler(o);
    }
    if (KeepsNames(request) && o->m_requestSerial == serial) {
      o->HostFileNames.Clear();
      if (UsesLocalNames(request)) o->LocalFileNames.Clear();
    }
  });
  m_in.HostFileNames.Clear();
  m_in.LocalFileNames.Clear();
  m_in.ListItems = nullptr;
  Display(QStringLiteral("% Idle"));
  m_currentRequest = 0;
}
