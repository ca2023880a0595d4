#pragma once

#include <QString>
#include <atomic>
#include <memory>

#include "core/client/EngineWorker.h"
#include "core/common/FtpTransferType.h"
#include "core/ftp/FtpTypes.h"

class TThreadedFTPCarrier;
class TFtpClientEx;
class TFTPListItems;
class TFTPCarryItem;

// The worker of a carrier: a source and a destination engine, one request per carrier.
class TFTPCarrierThread : public TEngineWorker {
 public:
  explicit TFTPCarrierThread(TThreadedFTPCarrier* owner);
  ~TFTPCarrierThread() override;

  std::atomic<bool> Ready{false};  // the engines exist

 protected:
  void run() override;
  void Dispatch(int request) override;

 private:
  struct EngineState {
    std::unique_ptr<TFtpClientEx> engine;
    bool done = false;
    int error = 0;
    int replies = 0;  // replies seen since the counter was last cleared
    QString lastReply;
  };

  void SetUpEngine(EngineState& side, bool source);
  EngineState& SideOf(TCustomFtpClientEx* engine);
  QString Tag(const TFtpClientEx& engine) const;
  void Display(const QString& line);
  void FireDone(bool explore);

  void WaitFor(EngineState& side);
  void AbortStep(EngineState& side);
  void CarrierLogin(EngineState& side);
  void SetType(EngineState& side, TFTPTransferType type);
  void RestProbe();
  void Quote(EngineState& side, const QString& line);
  void Quit(EngineState& side);
  // QUIT after a successful transfer, keeping its success.
  void QuitAfterTransfer(EngineState& side);
  void ListRemote(EngineState& side, const QString& folder, TFTPListItems& items);

  void CarryDownload();
  void CarryUpload();
  void CarryServerToServer();
  void WaitForBoth();
  void ExploreDownload();
  void ExploreUpload();
  void ExploreServerToServer();
  bool EnterOrMake(EngineState& side, const QString& folder);
  // A new queue item with the carrier's flags and the logins of the sides asked for.
  std::unique_ptr<TFTPCarryItem> NewItem(quint8 direction, bool withSource,
                                         bool withDestination) const;
  // Hands one item per listed entry to the carrier's ExploredItems.
  void AddListedItems(const TFTPListItems& items, quint8 direction, const QString& srcPath,
                      const QString& destPath);

  TThreadedFTPCarrier* m_owner;
  EngineState m_src;
  EngineState m_dest;
  bool m_sourceResumes = false;
  bool m_logMuted = false;    // quiet login retries
  bool m_probeMuted = false;  // the link probe's commands and replies are not logged
};
