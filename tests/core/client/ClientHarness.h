#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>
#include <functional>
#include <memory>

#include "core/client/ThreadedFTPClient.h"

// Drives a background client from the test's main thread, which plays the user-interface
// thread: it records every line and done event and pumps events while it waits.
class ClientHarness {
 public:
  ClientHarness() : client(std::make_unique<TThreadedFTPClient>()) {
    client->OnDisplay = [this](TThreadedFTPClient*, const QString& line) { lines << line; };
    client->LoginRetry = 1;
    client->ReloginDelay = 0;
    for (auto event : TThreadedFTPClient::DoneEvents()) {
      (*client).*event = [this](TThreadedFTPClient*) { ++doneCount; };
    }
    client->OnEndThread = [this](TThreadedFTPClient*) { ended = true; };
    client->StartThread();
  }
  ~ClientHarness() {
    if (client->HasThread()) {
      client->StopThread();
      Pump([this] { return ended; }, 5000);
    }
  }

  // Points the client at a server on 127.0.0.1 as user "bob" with password "secret".
  void PointAt(quint16 port) {
    client->HostName = QStringLiteral("127.0.0.1");
    client->Port = QString::number(port);
    client->UserName = QStringLiteral("bob");
    client->Password = QStringLiteral("secret");
  }

  static bool Pump(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
      if (deadline.hasExpired()) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
  }

  // Runs one request to its done event and the "% Idle" that follows.
  bool Run(void (TThreadedFTPClient::*request)(), int timeoutMs = 10000) {
    const int before = doneCount;
    const qsizetype idle = lines.count(QStringLiteral("% Idle"));
    (client.get()->*request)();
    return Pump([&] { return doneCount > before && lines.count(QStringLiteral("% Idle")) > idle; },
                timeoutMs);
  }

  std::unique_ptr<TThreadedFTPClient> client;
  QStringList lines;
  int doneCount = 0;
  bool ended = false;
};
