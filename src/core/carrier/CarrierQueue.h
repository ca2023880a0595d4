#pragma once

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "core/carrier/Carrier.h"
#include "core/carrier/CarrierPool.h"
#include "core/carrier/CarryStatusTexts.h"
#include "core/carrier/FTPCarryItem.h"

class TGlobalOptions;

// The transfer queue without its window: queued, running, succeeded and failed items, and
// up to MaxCarrier carriers started in queue order while the service runs. Everything runs on
// the thread that owns the queue; carriers report back through their events on that thread.
// A carrier that succeeded and is still logged in waits in the pool for the next item with
// the same logins; no server ever has more than MaxCarrier connections, running and idle.
class TCarrierQueue : public QObject {
 public:
  static constexpr int kMinCarriers = 1;
  static constexpr int kMaxCarriers = 16;

  using CarrierFactory = std::function<std::unique_ptr<ICarrier>()>;

  struct RunningRow {
    std::unique_ptr<TFTPCarryItem> Item;
    std::unique_ptr<ICarrier> Carrier;
    TCarryStatusTexts Status;
    QString Response;  // the carrier's latest log line
  };
  // A success row keeps only texts; its item is gone.
  struct SuccessRow {
    QString FileName, Source, Destination, Command, Size, TypeName;
  };
  struct FailRow {
    std::unique_ptr<TFTPCarryItem> Item;
    QString ErrorMessage;
  };

  TCarrierQueue(CarrierFactory factory, const TGlobalOptions& options, QObject* parent = nullptr);
  ~TCarrierQueue() override;

  int MaxCarrier() const { return m_maxCarrier; }
  void SetMaxCarrier(int value);  // clamped to 1..16, then RunQueue
  bool ResumeService() const { return m_resumeService; }
  void SetResumeService(bool on);  // on runs the queue
  int RunningCount() const { return m_runningCount; }
  // How long a logged-in carrier waits for the next item before it is closed (30 s).
  int IdleTimeout() const { return m_pool.IdleTimeout(); }
  void SetIdleTimeout(int ms) { m_pool.SetIdleTimeout(ms); }
  int IdleCount() const { return m_pool.IdleCount(); }

  // Takes the item over and appends it; starts nothing.
  void AddItem(std::unique_ptr<TFTPCarryItem> item);
  void RunQueue();

  void AbortItems(const std::vector<const TFTPCarryItem*>& running);
  void ResubmitItems(const std::vector<const TFTPCarryItem*>& failed);
  void DeleteQueuedItems(const std::vector<const TFTPCarryItem*>& queued);
  void ClearQueue();  // also closes the idle carriers
  void ClearSuccess();
  void ClearFail();

  const std::deque<std::unique_ptr<TFTPCarryItem>>& Queue() const { return m_queue; }
  const std::vector<RunningRow>& Running() const { return m_running; }
  const std::vector<SuccessRow>& Success() const { return m_success; }
  const std::vector<FailRow>& Fail() const { return m_fail; }
  QString StatusText() const;  // "%d Items Queued"

  // Change notifications for whoever shows the lists.
  std::function<void()> OnListsChanged;
  std::function<void(const TFTPCarryItem* item)> OnRunningRowChanged;

 private:
  void StartCarrier(std::unique_ptr<TFTPCarryItem> item);
  void CarrierFinished(ICarrier* carrier, bool explored);
  TCarrierConnection Connection() const;
  // Connections the running carriers hold to `server`.
  int RunningConnections(const QString& server) const;
  // Whether `servers` more connections fit under MaxCarrier; with `closeIdle`, idle carriers
  // of those servers are closed, oldest first, to make room.
  bool Fits(const QStringList& servers, bool closeIdle);
  RunningRow* RowOf(ICarrier* carrier);
  void ListsChanged();

  CarrierFactory m_factory;
  const TGlobalOptions& m_options;
  int m_maxCarrier = 3;
  bool m_resumeService = true;
  int m_runningCount = 0;
  bool m_inRunQueue = false;
  std::deque<std::unique_ptr<TFTPCarryItem>> m_queue;
  std::vector<RunningRow> m_running;
  std::vector<SuccessRow> m_success;
  std::vector<FailRow> m_fail;
  std::vector<std::unique_ptr<ICarrier>> m_retired;  // done, freed after their event returns
  TCarrierPool m_pool;
};
