#pragma once

#include <QObject>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>
#include <semaphore>

#include "core/common/BlockingCall.h"

// A worker thread with its own event loop that carries out numbered requests one at a time
// and drives protocol engines through nested waits. Requests arrive as events: outside a wait
// they start through Dispatch; inside a wait only the abort request counts (others are
// dropped) and the quit message ends the wait and, once the request has unwound, the loop.
class TEngineWorker : public QThread {
 public:
  enum class TWaitOutcome { Done, Aborted, Quit };

  explicit TEngineWorker(int abortRequest);
  ~TEngineWorker() override;

  // Safe from any thread.
  void PostRequest(int request);
  void PostQuit();
  std::atomic<bool> AbortRequested{false};
  // The owner is going away: hand nothing over any more.
  void Detach() { m_detached = true; }
  // Starts the thread and returns once run() has called SignalReady (a blocking wait of a
  // few microseconds while the engines are made, not a spin).
  void StartAndWaitReady(Priority priority);
  // The owner calls this once it knows the thread has ended (OnEnded, wait), before it frees
  // the worker: the thread's last writes come first (for the thread sanitizer).
  void Joined();
  // Runs on the owner's thread once the thread has finished (Qt's finished signal, carried by
  // the same annotated hand-over as every other event). Cleared by an owner going away.
  std::function<void()> OnEnded;

 protected:
  // Starts a request that arrived while no request runs. An exception that escapes it never
  // reaches Qt's event loop: RequestEscaped turns it into the request's failure.
  virtual void Dispatch(int request) = 0;
  virtual void RequestEscaped(int request, const QString& what) = 0;
  // Runs when the quit message arrives while no request runs, before the loop ends: the place
  // to close connections politely (it may wait through PumpUntil).
  virtual void Closing() {}
  void SignalReady();
  // Runs the event loop until `done` holds or an abort or quit interrupts. Every pass first
  // looks at AbortRequested, then at `done`, then waits for and handles events.
  TWaitOutcome PumpUntil(const std::function<bool()>& done);
  // Runs `call` on the owner's thread (the thread that created this worker) and waits until
  // it has returned.
  void Sync(const std::function<void()>& call);
  // Sleeps in short slices; an abort cuts it short.
  void Delay(int seconds);
  // Runs the worker's own event loop until the quit message.
  void RunLoop() { exec(); }

 private:
  friend class TFtpSession;
  void Received(int request);
  void QuitReceived();

  const int m_abortRequest;
  std::unique_ptr<TCallReceiver> m_mailbox;  // lives on this thread: requests and quit
  std::atomic<bool> m_detached{false};
  bool m_inWait = false;
  bool m_waitAbort = false;
  bool m_waitQuit = false;
  std::binary_semaphore m_ready{0};
  std::unique_ptr<TCallReceiver> m_ownerCalls;  // lives on the owner's thread
};
