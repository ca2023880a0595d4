#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <memory>
#include <vector>

#include "core/carrier/Carrier.h"
#include "core/carrier/FTPCarrierProperties.h"
#include "core/ftp/FtpTypes.h"

class TFTPCarrierThread;

// Carries queue items on a worker thread of its own with two sessions, one for the source
// server and one for the destination. Events run on this object's thread while the worker
// waits. After a successful request the worker stays, logged in, and the next request (for
// the same logins) goes to it; StopCarrier closes its connections with QUIT and ends it.
class TThreadedFTPCarrier : public QObject, public ICarrier, public TFTPCarrierProperties {
 public:
  // Request numbers of the carrier's worker.
  enum : int {
    rqCarryDownload = 1024,
    rqCarryUpload = 1025,
    rqCarryServerToServer = 1026,
    rqExploreDownload = 1027,
    rqExploreUpload = 1028,
    rqExploreServerToServer = 1029,
    rqAbortCarry = 1030,
  };

  explicit TThreadedFTPCarrier(QObject* parent = nullptr);
  ~TThreadedFTPCarrier() override;

  // ---- Properties (FileName ... Timeout) are those of TFTPCarrierProperties.
  std::function<void()> OnEndThread;

  // ---- Results
  std::atomic<quint8> LastResult{0};
  QString LastError;
  std::vector<std::unique_ptr<TFTPCarryItem>> ExploredItems;

  // ---- Requests
  void CarryDownload() { StartRequest(rqCarryDownload); }
  void CarryUpload() { StartRequest(rqCarryUpload); }
  void CarryServerToServer() { StartRequest(rqCarryServerToServer); }
  void ExploreDownload() { StartRequest(rqExploreDownload); }
  void ExploreUpload() { StartRequest(rqExploreUpload); }
  void ExploreServerToServer() { StartRequest(rqExploreServerToServer); }
  bool HasThread() const { return m_thread != nullptr; }

  // ---- ICarrier
  void Configure(const TFTPCarryItem& item, std::shared_ptr<AsciiExtensionList> asciiExts,
                 const TCarrierConnection& proxy) override;
  void Start(TCarryRequest request) override;
  void AbortCarry() override;
  void StopCarrier() override;
  int CarryResult() const override { return LastResult; }
  QString CarryError() const override { return LastError; }
  qint64 CarryFileSize() const override { return FileSize; }
  std::vector<std::unique_ptr<TFTPCarryItem>> TakeExploredItems() override;
  bool Reusable() const override { return m_reusable && m_thread != nullptr && !m_stopping; }

 private:
  friend class TFTPCarrierThread;
  void StartRequest(int request);
  void ThreadEnded(TFTPCarrierThread* thread);

  TFTPCarrierThread* m_thread = nullptr;
  bool m_busy = false;      // a request runs; cleared in its done hand-over
  bool m_reusable = false;  // written in the done hand-over
  bool m_stopping = false;  // StopCarrier was called
};
