#include "core/carrier/CarrierPool.h"

#include <algorithm>

TCarrierPool::TCarrierPool(QObject* parent) : QObject(parent) {
  m_clock.start();
  QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Expire(); });
}

TCarrierPool::~TCarrierPool() {
  m_timer.stop();
  // Stop them all first so their QUITs go out side by side, then free them: each waits for
  // its own worker to end.
  CloseAll();
  for (auto& carrier : m_closing) carrier->OnStopped = nullptr;
  m_closing.clear();
}

void TCarrierPool::SetIdleTimeout(int ms) {
  m_idleTimeout = std::max(0, ms);
  Expire();
}

std::unique_ptr<ICarrier> TCarrierPool::Take(const QString& key) {
  for (auto it = m_idle.rbegin(); it != m_idle.rend(); ++it) {
    if (it->Key != key) continue;
    std::unique_ptr<ICarrier> carrier = std::move(it->Carrier);
    m_idle.erase(std::next(it).base());
    if (m_idle.empty()) m_timer.stop();
    return carrier;
  }
  return nullptr;
}

void TCarrierPool::Park(std::unique_ptr<ICarrier> carrier, const QString& key,
                        const QStringList& servers) {
  if (!carrier) return;
  m_idle.push_back(TIdle{std::move(carrier), key, servers, m_clock.elapsed()});
  if (!m_timer.isActive()) {
    // Looked at a few times per idle period, so a session goes within a quarter of it.
    m_timer.start(std::clamp(m_idleTimeout / 4, 10, 1000));
  }
}

void TCarrierPool::Close(std::unique_ptr<ICarrier> carrier) {
  if (!carrier) return;
  ICarrier* raw = carrier.get();
  // Freed once its event has returned, never inside it.
  raw->OnStopped = [this, raw] { QTimer::singleShot(0, this, [this, raw] { Ended(raw); }); };
  m_closing.push_back(std::move(carrier));
  raw->StopCarrier();
}

void TCarrierPool::Ended(ICarrier* carrier) {
  std::erase_if(m_closing, [carrier](const auto& c) { return c.get() == carrier; });
}

int TCarrierPool::Connections(const QString& server) const {
  int count = 0;
  for (const TIdle& idle : m_idle) count += int(idle.Servers.count(server));
  return count;
}

bool TCarrierPool::CloseOldest(const QString& server) {
  const auto it = std::find_if(m_idle.begin(), m_idle.end(), [&server](const TIdle& idle) {
    return idle.Servers.contains(server);
  });
  if (it == m_idle.end()) return false;
  std::unique_ptr<ICarrier> carrier = std::move(it->Carrier);
  m_idle.erase(it);
  Close(std::move(carrier));
  return true;
}

void TCarrierPool::CloseAll() {
  std::vector<TIdle> idle = std::move(m_idle);
  m_idle.clear();
  m_timer.stop();
  for (TIdle& entry : idle) Close(std::move(entry.Carrier));
}

void TCarrierPool::Expire() {
  const qint64 now = m_clock.elapsed();
  while (!m_idle.empty() && now - m_idle.front().Since >= m_idleTimeout) {
    std::unique_ptr<ICarrier> carrier = std::move(m_idle.front().Carrier);
    m_idle.erase(m_idle.begin());
    Close(std::move(carrier));
  }
  if (m_idle.empty()) m_timer.stop();
}
