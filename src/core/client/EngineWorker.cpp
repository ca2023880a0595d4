#include "core/client/EngineWorker.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <algorithm>
#include <exception>

#include "core/common/ThreadAnnotations.h"

namespace {

const QEvent::Type kRequestEvent = static_cast<QEvent::Type>(QEvent::User + 100);
const QEvent::Type kQuitEvent = static_cast<QEvent::Type>(QEvent::User + 101);

class RequestEvent : public QEvent {
 public:
  explicit RequestEvent(int request) : QEvent(kRequestEvent), Request(request) {}
  const int Request;
};

}  // namespace

// Lives in the worker thread and receives its messages.
class TEngineWorkerMailbox : public QObject {
 public:
  explicit TEngineWorkerMailbox(TEngineWorker* worker) : m_worker(worker) {}

  bool event(QEvent* event) override {
    VORNALO_HAPPENS_AFTER(this);  // pairs with the release in PostRequest and PostQuit
    if (event->type() == kQuitEvent) {
      m_worker->QuitReceived();
      return true;
    }
    if (event->type() == kRequestEvent) {
      m_worker->Received(static_cast<RequestEvent*>(event)->Request);
      return true;
    }
    return QObject::event(event);
  }

 private:
  TEngineWorker* m_worker;
};

TEngineWorker::TEngineWorker(int abortRequest)
    : m_abortRequest(abortRequest),
      m_mailbox(std::make_unique<TEngineWorkerMailbox>(this)),
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
  auto* event = new RequestEvent(request);
  // What the caller wrote before posting is the request's input.
  VORNALO_HAPPENS_BEFORE(m_mailbox.get());
  QCoreApplication::postEvent(m_mailbox.get(), event);
}

void TEngineWorker::PostQuit() {
  auto* event = new QEvent(kQuitEvent);
  VORNALO_HAPPENS_BEFORE(m_mailbox.get());
  QCoreApplication::postEvent(m_mailbox.get(), event);
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

void TEngineWorker::Sync(QObject* owner, const std::function<void()>& call) {
  Q_UNUSED(owner);
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
