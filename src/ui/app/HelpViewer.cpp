#include "ui/app/HelpViewer.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>

#include "ui/app/AppInfo.h"
#include "ui/widgets/DesktopServices.h"

THelpViewer::THelpViewer(QWidget* parent) : QMainWindow(parent) {
  AppInfo::InitResources();
  setObjectName(QStringLiteral("HelpViewer"));
  setWindowTitle(QStringLiteral("Vornalo Explorer Help"));
  Browser = new QTextBrowser(this);
  Browser->setObjectName(QStringLiteral("Browser"));
  Browser->setOpenExternalLinks(true);
  Browser->setSearchPaths({QStringLiteral(":/help")});
  setCentralWidget(Browser);
  resize(560, 480);
}

QString THelpViewer::TopicOfContext(int context) {
  switch (context) {
    case 1001:
      return QStringLiteral("sitebook.html");
    case 1002:
      return QStringLiteral("remoteexplorer.html");
    case 1003:
      return QStringLiteral("localexplorer.html");
    case 1004:
      return QStringLiteral("carrier.html");
    case 1005:
      return QStringLiteral("onlineeditor.html");
    case 1006:
      return QStringLiteral("siteproperties.html");
    case 1007:
      return QStringLiteral("globaloptions.html");
    default:
      return QStringLiteral("welcome.html");
  }
}

bool THelpViewer::ShowTopic(const QString& topic) {
  const QString path = QStringLiteral(":/help/") + topic;
  if (!QFile::exists(path)) {
    DesktopServices::ReportProblemOnce(QStringLiteral("Help topic not found: %1").arg(topic));
    return false;
  }
  Browser->setSource(QUrl(QStringLiteral("qrc") + path));
  setWindowTitle(QStringLiteral("Vornalo Explorer Help - ") + Browser->documentTitle());
  showNormal();
  raise();
  activateWindow();
  return true;
}

bool THelpViewer::ShowContext(int context) {
  return ShowTopic(TopicOfContext(context));
}
