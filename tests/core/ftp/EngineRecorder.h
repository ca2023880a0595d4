#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QList>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "core/ftp/FtpClientEx.h"

namespace enginetest {

// Pumps the calling thread's events until `condition` holds or `timeoutMs` passes.
inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000) {
  const QDeadlineTimer deadline(timeoutMs);
  QTimer pulse;
  pulse.start(10);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  return true;
}

struct DoneEvent {
  TFtpRequest type;
  int error;
};

// An engine with every event recorded.
class EngineRecorder {
 public:
  EngineRecorder() {
    engine.OnDisplay = [this](TCustomFtpClientEx*, QString& msg) { display << msg; };
    engine.OnResponse = [this](TCustomFtpClientEx*) { responses << engine.LastResponse; };
    engine.OnConnectState = [this](TCustomFtpClientEx*, TFTPConnectState s) { conStates << s; };
    engine.OnStateChange = [this](TCustomFtpClientEx*) { states << engine.State(); };
    engine.OnSessionClosed = [this](TCustomFtpClientEx*, int e) { sessionClosed << e; };
    engine.OnSessionConnected = [this](TCustomFtpClientEx*, int e) { sessionConnected << e; };
    engine.OnRequestDone = [this](TCustomFtpClientEx*, TFtpRequest type, quint16 error) {
      done << DoneEvent{type, error};
    };
  }

  bool WaitDone(int count = 1, int timeoutMs = 5000) {
    return WaitFor([this, count] { return done.size() >= count; }, timeoutMs);
  }
  // Connects to 127.0.0.1:port and waits for the greeting's request to end.
  bool Open(quint16 port) {
    engine.HostName = QStringLiteral("127.0.0.1");
    engine.Port = QString::number(port);
    const int before = static_cast<int>(done.size());
    engine.OpenAsync();
    return WaitDone(before + 1) && done.last().error == 0;
  }
  QStringList DisplayWithPrefix(const QString& prefix) const {
    QStringList lines;
    for (const QString& line : display)
      if (line.startsWith(prefix)) lines << line;
    return lines;
  }

  TFtpClientEx engine;
  QStringList display;
  QStringList responses;
  QList<TFTPConnectState> conStates;
  QList<TFtpEngineState> states;
  QList<int> sessionClosed;
  QList<int> sessionConnected;
  QList<DoneEvent> done;
};

}  // namespace enginetest
