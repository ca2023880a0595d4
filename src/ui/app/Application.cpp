#include "ui/app/Application.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QWindow>
#include <memory>

#include "core/common/ShellIcons.h"
#include "core/settings/GlobalOptions.h"
#include "ui/app/AppInfo.h"
#include "ui/app/HelpKeyFilter.h"
#include "ui/app/HelpViewer.h"
#include "ui/app/MainForm.h"
#include "ui/app/ScreenshotTour.h"
#include "ui/app/SharedWindowPlaces.h"
#include "ui/app/SingleInstance.h"
#include "ui/app/SplashForm.h"
#include "ui/carrier/CarrierForm.h"
#include "ui/editor/OnlineEditorForm.h"
#include "ui/local/LocalExplorerForm.h"
#include "ui/sitebook/SiteBookForm.h"
#include "ui/widgets/DesktopKeys.h"
#include "ui/widgets/DesktopServices.h"
#include "ui/widgets/RemoteExpList.h"

namespace {

QString FourPartVersion() {
  QStringList parts = QStringLiteral(VORNALO_VERSION).split(QLatin1Char('.'));
  while (parts.size() < 4) parts << QStringLiteral("0");
  return parts.mid(0, 4).join(QLatin1Char('.'));
}

// Brings the window the user last worked in to the front, restoring it when minimised.
void BringForward(QWidget* window) {
  if (window == nullptr) return;
  if (window->isMinimized()) {
    window->showNormal();
  } else {
    window->show();
  }
  window->raise();
  window->activateWindow();
}

}  // namespace

int RunVornaloExplorer(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vornalo Explorer"));
  QApplication::setOrganizationName(QStringLiteral("Vornalo"));
  QApplication::setApplicationVersion(FourPartVersion());
  // The main bar ends the program when it closes, whatever else is still shown.
  QApplication::setQuitOnLastWindowClosed(false);
  AppInfo::InitResources();

  // 1. The program-wide objects, before any window.
  ShellIcons();
  GlobalOptions();
  RemoteExpList();

  // 2, 3. One instance per user.
  // A program started on another settings folder (tests, screenshots) is another instance.
  TSingleInstance instance(AppInfo::ApplicationTitle() +
                           qEnvironmentVariable("VORNALO_CONFIG_HOME"));
  if (!instance.Start()) return 0;

  if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor")) {
    QIcon::setThemeName(QStringLiteral("Adwaita"));
  }
  QApplication::setWindowIcon(QIcon(AppInfo::Logo(QSize(64, 64))));

  // 4. The splash, painted before anything else loads.
  auto splash = std::make_unique<TSplashForm>();
  splash->ShowNow();

  // 6. The main bar first, then the shared windows, hidden.
  auto mainForm = std::make_unique<TMainForm>();
  auto siteBook = std::make_unique<TSiteBookForm>();
  auto localExplorer = std::make_unique<TLocalExplorerForm>();
  auto carrier = std::make_unique<TCarrierForm>();
  auto onlineEditor = std::make_unique<TOnlineEditorForm>();
  PlaceSharedWindows(mainForm.get(), siteBook.get(), localExplorer.get(), carrier.get(),
                     onlineEditor.get());
  mainForm->SetWindows(siteBook.get(), localExplorer.get(), carrier.get(), onlineEditor.get());

  DesktopServices::SetProblemReporter(
      [form = mainForm.get()](const QString& text) { form->ShowStatusText(text); });
  THelpKeyFilter helpKeys(
      [form = mainForm.get()](int context) { form->HelpViewer()->ShowContext(context); });
  app.installEventFilter(&helpKeys);
  TContextMenuKeyFilter menuKey;
  app.installEventFilter(&menuKey);

  QPointer<QWidget> lastActive = mainForm.get();
  QObject::connect(&app, &QApplication::focusChanged, [&lastActive](QWidget*, QWidget* now) {
    if (now != nullptr) lastActive = now->window();
  });
  instance.OnActivateRequest = [&lastActive, &mainForm] {
    BringForward(mainForm.get());
    if (lastActive != nullptr && lastActive != mainForm.get()) BringForward(lastActive);
  };

  mainForm->OnFirstActivation = [&] {
    localExplorer->show();
    siteBook->show();
    splash.reset();
    const QString screenshots = qEnvironmentVariable("VORNALO_SCREENSHOT_DIR");
    if (!screenshots.isEmpty()) RunScreenshotTour(mainForm.get(), siteBook.get(), screenshots);
  };
  mainForm->show();

  const int code = QApplication::exec();

  // The remote explorers are gone (the main bar waited for them); now the shared windows
  // save their state, and the options save themselves last.
  DesktopServices::SetProblemReporter({});
  lastActive = nullptr;
  splash.reset();
  onlineEditor.reset();
  carrier.reset();
  localExplorer.reset();
  siteBook.reset();
  mainForm.reset();
  GlobalOptions().SaveGlobalOptions();
  return code;
}
