#include "cli/CliQueueRun.h"

#include <QEventLoop>
#include <QHash>
#include <QTextStream>
#include <QTimer>

#include "core/carrier/CarrierQueue.h"
#include "core/carrier/ThreadedFTPCarrier.h"
#include "core/settings/GlobalOptions.h"

namespace {

QString ItemText(const QString& command, const QString& fileName, const QString& source,
                 const QString& destination) {
  return QStringLiteral("%1 %2%3 -> %4").arg(command, source, fileName, destination);
}

}  // namespace

TCliQueueRun::TCliQueueRun(int carriers, int timeout, bool quiet, TTerminalOutput& out)
    : m_carriers(carriers), m_timeout(timeout), m_quiet(quiet), m_out(out) {}

int TCliQueueRun::Run(std::vector<std::unique_ptr<TFTPCarryItem>> items) {
  // The command line's limit for this run only; the stored options stay as they are. The copy
  // shares the options' extension list.
  TGlobalOptions options = GlobalOptions();
  options.Timeout = m_timeout;
  TCarrierQueue queue([] { return std::make_unique<TThreadedFTPCarrier>(); }, options);
  QTextStream out(stdout);
  QEventLoop loop;
  size_t successShown = 0;
  size_t failShown = 0;
  QHash<const TFTPCarryItem*, QString> lastLine;
  const auto report = [&] {
    for (; successShown < queue.Success().size(); ++successShown) {
      const auto& row = queue.Success()[successShown];
      out << "ok     " << ItemText(row.Command, row.FileName, row.Source, row.Destination) << '\n';
    }
    for (; failShown < queue.Fail().size(); ++failShown) {
      const TFTPCarryItem& item = *queue.Fail()[failShown].Item;
      out << "FAILED "
          << ItemText(item.CommandText(), item.FileName, item.SourceText(), item.DestinationText())
          << ": " << queue.Fail()[failShown].ErrorMessage << '\n';
    }
    out.flush();
    if (queue.RunningCount() == 0 && queue.Queue().empty()) loop.quit();
  };
  queue.OnListsChanged = report;
  queue.OnRunningRowChanged = [&](const TFTPCarryItem* item) {
    if (m_quiet) return;
    for (const auto& row : queue.Running()) {
      if (row.Item.get() != item) continue;
      if (!row.Response.isEmpty() && lastLine.value(item) != row.Response) {
        lastLine.insert(item, row.Response);
        m_out.LogLine(row.Response);
      }
    }
  };
  QTimer interrupt;
  QObject::connect(&interrupt, &QTimer::timeout, [&] {
    if (!m_interrupted) return;
    m_interrupted = false;
    queue.ClearQueue();
    std::vector<const TFTPCarryItem*> running;
    for (const auto& row : queue.Running()) running.push_back(row.Item.get());
    queue.AbortItems(running);
  });
  interrupt.start(100);

  for (auto& item : items) queue.AddItem(std::move(item));
  queue.SetMaxCarrier(m_carriers);
  if (queue.RunningCount() > 0 || !queue.Queue().empty()) loop.exec();
  report();
  if (!queue.Fail().empty()) {
    m_out.Error(QStringLiteral("%1 item(s) failed:").arg(queue.Fail().size()));
    for (const auto& row : queue.Fail()) {
      m_out.Error(QStringLiteral("  %1%2: %3")
                      .arg(row.Item->SrcPath, row.Item->FileName, row.ErrorMessage));
    }
    return 1;
  }
  return 0;
}
