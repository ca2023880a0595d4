#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <map>
#include <set>

#include "core/carrier/CarrierQueue.h"
#include "core/settings/GlobalOptions.h"

namespace {

// A carrier whose outcome the test decides: by hand (Finish) or on a timer (auto mode).
class FakeCarrier : public ICarrier {
 public:
  struct Log {
    std::map<QString, int> starts;
    int running = 0;
    int maxRunning = 0;
    std::vector<FakeCarrier*> live;
    TCarrierConnection lastProxy;
    std::shared_ptr<AsciiExtensionList> lastExts;
  };

  explicit FakeCarrier(Log& log, bool autoFinish) : m_log(log), m_auto(autoFinish) {}
  ~FakeCarrier() override { std::erase(m_log.live, this); }

  void Configure(const TFTPCarryItem& item, std::shared_ptr<AsciiExtensionList> exts,
                 const TCarrierConnection& proxy) override {
    m_name = item.FileName;
    m_size = item.FileSize;
    m_log.lastProxy = proxy;
    m_log.lastExts = std::move(exts);
  }
  void Start(TCarryRequest request) override {
    m_request = request;
    ++m_log.starts[m_name];
    m_log.maxRunning = std::max(m_log.maxRunning, ++m_log.running);
    m_log.live.push_back(this);
    if (m_auto) {
      const bool fail = m_name.endsWith("-fail");
      QTimer::singleShot(1 + m_name.size() % 4, [this, fail] { Finish(fail ? 1 : 0, "failed"); });
    }
  }
  void AbortCarry() override { Finish(2, "! Operation aborted."); }
  void StopCarrier() override { m_stopped = true; }
  int CarryResult() const override { return m_result; }
  QString CarryError() const override { return m_error; }
  qint64 CarryFileSize() const override { return m_size; }
  std::vector<std::unique_ptr<TFTPCarryItem>> TakeExploredItems() override {
    return std::move(explored);
  }

  void Finish(int result, const QString& error) {
    if (m_finished) return;
    m_finished = true;
    --m_log.running;
    m_result = result;
    m_error = result == 0 ? QString() : error;
    const bool explore = m_request == TCarryRequest::ExploreDownload ||
                         m_request == TCarryRequest::ExploreUpload ||
                         m_request == TCarryRequest::ExploreServerToServer;
    if (explore && OnExploreDone) {
      OnExploreDone();
    } else if (!explore && OnCarryDone) {
      OnCarryDone();
    }
  }

  std::vector<std::unique_ptr<TFTPCarryItem>> explored;
  TCarryRequest m_request = TCarryRequest::CarryDownload;
  QString m_name;

 private:
  Log& m_log;
  bool m_auto;
  qint64 m_size = -1;
  int m_result = 0;
  QString m_error;
  bool m_finished = false;
  bool m_stopped = false;
};

std::unique_ptr<TFTPCarryItem> File(const QString& name, quint8 direction = carryDownload) {
  auto item = std::make_unique<TFTPCarryItem>();
  item->FileName = name;
  item->Direction = direction;
  item->FileSize = 100;
  return item;
}

class CarrierQueueTest : public ::testing::Test {
 protected:
  TCarrierQueue& MakeQueue(bool autoFinish) {
    queue = std::make_unique<TCarrierQueue>(
        [this, autoFinish] { return std::make_unique<FakeCarrier>(log, autoFinish); }, options);
    return *queue;
  }
  FakeCarrier* LiveNamed(const QString& name) {
    for (FakeCarrier* c : log.live) {
      if (c->m_name == name) return c;
    }
    return nullptr;
  }
  void ProcessEvents() { QCoreApplication::processEvents(); }

