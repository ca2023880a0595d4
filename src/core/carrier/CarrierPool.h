#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <vector>

#include "core/carrier/Carrier.h"

// Idle carriers that stay logged in for the next item with the same logins (the same
// CarrierSessionKey), so a queue of many files from one server logs in once per carrier, not
// once per file. A carrier idle longer than IdleTimeout is closed (QUIT); closing carriers
// are kept until their worker has ended. Lives on the queue's thread.
class TCarrierPool : public QObject {
 public:
  static constexpr int kDefaultIdleTimeoutMs = 30000;

  explicit TCarrierPool(QObject* parent = nullptr);
  // Closes every idle carrier and waits (briefly bounded) for their QUIT.
  ~TCarrierPool() override;

  int IdleTimeout() const { return m_idleTimeout; }
  void SetIdleTimeout(int ms);

  // The most recently parked carrier with this key, or null.
  std::unique_ptr<ICarrier> Take(const QString& key);
  // `servers` holds one entry per connection the carrier keeps (CarrierServers).
  void Park(std::unique_ptr<ICarrier> carrier, const QString& key, const QStringList& servers);
  // Stops the carrier and keeps it until its worker has ended.
  void Close(std::unique_ptr<ICarrier> carrier);
  // Idle connections to `server`.
  int Connections(const QString& server) const;
  // Closes the idle carrier connected to `server` that waited longest; false when none.
  bool CloseOldest(const QString& server);
  void CloseAll();
  int IdleCount() const { return int(m_idle.size()); }

 private:
  struct TIdle {
    std::unique_ptr<ICarrier> Carrier;
    QString Key;
    QStringList Servers;
    qint64 Since = 0;  // ms on m_clock
  };
  void Expire();
  void Ended(ICarrier* carrier);

  std::vector<TIdle> m_idle;  // oldest first
  std::vector<std::unique_ptr<ICarrier>> m_closing;
  QTimer m_timer;
  QElapsedTimer m_clock;
  int m_idleTimeout = kDefaultIdleTimeoutMs;
};
