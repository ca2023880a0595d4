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
  CallEvent(const std::function<void()>& call, std::binary_semaphore& done)
      : QEvent(kCallEvent), m_call(call), m_done(done) {}
  // Deleted unrun when the receiver goes away first: the caller must not wait forever.
  ~CallEvent() override {
    if (!m_ran) m_done.release();
  }
  void Run() {
    m_call();
    m_ran = true;
    m_done.release();
  }

 private:
  const std::function<void()>& m_call;
  std::binary_semaphore& m_done;
  bool m_ran = false;
};

}  // namespace

void TCallReceiver::BlockingCall(const std::function<void()>& call) {
  if (QThread::currentThread() == thread()) {
    call();
    return;
  }
  std::binary_semaphore done(0);
  auto* event = new CallEvent(call, done);
  VORNALO_HAPPENS_BEFORE(this);  // the event's contents, for the receiving thread
  QCoreApplication::postEvent(this, event);
  done.acquire();
}

bool TCallReceiver::event(QEvent* event) {
  VORNALO_HAPPENS_AFTER(this);
  if (event->type() != kCallEvent) return QObject::event(event);
  static_cast<CallEvent*>(event)->Run();
  return true;
}
