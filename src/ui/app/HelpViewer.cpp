#include "ui/app/HelpViewer.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QTextBrowser>
#include <QUrl>
#include <QWindow>

#include "ui/app/AppInfo.h"
#include "ui/widgets/DesktopServices.h"
#include "ui/widgets/WindowPlacement.h"

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
  // A link followed inside the window changes the topic as much as a help key does.
  connect(Browser, &QTextBrowser::sourceChanged, this, &THelpViewer::TopicChanged);
  TWindowPlacement::PlaceAt(this, [this](const QSize& size) {
    if (m_modal != nullptr) {
      return BesideOf(FrameRect(m_modal), size, AvailableAreaOf(m_modal)).topLeft();
    }
    const QRect area = AvailableAreaOf(QApplication::activeWindow());
    return area.center() - QPoint(size.width() / 2, size.height() / 2);
  });
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
  TopicChanged();
  ShowWindow();
  return true;
}

bool THelpViewer::ShowContext(int context) {
  return ShowTopic(TopicOfContext(context));
}

void THelpViewer::TopicChanged() {
  const QString title = Browser->documentTitle();
  setWindowTitle(title.isEmpty() ? QStringLiteral("Vornalo Explorer Help")
                                 : QStringLiteral("Vornalo Explorer Help - ") + title);
}

void THelpViewer::ShowWindow() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal != nullptr && modal != this && modal != m_modal) JoinModal(modal);
  showNormal();
  raise();
  activateWindow();
}

void THelpViewer::JoinModal(QWidget* modal) {
  // A modal dialog blocks every window but its own and those it is the transient parent of.
  // Whether a window is blocked is settled when it is shown, so a shown help window is hidden
  // first.
  LeaveModal();
  hide();
  winId();
  modal->winId();
  windowHandle()->setTransientParent(modal->windowHandle());
  m_modal = modal;
  modal->installEventFilter(this);
  SetFrameRect(this, BesideOf(FrameRect(modal), FrameRect(this).size(), AvailableAreaOf(modal)));
}

void THelpViewer::LeaveModal() {
  if (m_modal == nullptr) return;
  m_modal->removeEventFilter(this);
  m_modal = nullptr;
  if (QWindow* handle = windowHandle()) {
    QWidget* owner = parentWidget();
    handle->setTransientParent(owner != nullptr ? owner->window()->windowHandle() : nullptr);
  }
}

bool THelpViewer::eventFilter(QObject* watched, QEvent* event) {
  // The help window stays open when its dialog closes, and must not go with it.
  if (watched == m_modal && (event->type() == QEvent::Hide || event->type() == QEvent::Destroy)) {
    LeaveModal();
  }
  return QMainWindow::eventFilter(watched, event);
}
