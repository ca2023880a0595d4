#pragma once

#include <QObject>
#include <functional>

// Runs calls on the thread of this object and waits for them: Qt's blocking queued connection
// written out with a std::binary_semaphore and annotated posts, so that the thread sanitizer
// sees the ordering (Qt's own locks are not instrumented in the distribution's build).
// A call from the receiver's own thread runs at once; a call still queued when the receiver
// is destroyed is skipped and its caller released.
class TCallReceiver : public QObject {
 public:
  explicit TCallReceiver(QObject* parent = nullptr) : QObject(parent) {}
  ~TCallReceiver() override;
  // From any thread: runs `call` on this object's thread and returns once it has returned.
  void BlockingCall(const std::function<void()>& call);
  // From any thread: runs `call` on this object's thread later, without waiting.
  void Post(std::function<void()> call);

 protected:
  bool event(QEvent* event) override;
};
