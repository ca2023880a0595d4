#include <QCoreApplication>
#include <QTextStream>

#ifdef VORNALO_HAVE_APP
#include "ui/app/Application.h"
#endif

int main(int argc, char* argv[]) {
#ifdef VORNALO_HAVE_APP
  return RunVornaloExplorer(argc, argv);
#else
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Vornalo Explorer"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VORNALO_VERSION));
  QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                      << QCoreApplication::applicationVersion() << '\n';
  return 0;
#endif
}
