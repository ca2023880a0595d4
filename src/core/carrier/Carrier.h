#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "core/carrier/FTPCarryItem.h"
#include "core/common/AsciiExtensionList.h"

// The request a carrier runs for an item, chosen by its kind and direction.
enum class TCarryRequest {
  CarryDownload,
  CarryUpload,
  CarryServerToServer,
  ExploreDownload,
  ExploreUpload,
  ExploreServerToServer,
};
TCarryRequest CarryRequestFor(const TFTPCarryItem& item);

// How carriers reach servers: the FTP proxy and the inactivity limit of the options.
struct TCarrierConnection {
  bool Enabled = false;  // connect through the FTP proxy
  QString Server;
  QString Port;      // decimal text
  int Timeout = 30;  // seconds without a byte from a server; 0 waits without limit
};

// Everything that makes the logins of the item's carrier: host, port, user and password of
// each side it connects to, passive mode and the way to the servers. Carriers with equal keys
// may take over each other's logged-in connections.
QString CarrierSessionKey(const TFTPCarryItem& item, const TCarrierConnection& connection);
// The servers ("host:port") the item's carrier connects to, one entry per connection.
QStringList CarrierServers(const TFTPCarryItem& item);

// What the queue needs of a carrier: one worker that carries one item and reports back on the
// queue's thread. The threaded FTP carrier implements it; tests use scripted fakes.
class ICarrier {
 public:
  virtual ~ICarrier() = default;

  // Copies the item's logins, paths, types and flags; the item itself is not kept.
  virtual void Configure(const TFTPCarryItem& item, std::shared_ptr<AsciiExtensionList> asciiExts,
                         const TCarrierConnection& proxy) = 0;
  virtual void Start(TCarryRequest request) = 0;
  virtual void AbortCarry() = 0;
  virtual void StopCarrier() = 0;

  virtual int CarryResult() const = 0;  // 0 succeeded, 1 failed, 2 aborted
  virtual QString CarryError() const = 0;
  virtual qint64 CarryFileSize() const = 0;  // -1 when unknown
  // The items an explore request found, handed over in their order.
  virtual std::vector<std::unique_ptr<TFTPCarryItem>> TakeExploredItems() = 0;
  // After a successful request: the carrier's connections are still logged in, so the queue
  // may keep it idle and Configure and Start it again for an item with the same logins
  // (the same CarrierSessionKey). A carrier that carries once keeps the default.
  virtual bool Reusable() const { return false; }

  // Fired once a stopped carrier has closed its connections and its worker has ended.
  std::function<void()> OnStopped;
  std::function<void(const QString& line)> OnDisplay;
  std::function<void()> OnCarryDone;
  std::function<void()> OnExploreDone;
  std::function<void(qint64 position, qint64 transfered, double elapsed)> OnTransferStatus;
};
