#include "ui/app/ScreenshotTour.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include "core/settings/GlobalOptions.h"
#include "ui/app/AboutForm.h"
#include "ui/app/GlobalOptionsForm.h"
#include "ui/app/MainForm.h"
#include "ui/sitebook/SiteBookForm.h"
#include "ui/sitebook/SiteBookNode.h"
#include "ui/sitebook/SitePropertiesForm.h"
#include "ui/widgets/ActionList.h"

namespace {

void Save(const QPixmap& pixmap, const QString& folder, const QString& name) {
  const QString path = folder + QLatin1Char('/') + name;
  if (!pixmap.save(path, "PNG")) qWarning("cannot save %s", qPrintable(path));
}

// The screen as the user sees it, window frames included; `area` limits it to a part.
void SaveScreen(const QString& folder, const QString& name, const QRect& area = QRect()) {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect part = area.isNull() ? QRect(0, 0, -1, -1) : area;
    Save(screen->grabWindow(0, part.x(), part.y(), part.width(), part.height()), folder, name);
  }
}

}  // namespace

void RunScreenshotTour(TMainForm* mainForm, TSiteBookForm* siteBook, const QString& folder) {
  QDir().mkpath(folder);
  const QString only = qEnvironmentVariable("VORNALO_SCREENSHOT_ONLY");
  if (!only.isEmpty()) {
    // One picture of the whole screen (the run at another scale), then the end.
    QTimer::singleShot(1500, mainForm, [=] {
      SaveScreen(folder, only);
      mainForm->close();
    });
    return;
  }
  // Give the windows time to map and paint before each picture.
  QTimer::singleShot(1500, mainForm, [=] {
    SaveScreen(folder, QStringLiteral("desktop.png"));
    SaveScreen(folder, QStringLiteral("main-bar-and-site-book.png"),
               mainForm->frameGeometry().united(siteBook->frameGeometry()));
    Save(mainForm->grab(), folder, QStringLiteral("main-bar.png"));
    // A site selected, so the status bar shows its user and host.
    const QList<QTreeWidgetItem*> sites = siteBook->SiteBookTreeView->findItems(
        QStringLiteral("Debian"), Qt::MatchExactly | Qt::MatchRecursive);
    if (!sites.isEmpty()) siteBook->SiteBookTreeView->setCurrentItem(sites.first());
    siteBook->Actions->UpdateActions();
    siteBook->repaint();
    Save(siteBook->grab(), folder, QStringLiteral("site-book.png"));
    if (!sites.isEmpty()) {
      auto* node = static_cast<TSiteBookNode*>(sites.first());
      TSitePropertiesForm properties(siteBook, node->Data.SiteRecord.get());
      properties.NameEdit->setText(node->Name());
      properties.NameEdit->setEnabled(false);
      properties.LocationEdit->setText(SiteLocation(node));
      properties.PageControl->setCurrentWidget(properties.LoginSheet);
      Save(properties.grab(), folder, QStringLiteral("site-properties.png"));
    }
    {
      TAboutForm about(mainForm);
      about.adjustSize();
      Save(about.grab(), folder, QStringLiteral("about.png"));
    }
    auto* options = new TGlobalOptionsForm(mainForm, GlobalOptions());
    options->setAttribute(Qt::WA_DeleteOnClose);
    options->show();
    QTimer::singleShot(800, mainForm, [=] {
      Save(options->grab(), folder, QStringLiteral("options-appearance.png"));
      SaveScreen(folder, QStringLiteral("options-on-screen.png"));  // where the dialog opens
      options->PageControl->setCurrentIndex(1);
      QTimer::singleShot(300, mainForm, [=] {
        Save(options->grab(), folder, QStringLiteral("options-ftp.png"));
        options->PageControl->setCurrentIndex(2);
        QTimer::singleShot(300, mainForm, [=] {
          Save(options->grab(), folder, QStringLiteral("options-feedback.png"));
          options->PageControl->setCurrentIndex(4);
          QTimer::singleShot(300, mainForm, [=] {
            Save(options->grab(), folder, QStringLiteral("options-proxy.png"));
            options->reject();
            mainForm->close();
          });
        });
      });
    });
  });
}
