#pragma once

#include <QDeadlineTimer>
#include <functional>

#include "core/ftp/CustomFtpClientEx.h"

// The engine class the program creates: adds a blocking wait bounded by `Timeout`, which a
// transfer that keeps moving data pushes forward.
class TFtpClientEx : public TCustomFtpClientEx {
 public:
  TFtpClientEx() = default;

  int Timeout = 15;  // seconds; 0 waits without limit
  // The engine lives on a worker thread with its own event loop. Either way the wait pumps
  // the event loop of the calling thread, which is the engine's own thread.
  bool MultiThreaded = false;

  // Pumps events until the engine is ready; false when the request failed, or when the time
  // ran out (then the engine is aborted, ErrorMessage "426 Timeout", StatusCode 426).
  bool WaitUntilReady();
  // Runs the operation, then waits; an exception from either gives false.
  bool Synchronize(const std::function<void()>& operation);

 protected:
  bool DoProgress() override;

 private:
  QDeadlineTimer m_deadline;
};
