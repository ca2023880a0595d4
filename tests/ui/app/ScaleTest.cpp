// Runs with QT_SCALE_FACTOR=2: a screen of half as many device-independent pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QList>
#include <QScreen>
#include <memory>

#include "core/settings/RegistryPaths.h"
#include "core/settings/RegistryStore.h"
#include "core/settings/SiteProperties.h"
#include "ui/app/AboutForm.h"
#include "ui/app/MainForm.h"
#include "ui/app/SharedWindowPlaces.h"
#include "ui/carrier/CarrierForm.h"
#include "ui/editor/OnlineEditorForm.h"
#include "ui/local/LocalExplorerForm.h"
#include "ui/sitebook/SiteBookForm.h"
#include "ui/sitebook/SitePropertiesForm.h"
#include "ui/widgets/WindowPlacement.h"

namespace {

struct Windows {
  RegistryStore store;
  std::unique_ptr<TMainForm> main;
  std::unique_ptr<TSiteBookForm> siteBook;
  std::unique_ptr<TLocalExplorerForm> localExplorer;
  std::unique_ptr<TCarrierForm> carrier;
  std::unique_ptr<TOnlineEditorForm> onlineEditor;

  void Start() {
    main = std::make_unique<TMainForm>(store);
    siteBook = std::make_unique<TSiteBookForm>(store);
    localExplorer = std::make_unique<TLocalExplorerForm>(store);
    carrier = std::make_unique<TCarrierForm>(store);
    onlineEditor = std::make_unique<TOnlineEditorForm>(store);
    PlaceSharedWindows(main.get(), siteBook.get(), localExplorer.get(), carrier.get(),
                       onlineEditor.get());
    main->show();
    QCoreApplication::processEvents();
    for (QWidget* window : Shared()) {
      window->show();
      QCoreApplication::processEvents();
    }
  }
  QList<QWidget*> Shared() const {
    return {localExplorer.get(), siteBook.get(), carrier.get(), onlineEditor.get()};
  }
};

}  // namespace

TEST(ScaleTwo, FreshStartShowsEveryWindowWholeOnTheScreen) {
  ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 2.0);
  const QRect area = WorkArea();
  Windows w;
  w.Start();
  EXPECT_TRUE(area.contains(FrameRect(w.main.get())));
  EXPECT_EQ(FrameRect(w.main.get()).top(), area.top());
  for (QWidget* window : w.Shared()) {
    EXPECT_TRUE(area.contains(FrameRect(window)))
        << window->objectName().toStdString() << " " << FrameRect(window).x() << ","
        << FrameRect(window).y() << " " << FrameRect(window).width() << "x"
        << FrameRect(window).height() << " in " << area.width() << "x" << area.height();
  }
  // Still below the main bar, only shorter.
  EXPECT_GT(FrameRect(w.siteBook.get()).top(), FrameRect(w.main.get()).bottom());
}

TEST(ScaleTwo, BoundsSavedOnALargerScreenAreFittedIn) {
  const QRect area = WorkArea();
  Windows w;
  const QString key = RegistryPaths::SiteBookKey();
  w.store.CreateKey(key);
  w.store.WriteInteger(key, QStringLiteral("Left"), 1500);
  w.store.WriteInteger(key, QStringLiteral("Top"), 900);
  w.store.WriteInteger(key, QStringLiteral("Width"), 700);
  w.store.WriteInteger(key, QStringLiteral("Height"), 900);
  w.Start();
  EXPECT_TRUE(area.contains(FrameRect(w.siteBook.get())));
  EXPECT_LE(w.siteBook->width(), area.width());
}

TEST(ScaleTwo, DialogsFitAndTheLogoIsDrawnAtTheScreensRatio) {
  const QRect area = WorkArea();
  TAboutForm about;
  about.show();
  EXPECT_EQ(about.LogoImage->pixmap().devicePixelRatio(), 2.0);
  EXPECT_EQ(about.LogoImage->pixmap().size(), QSize(900, 600));  // device pixels
  about.hide();

  TSiteProperties site;
  TSitePropertiesForm properties(nullptr, &site);
  properties.show();
  EXPECT_TRUE(area.contains(FrameRect(&properties)));
}

int main(int argc, char** argv) {
  qputenv("QT_SCALE_FACTOR", "2");
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
