#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "core/carrier/ThreadedFTPCarrier.h"

// Pumps the test thread's events, which plays the user-interface thread, until `done` holds.
inline bool Pump(const std::function<bool()>& done, int timeoutMs) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// A server-to-server item for f.bin from /a/ on one local server to /b/ on another.
inline void PointAtTwoServers(TThreadedFTPCarrier& c, quint16 srcPort, quint16 destPort) {
  c.FileName = QStringLiteral("f.bin");
  c.SrcHostName = c.DestHostName = QStringLiteral("127.0.0.1");
  c.SrcPort = QString::number(srcPort);
  c.DestPort = QString::number(destPort);
  c.SrcUserName = c.DestUserName = QStringLiteral("u");
  c.SrcPassword = c.DestPassword = QStringLiteral("p");
  c.SrcPath = QStringLiteral("/a/");
  c.DestPath = QStringLiteral("/b/");
}

// Runs one request of a carrier to its done event, recording its log and explored items.
struct CarrierRun {
  TThreadedFTPCarrier carrier;
  QStringList lines;
  std::vector<std::unique_ptr<TFTPCarryItem>> found;
  bool done = false;

  CarrierRun() {
    carrier.OnDisplay = [this](const QString& line) { lines << line; };
    carrier.OnCarryDone = [this] { done = true; };
    carrier.OnExploreDone = [this] {
      found = carrier.TakeExploredItems();
      done = true;
    };
  }
  ~CarrierRun() {
    carrier.StopCarrier();
    Pump([this] { return !carrier.HasThread(); }, 5000);
  }
  bool Run(TCarryRequest request, int timeoutMs = 20000) {
    carrier.Start(request);
    return Pump([this] { return done; }, timeoutMs);
  }
  std::string Log() const { return lines.join('\n').toStdString(); }
  const TFTPCarryItem* Found(const QString& name) const {
    for (const auto& item : found) {
      if (item->FileName == name) return item.get();
    }
    return nullptr;
  }
};
