#include "core/ftp/FtpClientEx.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

bool TFtpClientEx::WaitUntilReady() {
  m_deadline.setRemainingTime(qint64(Timeout) * 1000);
  // Wakes the loop now and then, so the deadline is noticed without busy waiting.
  QTimer pulse;
  pulse.start(20);
  for (;;) {
    if (State() == ftpStateReady || State() == ftpStateStepReady) return RequestResult() == 0;
    if (QCoreApplication::closingDown() || (Timeout > 0 && m_deadline.hasExpired())) break;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  Abort();
  SetErrorMessage(QStringLiteral("426 Timeout"));
  StatusCode = 426;
  return false;
}

bool TFtpClientEx::Synchronize(const std::function<void()>& operation) {
  try {
    operation();
    return WaitUntilReady();
  } catch (...) {
    return false;
  }
}

bool TFtpClientEx::DoProgress() {
  const bool goOn = TCustomFtpClientEx::DoProgress();
  if (Timeout > 0) m_deadline.setRemainingTime(qint64(Timeout) * 1000);
  return goOn;
}
