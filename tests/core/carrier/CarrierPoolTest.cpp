// The queue's pool of logged-in carriers, with fakes that count logins and open connections.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <map>

#include "core/carrier/CarrierQueue.h"
#include "core/settings/GlobalOptions.h"

namespace {

// What every fake carrier reports: logins, connections open per server and their peak, and
// carriers handed items of two different logins.
struct World {
  int logins = 0;
  std::map<QString, int> open;
  std::map<QString, int> peak;
  int mixedLogins = 0;
  int stopped = 0;
};

// Logs in on its first item and keeps the connection until stopped; a name ending in "-fail"
// fails, every item finishes a few milliseconds after its start (or when the test says so).
class PooledFake : public QObject, public ICarrier {
 public:
  PooledFake(World& world, bool manual) : m_world(world), m_manual(manual) {}
  ~PooledFake() override { Disconnect(); }

  void Configure(const TFTPCarryItem& item, std::shared_ptr<AsciiExtensionList>,
                 const TCarrierConnection&) override {
    const QString login = item.SrcHostName + ":" + item.SrcPort + ":" + item.SrcUserName;
    if (!m_login.isEmpty() && m_login != login) ++m_world.mixedLogins;
    m_login = login;
    m_server = item.SrcHostName + ":" + item.SrcPort;
    m_name = item.FileName;
  }
  void Start(TCarryRequest) override {
    m_result = -1;
    if (!m_connected) {
      m_connected = true;
      ++m_world.logins;
      m_world.peak[m_server] = std::max(m_world.peak[m_server], ++m_world.open[m_server]);
    }
    if (!m_manual) QTimer::singleShot(2, this, [this] { Finish(); });
  }
  void Finish() { End(m_name.endsWith("-fail") ? 1 : 0); }
  void AbortCarry() override { End(2); }
  void StopCarrier() override {
    ++m_world.stopped;
    Disconnect();
    QTimer::singleShot(0, this, [this] {
      if (OnStopped) OnStopped();
    });
  }
  int CarryResult() const override { return m_result; }
  QString CarryError() const override { return m_result == 0 ? QString() : "failed"; }
  qint64 CarryFileSize() const override { return -1; }
  std::vector<std::unique_ptr<TFTPCarryItem>> TakeExploredItems() override { return {}; }
  bool Reusable() const override { return m_result == 0 && m_connected; }
  bool Running() const { return m_result < 0; }

 private:
  void End(int result) {
    if (m_result >= 0) return;
    m_result = result;
    if (result != 0) Disconnect();  // a failed item's connection is not to be trusted
    if (OnCarryDone) OnCarryDone();
  }
  void Disconnect() {
    if (!m_connected) return;
    m_connected = false;
    --m_world.open[m_server];
  }

