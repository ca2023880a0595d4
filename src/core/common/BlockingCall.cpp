#include "core/common/BlockingCall.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>
#include <semaphore>

#include "core/common/ThreadAnnotations.h"

namespace {

const QEvent::Type kCallEvent = static_cast<QEvent::Type>(QEvent::User + 110);

class CallEvent : public QEvent {
 public:
  // Blocking: the caller waits on `done`.
  CallEvent(const std::function<void()>& call, std::binary_semaphore* done)
      : QEvent(kCallEvent), m_call(call), m_done(done) {}
  // Posted: the event keeps its own copy of the call.
  explicit CallEvent(std::function<void()> call)
      : QEvent(kCallEvent), m_own(std::move(call)), m_call(m_own) {}
  // Deleted unrun when the receiver goes away first: a caller must not wait forever.
  ~CallEvent() override {
    if (!m_ran && m_done != nullptr) m_done->release();
  }
  void Run() {
    m_call();
    m_ran = true;
    if (m_done != nullptr) m_done->release();
  }

 private:
  std::function<void()> m_own;
  const std::function<void()>& m_call;
  std::binary_semaphore* m_done = nullptr;
  bool m_ran = false;
};

}  // namespace

TCallReceiver::~TCallReceiver() {
  // Calls still queued are freed unrun by QObject's destructor: their contents come first.
  VORNALO_HAPPENS_AFTER(this);
}

void TCallReceiver::BlockingCall(const std::function<void()>& call) {
  if (QThread::currentThread() == thread()) {
    call();
    return;
  }
  std::binary_semaphore done(0);
  auto* event = new CallEvent(call, &done);
  VORNALO_HAPPENS_BEFORE(this);  // the event's contents, for the receiving thread
  QCoreApplication::postEvent(this, event);
  done.acquire();
}

void TCallReceiver::Post(std::function<void()> call) {
  auto* event = new CallEvent(std::move(call));
  VORNALO_HAPPENS_BEFORE(this);
  QCoreApplication::postEvent(this, event);
}

bool TCallReceiver::event(QEvent* event) {
  VORNALO_HAPPENS_AFTER(this);
  if (event->type() != kCallEvent) return QObject::event(event);
  static_cast<CallEvent*>(event)->Run();
  return true;
}
