#include "core/client/EngineWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <algorithm>
#include <exception>

#include "core/common/ThreadAnnotations.h"

TEngineWorker::TEngineWorker(int abortRequest)
    : m_abortRequest(abortRequest),
      m_mailbox(std::make_unique<TCallReceiver>()),
      m_ownerCalls(std::make_unique<TCallReceiver>()) {
  m_mailbox->moveToThread(this);
  // Direct: runs on this thread as it finishes, and posts to the owner from there. It is the
  // last of this thread's work that the owner's Joined pairs with; once the post is made the
  // owner may free this object, so nothing of it is touched after that.
  QObject::connect(
      this, &QThread::finished, m_ownerCalls.get(),
      [this] {
        TEngineWorker* self = this;
        TCallReceiver* calls = m_ownerCalls.get();
        VORNALO_HAPPENS_BEFORE(self);
        calls->Post([self] {
          if (self->OnEnded) self->OnEnded();
        });
      },
      Qt::DirectConnection);
}

TEngineWorker::~TEngineWorker() = default;

void TEngineWorker::StartAndWaitReady(Priority priority) {
  start(priority);
  m_ready.acquire();
}

void TEngineWorker::SignalReady() {
  m_ready.release();
}

void TEngineWorker::PostRequest(int request) {
  m_mailbox->Post([this, request] { Received(request); });
}

void TEngineWorker::PostQuit() {
  m_mailbox->Post([this] { QuitReceived(); });
}

void TEngineWorker::QuitReceived() {
  if (m_inWait) {
    m_waitQuit = true;
    return;
  }
  try {
    Closing();
  } catch (...) {
    // Closing only tidies up; the loop ends all the same.
  }
  exit(0);
}

void TEngineWorker::Received(int request) {
  if (m_inWait) {
    if (request == m_abortRequest) m_waitAbort = true;
    return;  // any other request is dropped while one runs
  }
  if (request == m_abortRequest) return;  // nothing runs: nothing to abort
  try {
    Dispatch(request);
  } catch (const std::exception& error) {
    RequestEscaped(request, QString::fromUtf8(error.what()));
  } catch (...) {
    RequestEscaped(request, QStringLiteral("Unknown exception"));
  }
}

TEngineWorker::TWaitOutcome TEngineWorker::PumpUntil(const std::function<bool()>& done) {
  for (;;) {
    if (AbortRequested) return TWaitOutcome::Aborted;
    if (done()) return TWaitOutcome::Done;
    m_inWait = true;
    m_waitAbort = false;
    m_waitQuit = false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    m_inWait = false;
    if (m_waitQuit) {
      PostQuit();  // the main loop ends once the request has unwound
      return TWaitOutcome::Quit;
    }
    if (m_waitAbort) return TWaitOutcome::Aborted;
  }
}

void TEngineWorker::Sync(const std::function<void()>& call) {
  if (m_detached) return;
  m_ownerCalls->BlockingCall(call);
}

void TEngineWorker::Joined() {
  VORNALO_HAPPENS_AFTER(this);
}

void TEngineWorker::Delay(int seconds) {
  const QDeadlineTimer deadline(qint64(std::max(0, seconds)) * 1000);
  while (!deadline.hasExpired() && !AbortRequested) {
    QThread::msleep(static_cast<unsigned long>(std::min<qint64>(50, deadline.remainingTime())));
  }
}
