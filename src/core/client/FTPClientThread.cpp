#include "core/client/FTPClientThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>

#include "core/client/ThreadedFTPClient.h"
#include "core/common/LogLineKind.h"
#include "core/ftp/FtpClientEx.h"

namespace {
const QString kAbortedLine = QStringLiteral("! Operation aborted.");
}  // namespace

TFTPClientThread::TFTPClientThread(TThreadedFTPClient* owner)
    : TEngineWorker(rqAbort), m_owner(owner) {}

TFTPClientThread::~TFTPClientThread() = default;

void TFTPClientThread::run() {
  auto engine = std::make_unique<TFtpClientEx>();
  m_engine = engine.get();
  m_engine->MultiThreaded = true;
  HookLogging(true);
  m_engine->OnConnectState = [this](TCustomFtpClientEx*, TFTPConnectState state) {
    ConnectStateLine(state);
  };
  m_engine->OnTransferState = [this](TCustomFtpClientEx*, qint64 position, qint64 transfered,
                                     double elapsed) {
    Sync([this, position, transfered, elapsed] {
      if (m_owner->OnTransferStatus)
        m_owner->OnTransferStatus(m_owner, position, transfered, elapsed);
    });
  };
  m_engine->OnRequestDone = [this](TCustomFtpClientEx*, TFtpRequest, quint16 error) {
    m_requestDone = true;
    m_requestError = error;
  };
  m_owner->ThreadReady = true;
  RunLoop();
  m_engine = nullptr;
  engine.reset();
  m_owner->ThreadReady = false;
}

void TFTPClientThread::HookLogging(bool on) {
  if (!on) {
    m_engine->OnCommand = nullptr;
    m_engine->OnResponse = nullptr;
    return;
  }
  m_engine->OnCommand = [this](TCustomFtpClientEx*, QString& command) {
    Display(CommandLogLine(command));
  };
  m_engine->OnResponse = [this](TCustomFtpClientEx* engine) {
    Display(QStringLiteral("< ") + engine->LastResponse);
  };
}

void TFTPClientThread::Sync(const std::function<void()>& call) {
  TEngineWorker::Sync(m_owner, call);
}

void TFTPClientThread::Display(const QString& line) {
  Sync([this, line] {
    if (m_owner->OnDisplay) m_owner->OnDisplay(m_owner, line);
  });
}

void TFTPClientThread::Dispatch(int request) {
  if (request < rqConnect || request > rqMove) return;
  RunRequest(request);
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

}  // namespace

void TFTPClientThread::RunRequest(int request) {
  m_currentRequest = request;
  m_engine->InactivityTimeout = m_owner->Timeout;
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
  m_owner->Busy = false;
  FireDone(request);
  switch (request) {
    case rqRemove:
    case rqChangePerms:
    case rqChangePermsRecursive:
    case rqUppercase:
    case rqLowercase:
    case rqMove:
      m_owner->HostFileNames.Clear();
      break;
    case rqDownloads:
    case rqUploads:
      m_owner->HostFileNames.Clear();
      m_owner->LocalFileNames.Clear();
      break;
    default:
      break;
  }
  Display(QStringLiteral("% Idle"));
  m_currentRequest = 0;
}

void TFTPClientThread::FireDone(int request) {
  TThreadedFTPClient* o = m_owner;
  TFTPNotifyEvent TThreadedFTPClient::*event = nullptr;
  switch (request) {
    case rqConnect:
      event = &TThreadedFTPClient::OnConnectDone;
      break;
    case rqChangeFolder:
      event = &TThreadedFTPClient::OnChangeFolderDone;
      break;
    case rqGetFolder:
      event = &TThreadedFTPClient::OnGetFolderDone;
      break;
    case rqGetListItems:
      event = &TThreadedFTPClient::OnGetListItemsDone;
      break;
    case rqRename:
      event = &TThreadedFTPClient::OnRenameDone;
      break;
    case rqRemove:
      event = &TThreadedFTPClient::OnRemoveDone;
      break;
    case rqDownloadFile:
      event = &TThreadedFTPClient::OnDownloadFileDone;
      break;
    case rqUploadFile:
      event = &TThreadedFTPClient::OnUploadFileDone;
      break;
    case rqMakeFolder:
      event = &TThreadedFTPClient::OnMakeFolderDone;
      break;
    case rqDownloads:
      event = &TThreadedFTPClient::OnDownloadsDone;
      break;
    case rqUploads:
      event = &TThreadedFTPClient::OnUploadsDone;
      break;
    case rqQuit:
      event = &TThreadedFTPClient::OnQuitDone;
      break;
    case rqChangePerms:
    case rqChangePermsRecursive:
      event = &TThreadedFTPClient::OnChangePermsDone;
      break;
    case rqUppercase:
      event = &TThreadedFTPClient::OnUppercaseDone;
      break;
    case rqLowercase:
      event = &TThreadedFTPClient::OnLowercaseDone;
      break;
    case rqQuote:
      event = &TThreadedFTPClient::OnQuoteDone;
      break;
    case rqMove:
      event = &TThreadedFTPClient::OnMoveDone;
      break;
    default:
      return;
  }
  Sync([o, event] {
    // Copied first: a handler may replace itself before the next request.
    const TFTPNotifyEvent handler = o->*event;
    if (handler) handler(o);
  });
}

void TFTPClientThread::WaitForEngine() {
  m_requestDone = false;
  // A server that answers and then hangs up leaves the engine in StepReady: that request is
  // over too, and waiting for Ready would wait forever.
  const TWaitOutcome outcome = PumpUntil([this] {
    const TFtpEngineState state = m_engine->State();
    return (state == ftpStateReady || state == ftpStateStepReady) && m_requestDone;
  });
  if (outcome != TWaitOutcome::Done) {
    AbortStep();
    return;
  }
  if (m_requestError == 0) {
    m_owner->LastResult = ftpResultOk;
  } else {
    m_owner->LastResult = ftpResultFailed;
    m_owner->LastError = m_engine->ErrorMessage();
  }
  AbortRequested = false;
}

void TFTPClientThread::AbortStep() {
  AbortRequested = false;
  m_engine->Abort();
  m_owner->LastResult = ftpResultAborted;
  m_owner->LastError = kAbortedLine;
  Display(kAbortedLine);
}
