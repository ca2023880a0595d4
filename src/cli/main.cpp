#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdlib>

#include "cli/CliArguments.h"
#include "cli/CliRunner.h"

namespace {
std::atomic<bool> g_interrupted{false};
void OnSignal(int) {
  g_interrupted = true;
}
}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("vornalo-ftp"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VORNALO_VERSION));
  TCliArguments args;
  QString error;
  if (!ParseCliArguments(QCoreApplication::arguments().mid(1), args, &error)) {
    QTextStream(stderr) << "vornalo-ftp: " << error << '\n';
    return 1;
  }
  if (args.Help) {
    QTextStream(stdout) << CliUsage();
    return 0;
  }
  if (args.Version) {
    QTextStream(stdout) << "vornalo-ftp " << QCoreApplication::applicationVersion() << '\n';
    return 0;
  }
  TCliRunner runner(std::move(args));
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  // Signals only set a flag; the event loop turns it into an abort.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&runner] {
    static bool delivered = false;
    if (g_interrupted && !delivered) {
      delivered = true;
      runner.Interrupt();
    }
  });
  watch.start(100);
  return runner.Run();
}
