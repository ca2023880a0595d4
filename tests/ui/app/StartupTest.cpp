#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "core/settings/RegistryPaths.h"
#include "core/settings/RegistryStore.h"

// The whole program: starts to the main bar with the site book and local explorer shown,
// pictures its windows (the screenshot tour), closes through the main bar and saves in order.
TEST(Startup, StartsToTheMainBarAndShutsDownInOrder) {
  QTemporaryDir config;
  ASSERT_TRUE(config.isValid());
  {
    RegistryStore store(config.filePath(QStringLiteral("registry.reg")));
    const QString site = RegistryPaths::SiteBookTreeKey() + QStringLiteral("\\Work\\Staging");
    store.CreateKey(site);
    store.WriteString(RegistryPaths::SiteBookTreeKey() + QStringLiteral("\\Work"), QString(),
                      QStringLiteral("Folder"));
    store.WriteString(site, QString(), QStringLiteral("Site"));
    store.WriteString(site, QStringLiteral("HostName"), QStringLiteral("staging.example.com"));
    // A position on a monitor that is gone.
    store.WriteInteger(RegistryPaths::SiteBookKey(), QStringLiteral("Left"), 9000);
    ASSERT_TRUE(store.Save());
  }
  QProcess program;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  environment.insert(QStringLiteral("VORNALO_CONFIG_HOME"), config.path());
  environment.insert(QStringLiteral("VORNALO_SCREENSHOT_DIR"),
                     config.filePath(QStringLiteral("shots")));
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), config.path());
  program.setProcessEnvironment(environment);
  program.start(QStringLiteral(VORNALO_EXECUTABLE), {});
  ASSERT_TRUE(program.waitForStarted(10000));
  if (!program.waitForFinished(30000)) {
    program.kill();
    program.waitForFinished(5000);
    FAIL() << "the program did not end";
  }
  EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
  for (const char* name : {"main-bar.png", "site-book.png", "options-appearance.png"}) {
    EXPECT_TRUE(QFileInfo(config.filePath(QStringLiteral("shots/") + QLatin1String(name))).size() >
                0)
        << name;
  }

  RegistryStore saved(config.filePath(QStringLiteral("registry.reg")));
  saved.Load();
  const auto left = saved.ReadInteger(RegistryPaths::SiteBookKey(), QStringLiteral("Left"));
  ASSERT_TRUE(left.has_value());
  EXPECT_LT(*left, 2000);  // pulled back onto the screen, then saved at exit
  EXPECT_TRUE(saved.ReadInteger(RegistryPaths::LocalExplorerKey(), QStringLiteral("Width")));
  EXPECT_EQ(saved.ReadString(RegistryPaths::GlobalOptionsKey(), QStringLiteral("PingApp")),
            QStringLiteral("ping"));
  EXPECT_EQ(saved.ReadString(RegistryPaths::SiteBookTreeKey() + QStringLiteral("\\Work\\Staging"),
                             QStringLiteral("HostName")),
            QStringLiteral("staging.example.com"));
}
