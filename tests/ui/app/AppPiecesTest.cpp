#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QTextBrowser>

#include "ui/app/AboutForm.h"
#include "ui/app/HelpKeyFilter.h"
#include "ui/app/HelpViewer.h"
#include "ui/app/SingleInstance.h"
#include "ui/widgets/DesktopServices.h"

TEST(AboutForm, ShowsTheTitleLogoAndVersion) {
  QCoreApplication::setApplicationVersion(QStringLiteral("1.2.3.4"));
  TAboutForm about;
  EXPECT_EQ(about.windowTitle(), QStringLiteral("About Vornalo Explorer 2000 5th Edition"));
  EXPECT_FALSE(about.LogoImage->pixmap().isNull());
  EXPECT_EQ(about.VersionLabel->text(), QStringLiteral("Version 1.2.3.4"));
}

TEST(HelpViewer, OpensTopicsByContextAndReportsAMissingOneOnce) {
  THelpViewer viewer;
  EXPECT_TRUE(viewer.ShowContext(1001));
  EXPECT_TRUE(viewer.Browser->source().toString().endsWith(QStringLiteral("sitebook.html")));
  EXPECT_TRUE(viewer.Browser->toPlainText().contains(QStringLiteral("site book")));
  for (int context : {1006, 1007, 0}) EXPECT_TRUE(viewer.ShowContext(context)) << context;

  QStringList reports;
  DesktopServices::ForgetReportedProblems();
  DesktopServices::SetProblemReporter([&](const QString& text) { reports << text; });
  EXPECT_FALSE(viewer.ShowTopic(QStringLiteral("nothere.html")));
  EXPECT_FALSE(viewer.ShowTopic(QStringLiteral("nothere.html")));
  DesktopServices::SetProblemReporter({});
  EXPECT_EQ(reports.size(), 1);
}

TEST(HelpKeyFilter, NearestParentWithAContextDecides) {
  QWidget window;
  window.setProperty("HelpContext", 1001);
  QLabel inner(&window);
  QWidget plain;
  EXPECT_EQ(THelpKeyFilter::HelpContextOf(&inner), 1001);
  EXPECT_EQ(THelpKeyFilter::HelpContextOf(&plain), 0);
}

TEST(SingleInstance, ASecondStartAsksTheFirstToComeForward) {
  const QString title =
      QStringLiteral("Vornalo test instance %1").arg(QCoreApplication::applicationPid());
  TSingleInstance first(title);
  int requests = 0;
  first.OnActivateRequest = [&] { ++requests; };
  ASSERT_TRUE(first.Start());
  TSingleInstance second(title);
  EXPECT_FALSE(second.Start());
  QElapsedTimer timer;
  timer.start();
  while (requests == 0 && timer.elapsed() < 3000) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  EXPECT_EQ(requests, 1);
}

TEST(HelpKeyFilter, F1OpensTheContextOfTheFocusedWindow) {
  QWidget window;
  window.setProperty("HelpContext", 1007);
  QLabel inner(&window);
  int shown = -1;
  THelpKeyFilter filter([&shown](int context) { shown = context; });
  inner.installEventFilter(&filter);
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QApplication::sendEvent(&inner, &f1);
  EXPECT_EQ(shown, 1007);
  EXPECT_EQ(THelpViewer::TopicOfContext(shown), QStringLiteral("globaloptions.html"));
}
