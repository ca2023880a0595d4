#include "core/carrier/CarrierQueue.h"

#include <QTimer>
#include <algorithm>

#include "core/settings/GlobalOptions.h"

namespace {

bool IsListed(const std::vector<const TFTPCarryItem*>& items, const TFTPCarryItem* item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

}  // namespace

TCarrierQueue::TCarrierQueue(CarrierFactory factory, const TGlobalOptions& options, QObject* parent)
    : QObject(parent), m_factory(std::move(factory)), m_options(options) {}

TCarrierQueue::~TCarrierQueue() {
  // Running carriers are neither aborted nor waited for; they only lose their listener.
  for (RunningRow& row : m_running) {
    if (!row.Carrier) continue;
    row.Carrier->OnDisplay = nullptr;
    row.Carrier->OnCarryDone = nullptr;
    row.Carrier->OnExploreDone = nullptr;
    row.Carrier->OnTransferStatus = nullptr;
    row.Carrier->StopCarrier();
  }
}

void TCarrierQueue::SetMaxCarrier(int value) {
  m_maxCarrier = std::clamp(value, kMinCarriers, kMaxCarriers);
  RunQueue();
}

void TCarrierQueue::SetResumeService(bool on) {
  m_resumeService = on;
  if (on) RunQueue();
}

void TCarrierQueue::AddItem(std::unique_ptr<TFTPCarryItem> item) {
  if (!item) return;
  m_queue.push_back(std::move(item));
  ListsChanged();
}

void TCarrierQueue::RunQueue() {
  if (m_inRunQueue) return;  // a carrier that finishes at once re-enters through its event
  m_inRunQueue = true;
  while (m_resumeService && m_runningCount < m_maxCarrier && !m_queue.empty()) {
    std::unique_ptr<TFTPCarryItem> item = std::move(m_queue.front());
    m_queue.pop_front();
    StartCarrier(std::move(item));
  }
  m_inRunQueue = false;
}

TCarrierConnection TCarrierQueue::Connection() const {
  TCarrierConnection proxy;
  if (m_options.FTPProxyType != 0) {
    proxy.Enabled = true;
    proxy.Server = m_options.FTPProxyServer;
    proxy.Port = QString::number(m_options.FTPProxyPort);
  }
  proxy.Timeout = m_options.Timeout;
  return proxy;
}

int TCarrierQueue::RunningConnections(const QString& server) const {
  int count = 0;
  for (const RunningRow& row : m_running) count += int(CarrierServers(*row.Item).count(server));
  return count;
}

bool TCarrierQueue::Fits(const QStringList& servers, bool closeIdle) {
  for (const QString& server : servers) {
    const int wanted = int(servers.count(server));
    while (RunningConnections(server) + m_pool.Connections(server) + wanted > m_maxCarrier) {
      if (!closeIdle || !m_pool.CloseOldest(server)) return false;
    }
  }
  return true;
}

void TCarrierQueue::StartCarrier(std::unique_ptr<TFTPCarryItem> item) {
  const TCarrierConnection proxy = Connection();
  std::unique_ptr<ICarrier> carrier = m_pool.Take(CarrierSessionKey(*item, proxy));
  if (!carrier) {
    Fits(CarrierServers(*item), true);
    carrier = m_factory();
  }
  ICarrier* raw = carrier.get();
  raw->Configure(*item, m_options.ASCIIExts(), proxy);
  raw->OnDisplay = [this, raw](const QString& line) {
    if (RunningRow* row = RowOf(raw)) {
      row->Response = line;
      if (OnRunningRowChanged) OnRunningRowChanged(row->Item.get());
    }
  };
  raw->OnTransferStatus = [this, raw](qint64 position, qint64 transfered, double elapsed) {
    if (RunningRow* row = RowOf(raw)) {
      row->Status = CarryStatusTexts(raw->CarryFileSize(), position, transfered, elapsed);
      if (OnRunningRowChanged) OnRunningRowChanged(row->Item.get());
    }
  };
  raw->OnCarryDone = [this, raw] { CarrierFinished(raw, false); };
  raw->OnExploreDone = [this, raw] { CarrierFinished(raw, true); };
  item->Carrier = raw;
  const TCarryRequest request = CarryRequestFor(*item);
  m_running.push_back(RunningRow{std::move(item), std::move(carrier), {}, {}});
  ++m_runningCount;
  ListsChanged();
  raw->Start(request);
}

TCarrierQueue::RunningRow* TCarrierQueue::RowOf(ICarrier* carrier) {
  for (RunningRow& row : m_running) {
    if (row.Carrier.get() == carrier) return &row;
  }
  return nullptr;
}

void TCarrierQueue::CarrierFinished(ICarrier* carrier, bool explored) {
  const auto it =
      std::find_if(m_running.begin(), m_running.end(),
                   [carrier](const RunningRow& row) { return row.Carrier.get() == carrier; });
  if (it == m_running.end()) return;  // a second done event for the same run
  RunningRow row = std::move(*it);
  m_running.erase(it);
  row.Item->Carrier = nullptr;
  if (carrier->CarryResult() != 0) {
    m_fail.push_back(FailRow{std::move(row.Item), carrier->CarryError()});
  } else {
    if (explored) {
      for (auto& found : carrier->TakeExploredItems()) {
        if (!found) continue;
        if (found->Refusal.isEmpty()) {
          m_queue.push_back(std::move(found));
        } else {
          QString why = found->Refusal;
          m_fail.push_back(FailRow{std::move(found), why});
        }
      }
    }
    const TFTPCarryItem& done = *row.Item;
    m_success.push_back(SuccessRow{done.FileName, done.SourceText(), done.DestinationText(),
                                   done.CommandText(), done.SizeText(), done.TypeName});
  }
  carrier->OnDisplay = nullptr;
  carrier->OnTransferStatus = nullptr;
  carrier->OnCarryDone = nullptr;
  carrier->OnExploreDone = nullptr;
  --m_runningCount;
  if (carrier->CarryResult() == 0 && carrier->Reusable()) {
    // Logged in and healthy: keep it for the next item with the same logins, as long as
    // its server stays within MaxCarrier connections (MaxCarrier may have been lowered).
    const QStringList servers = CarrierServers(*row.Item);
    if (Fits(servers, false)) {
      m_pool.Park(std::move(row.Carrier), CarrierSessionKey(*row.Item, Connection()), servers);
    } else {
      m_pool.Close(std::move(row.Carrier));
    }
  } else {
    carrier->StopCarrier();
    // This runs inside the carrier's own event: free it once that event has returned.
    m_retired.push_back(std::move(row.Carrier));
    QTimer::singleShot(0, this, [this] { m_retired.clear(); });
  }
  ListsChanged();
  RunQueue();
}

void TCarrierQueue::AbortItems(const std::vector<const TFTPCarryItem*>& running) {
  std::vector<ICarrier*> carriers;
  for (const RunningRow& row : m_running) {
    if (IsListed(running, row.Item.get())) carriers.push_back(row.Carrier.get());
  }
  // Aborting may finish a carrier at once and change m_running: collect first.
  for (ICarrier* carrier : carriers) {
    if (RowOf(carrier) != nullptr) carrier->AbortCarry();
  }
}

void TCarrierQueue::ResubmitItems(const std::vector<const TFTPCarryItem*>& failed) {
  auto it = m_fail.begin();
  while (it != m_fail.end()) {
    if (IsListed(failed, it->Item.get())) {
      m_queue.push_back(std::move(it->Item));
      it = m_fail.erase(it);
    } else {
      ++it;
    }
  }
  ListsChanged();
  RunQueue();
}

void TCarrierQueue::DeleteQueuedItems(const std::vector<const TFTPCarryItem*>& queued) {
  std::erase_if(m_queue, [&](const auto& item) { return IsListed(queued, item.get()); });
  ListsChanged();
}

void TCarrierQueue::ClearQueue() {
  m_queue.clear();
  m_pool.CloseAll();
  ListsChanged();
}

void TCarrierQueue::ClearSuccess() {
  m_success.clear();
  ListsChanged();
}

void TCarrierQueue::ClearFail() {
  m_fail.clear();
  ListsChanged();
}

QString TCarrierQueue::StatusText() const {
  return QStringLiteral("%1 Items Queued").arg(m_queue.size());
}

void TCarrierQueue::ListsChanged() {
  if (OnListsChanged) OnListsChanged();
}