  World& m_world;
  bool m_manual;
  QString m_login, m_server, m_name;
  bool m_connected = false;
  int m_result = -1;
};

std::unique_ptr<TFTPCarryItem> FileOf(const QString& host, const QString& user,
                                      const QString& name) {
  auto item = std::make_unique<TFTPCarryItem>();
  item->FileName = name;
  item->Direction = carryDownload;
  item->SrcHostName = host;
  item->SrcPort = "21";
  item->SrcUserName = user;
  item->SrcPassword = "pw";
  return item;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
  const QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

class CarrierPoolTest : public ::testing::Test {
 protected:
  TCarrierQueue& MakeQueue(int maxCarrier, bool manual = false) {
    queue = std::make_unique<TCarrierQueue>(
        [this, manual] {
          auto fake = std::make_unique<PooledFake>(world, manual);
          fakes.push_back(fake.get());
          return fake;
        },
        options);
    queue->SetMaxCarrier(maxCarrier);
    return *queue;
  }
  bool Drained() const { return queue->Queue().empty() && queue->RunningCount() == 0; }

  TGlobalOptions options;
  World world;
  std::vector<PooledFake*> fakes;  // every fake made, alive or not
  std::unique_ptr<TCarrierQueue> queue;
};

TEST_F(CarrierPoolTest, TenFilesFromOneServerLogInThreeTimes) {
  TCarrierQueue& q = MakeQueue(3);
  for (int i = 0; i < 10; ++i) q.AddItem(FileOf("a", "u", QString("f%1").arg(i)));
  q.RunQueue();
  ASSERT_TRUE(PumpUntil([&] { return Drained(); }));
  EXPECT_EQ(q.Success().size(), 10u);
  EXPECT_EQ(world.logins, 3);
  EXPECT_EQ(world.peak["a:21"], 3);
  EXPECT_EQ(q.IdleCount(), 3);  // waiting for more
  // Clearing the queue closes them.
  q.ClearQueue();
  EXPECT_EQ(q.IdleCount(), 0);
  EXPECT_EQ(world.open["a:21"], 0);
}

TEST_F(CarrierPoolTest, DifferentLoginsNeverShareAndOneServerStaysWithinMaxCarrier) {
  TCarrierQueue& q = MakeQueue(2);
  // Two servers, and a second user on the first: three logins, two connections a server.
  for (int i = 0; i < 12; ++i) {
    const char* host = i % 3 == 1 ? "b" : "a";
    const char* user = i % 3 == 2 ? "v" : "u";
    q.AddItem(FileOf(host, user, QString("f%1").arg(i)));
  }
  q.RunQueue();
  ASSERT_TRUE(PumpUntil([&] { return Drained(); }));
  EXPECT_EQ(q.Success().size(), 12u);
  EXPECT_EQ(world.mixedLogins, 0);
  EXPECT_LE(world.peak["a:21"], 2);
  EXPECT_LE(world.peak["b:21"], 2);
  EXPECT_LT(world.logins, 12);  // some items found a carrier of their own login waiting
  q.ClearQueue();
  EXPECT_EQ(world.open["a:21"] + world.open["b:21"], 0);
}

TEST_F(CarrierPoolTest, IdleCarriersCloseAfterTheirTime) {
  TCarrierQueue& q = MakeQueue(3);
  EXPECT_EQ(q.IdleTimeout(), 30000);
  q.SetIdleTimeout(150);
  q.AddItem(FileOf("a", "u", "one"));
  q.AddItem(FileOf("a", "u", "two"));
  q.RunQueue();
  ASSERT_TRUE(PumpUntil([&] { return Drained(); }));
  EXPECT_EQ(q.IdleCount(), 2);
  EXPECT_EQ(world.open["a:21"], 2);
  ASSERT_TRUE(PumpUntil([&] { return q.IdleCount() == 0; }, 3000));
  EXPECT_EQ(world.open["a:21"], 0);
  // The next item logs in afresh.
  q.AddItem(FileOf("a", "u", "three"));
  q.RunQueue();
  ASSERT_TRUE(PumpUntil([&] { return Drained(); }));
  EXPECT_EQ(world.logins, 3);
}

TEST_F(CarrierPoolTest, FailedAndAbortedItemsLeaveNothingInThePool) {
  TCarrierQueue& q = MakeQueue(3, true);
  q.AddItem(FileOf("a", "u", "x-fail"));
  q.AddItem(FileOf("a", "u", "aborted"));
  q.AddItem(FileOf("a", "u", "good"));
  q.RunQueue();
  ASSERT_EQ(fakes.size(), 3u);
  fakes[0]->Finish();
  q.AbortItems({q.Running()[0].Item.get()});
  EXPECT_EQ(q.Fail().size(), 2u);
  EXPECT_EQ(q.IdleCount(), 0);
  EXPECT_EQ(world.open["a:21"], 1);  // only the running one
  fakes[2]->Finish();
  EXPECT_EQ(q.IdleCount(), 1);
  // A new item takes the good one's carrier, not a new login.
  q.AddItem(FileOf("a", "u", "again"));
  q.RunQueue();
  EXPECT_EQ(fakes.size(), 3u);
  EXPECT_EQ(world.logins, 3);
  EXPECT_TRUE(fakes[2]->Running());
}

TEST_F(CarrierPoolTest, LoweringMaxCarrierClosesWhatNoLongerFits) {
  TCarrierQueue& q = MakeQueue(3, true);
  for (int i = 0; i < 3; ++i) q.AddItem(FileOf("a", "u", QString("f%1").arg(i)));
  q.RunQueue();
  ASSERT_EQ(fakes.size(), 3u);
  q.SetMaxCarrier(1);
  for (PooledFake* fake : fakes) fake->Finish();
  EXPECT_EQ(q.IdleCount(), 1);
  EXPECT_EQ(world.open["a:21"], 1);
  // A different login on the same server makes room by closing the idle one.
  q.AddItem(FileOf("a", "other", "g"));
  q.RunQueue();
  EXPECT_EQ(q.IdleCount(), 0);
  EXPECT_EQ(world.open["a:21"], 1);
  EXPECT_EQ(world.peak["a:21"], 3);  // reached before the limit was lowered, never after
}

}  // namespace
