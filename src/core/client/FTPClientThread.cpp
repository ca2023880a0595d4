#include "core/client/FTPClientThread.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>

#include "core/client/ThreadedFTPClient.h"
#include "core/common/LogLineKind.h"
#include "core/ftp/FtpClientEx.h"

namespace {

const QEvent::Type kRequestEvent = static_cast<QEvent::Type>(QEvent::User + 100);
const QEvent::Type kQuitEvent = static_cast<QEvent::Type>(QEvent::User + 101);

class RequestEvent : public QEvent {
 public:
  explicit RequestEvent(int request) : QEvent(kRequestEvent), Request(request) {}
  const int Request;
};

const QString kAbortedLine = QStringLiteral("! Operation aborted.");

}  // namespace

// Lives in the worker thread and receives its messages: requests and the quit message.
class TFTPClientMailbox : public QObject {
 public:
  explicit TFTPClientMailbox(TFTPClientThread* worker) : m_worker(worker) {}

  bool event(QEvent* event) override {
    if (event->type() == kQuitEvent) {
      if (m_worker->m_inWait) {
        m_worker->m_waitQuit = true;
      } else {
        m_worker->exit(0);
      }
      return true;
    }
    if (event->type() == kRequestEvent) {
      const int request = static_cast<RequestEvent*>(event)->Request;
      if (m_worker->m_inWait) {
        // Inside a wait only the abort counts; any other request is dropped.
        if (request == rqAbort) m_worker->m_waitAbort = true;
      } else {
        m_worker->Dispatch(request);
      }
      return true;
    }
    return QObject::event(event);
  }

 private:
  TFTPClientThread* m_worker;
};

TFTPClientThread::TFTPClientThread(TThreadedFTPClient* owner) : m_owner(owner) {
  m_mailbox = std::make_unique<TFTPClientMailbox>(this);
  m_mailbox->moveToThread(this);
}

TFTPClientThread::~TFTPClientThread() = default;

void TFTPClientThread::PostRequest(int request) {
  QCoreApplication::postEvent(m_mailbox.get(), new RequestEvent(request));
}

void TFTPClientThread::PostQuit() {
  QCoreApplication::postEvent(m_mailbox.get(), new QEvent(kQuitEvent));
}

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
  exec();
  m_engine = nullptr;
  engine.reset();
  m_mailbox.reset();
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
  if (m_detached) return;
  QMetaObject::invokeMethod(m_owner, call, Qt::BlockingQueuedConnection);
}

void TFTPClientThread::Display(const QString& line) {
  Sync([this, line] {
    if (m_owner->OnDisplay) m_owner->OnDisplay(m_owner, line);
  });
}

void TFTPClientThread::Dispatch(int request) {
  if (request == rqAbort) return;  // no request runs: nothing to abort
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
  for (;;) {
    if (AbortRequested) {
      AbortStep();
      return;
    }
    // A server that answers and then hangs up leaves the engine in StepReady: that request
    // is over too, and waiting for Ready would wait forever.
    const TFtpEngineState state = m_engine->State();
    if ((state == ftpStateReady || state == ftpStateStepReady) && m_requestDone) {
      if (m_requestError == 0) {
        m_owner->LastResult = ftpResultOk;
      } else {
        m_owner->LastResult = ftpResultFailed;
        m_owner->LastError = m_engine->ErrorMessage();
      }
      AbortRequested = false;
      return;
    }
    m_inWait = true;
    m_waitAbort = false;
    m_waitQuit = false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    m_inWait = false;
    if (m_waitQuit) {
      AbortStep();
      PostQuit();  // the main loop ends once the request has unwound
      return;
    }
    if (m_waitAbort) {
      AbortStep();
      return;
    }
  }
}

void TFTPClientThread::AbortStep() {
  AbortRequested = false;
  m_engine->Abort();
  m_owner->LastResult = ftpResultAborted;
  m_owner->LastError = kAbortedLine;
  Display(kAbortedLine);
}

void TFTPClientThread::Delay(int seconds) {
  // Slept in slices so a stop or an abort is not held up by a long relogin delay.
  const QDeadlineTimer deadline(qint64(std::max(0, seconds)) * 1000);
  while (!deadline.hasExpired() && !AbortRequested) {
    QThread::msleep(static_cast<unsigned long>(std::min<qint64>(50, deadline.remainingTime())));
  }
}