  TGlobalOptions options;
  FakeCarrier::Log log;
  std::unique_ptr<TCarrierQueue> queue;
};

TEST_F(CarrierQueueTest, StartsUpToMaxCarrierInQueueOrder) {
  TCarrierQueue& q = MakeQueue(false);
  for (int i = 0; i < 10; ++i) q.AddItem(File(QString("f%1").arg(i)));
  EXPECT_EQ(q.RunningCount(), 0);  // adding starts nothing
  EXPECT_EQ(q.StatusText(), "10 Items Queued");
  q.RunQueue();
  ASSERT_EQ(q.RunningCount(), 3);
  EXPECT_EQ(q.Running()[0].Item->FileName, "f0");
  EXPECT_EQ(q.Running()[2].Item->FileName, "f2");
  EXPECT_EQ(q.Running()[0].Item->Carrier, static_cast<ICarrier*>(log.live[0]));
  EXPECT_EQ(q.StatusText(), "7 Items Queued");

  LiveNamed("f1")->Finish(0, "");
  EXPECT_EQ(q.RunningCount(), 3);  // the next queued item took its place
  EXPECT_EQ(q.Running().back().Item->FileName, "f3");
  ASSERT_EQ(q.Success().size(), 1u);
  EXPECT_EQ(q.Success()[0].FileName, "f1");

  // Suspend: running ones finish, nothing new starts; resume fills up again.
  q.SetResumeService(false);
  for (const char* name : {"f0", "f2", "f3"}) LiveNamed(name)->Finish(0, "");
  EXPECT_EQ(q.RunningCount(), 0);
  q.SetResumeService(true);
  EXPECT_EQ(q.RunningCount(), 3);

  q.SetMaxCarrier(5);
  EXPECT_EQ(q.RunningCount(), 5);
  q.SetMaxCarrier(1);  // holds back new starts, stops nothing
  EXPECT_EQ(q.RunningCount(), 5);
  LiveNamed("f4")->Finish(0, "");
  LiveNamed("f5")->Finish(0, "");
  EXPECT_EQ(q.RunningCount(), 3);
  q.SetMaxCarrier(99);
  EXPECT_EQ(q.MaxCarrier(), 16);
  q.SetMaxCarrier(0);
  EXPECT_EQ(q.MaxCarrier(), 1);
  ProcessEvents();  // retired carriers are freed after their events
}

TEST_F(CarrierQueueTest, FailuresKeepTheirItemAndCanBeResubmitted) {
  TCarrierQueue& q = MakeQueue(false);
  options.FTPProxyType = 1;
  options.FTPProxyServer = "proxy.example.com";
  options.FTPProxyPort = 8021;
  q.AddItem(File("login-fails", carryUpload));
  q.RunQueue();
  EXPECT_TRUE(log.lastProxy.Enabled);
  EXPECT_EQ(log.lastProxy.Server, "proxy.example.com");
  EXPECT_EQ(log.lastProxy.Port, "8021");
  EXPECT_EQ(log.lastExts, options.ASCIIExts());  // the shared list, not a copy
  EXPECT_EQ(LiveNamed("login-fails")->m_request, TCarryRequest::CarryUpload);

  LiveNamed("login-fails")->Finish(1, "530 Login incorrect.");
  ASSERT_EQ(q.Fail().size(), 1u);
  EXPECT_EQ(q.Fail()[0].ErrorMessage, "530 Login incorrect.");
  EXPECT_EQ(q.Fail()[0].Item->Carrier, nullptr);
  const TFTPCarryItem* failed = q.Fail()[0].Item.get();
  q.ResubmitItems({failed});
  EXPECT_TRUE(q.Fail().empty());
  EXPECT_EQ(q.RunningCount(), 1);
  EXPECT_EQ(log.starts["login-fails"], 2);
  ProcessEvents();
}

TEST_F(CarrierQueueTest, ExploredFolderItemsJoinTheEndOfTheQueue) {
  TCarrierQueue& q = MakeQueue(false);
  auto folder = File("dir");
  folder->IsFolder = 1;
  folder->FileSize = -1;
  q.AddItem(std::move(folder));
  q.AddItem(File("later"));
  q.SetMaxCarrier(1);
  FakeCarrier* explorer = LiveNamed("dir");
  ASSERT_NE(explorer, nullptr);
  EXPECT_EQ(explorer->m_request, TCarryRequest::ExploreDownload);
  explorer->explored.push_back(File("a"));
  explorer->explored.push_back(File("b"));
  auto sub = File("sub");
  sub->IsFolder = 1;
  explorer->explored.push_back(std::move(sub));
  explorer->Finish(0, "");
  ASSERT_EQ(q.Success().size(), 1u);
  EXPECT_EQ(q.Success()[0].Command, "Explore");
  EXPECT_EQ(q.Success()[0].Size, "");
  EXPECT_EQ(q.Running()[0].Item->FileName, "later");
  ASSERT_EQ(q.Queue().size(), 3u);
  EXPECT_EQ(q.Queue()[0]->FileName, "a");
  EXPECT_EQ(q.Queue()[2]->CommandText(), "Explore");
  ProcessEvents();
}

TEST_F(CarrierQueueTest, AbortDeleteAndClear) {
  TCarrierQueue& q = MakeQueue(false);
  for (const char* name : {"a", "b", "c", "d", "e"}) q.AddItem(File(name));
  q.SetMaxCarrier(2);
  q.AbortItems({q.Running()[0].Item.get()});
  ASSERT_EQ(q.Fail().size(), 1u);
  EXPECT_EQ(q.Fail()[0].ErrorMessage, "! Operation aborted.");
  EXPECT_EQ(q.RunningCount(), 2);  // c took a's place
  q.DeleteQueuedItems({q.Queue()[0].get()});
  ASSERT_EQ(q.Queue().size(), 1u);
  EXPECT_EQ(q.Queue()[0]->FileName, "e");
  q.ClearQueue();
  q.ClearFail();
  EXPECT_TRUE(q.Queue().empty());
  EXPECT_TRUE(q.Fail().empty());
  EXPECT_EQ(q.StatusText(), "0 Items Queued");
  ProcessEvents();
}

TEST_F(CarrierQueueTest, FiftyItemsNoneLostNoneRunTwice) {
  TCarrierQueue& q = MakeQueue(true);
  std::set<QString> names;
  for (int i = 0; i < 50; ++i) {
    const QString name = QString("item%1%2").arg(i).arg(i % 5 == 4 ? "-fail" : "");
    names.insert(name);
    q.AddItem(File(name));
  }
  q.RunQueue();
  const QDeadlineTimer deadline(10000);
  while ((q.RunningCount() > 0 || !q.Queue().empty()) && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  EXPECT_EQ(q.RunningCount(), 0);
  EXPECT_TRUE(q.Queue().empty());
  EXPECT_EQ(q.Success().size(), 40u);
  EXPECT_EQ(q.Fail().size(), 10u);
  EXPECT_LE(log.maxRunning, 3);
  EXPECT_EQ(log.starts.size(), 50u);
  for (const auto& [name, count] : log.starts) {
    EXPECT_EQ(count, 1) << name.toStdString();
    EXPECT_TRUE(names.count(name)) << name.toStdString();
  }
  for (const auto& row : q.Fail()) EXPECT_TRUE(row.Item->FileName.endsWith("-fail"));
  ProcessEvents();
}

TEST(CarryStatusTexts, ProgressColumns) {
  struct Case {
    qint64 size, position, transfered;
    double elapsed;
    const char *rate, *left, *done;
  } cases[] = {
      {1000, 500, 500, 1.0, "0.49 KB/s", "00:00:01", "50 %"},
      {-1, 500, 500, 1.0, "0.49 KB/s", "", ""},
      {0, 0, 0, 0.0, "", "", ""},
      {1024 + 65 * 1024, 1024, 1024, 1.0, "1.00 KB/s", "00:01:05", "2 %"},
      {qint64(8) << 30, qint64(4) << 30, qint64(4) << 30, 1.0, "4194304.00 KB/s", "00:00:01",
       "50 %"},
      {100, 150, 150, 1.0, "0.15 KB/s", "00:00:00", "150 %"},
  };
  for (const Case& c : cases) {
    const TCarryStatusTexts t = CarryStatusTexts(c.size, c.position, c.transfered, c.elapsed);
    EXPECT_EQ(t.Position, QString::number(c.position));
    EXPECT_EQ(t.TransferRate, c.rate) << c.size << "/" << c.position;
    EXPECT_EQ(t.TimeLeft, c.left) << c.size << "/" << c.position;
    EXPECT_EQ(t.Done, c.done) << c.size << "/" << c.position;
  }
  EXPECT_EQ(TimeLeftText(100 * 3600 + 1), "100:00:01");
}

}  // namespace
