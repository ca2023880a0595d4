#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "core/settings/GlobalOptions.h"
#include "core/settings/RegistryPaths.h"
#include "core/settings/RegistryStore.h"
#include "ui/UiTestHelpers.h"
#include "ui/app/FontChooser.h"
#include "ui/app/GlobalOptionsForm.h"
#include "ui/widgets/ColorPicker.h"
#include "ui/widgets/DesktopFonts.h"
#include "ui/widgets/DesktopServices.h"

TEST(GlobalOptionsForm, OpensWithTheOptionsAndTheProxyRule) {
  RegistryStore store;
  TGlobalOptions options;
  options.FontName = QStringLiteral("Tahoma");
  options.FontSize = 9;
  TGlobalOptionsForm form(nullptr, options, store);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Global Options"));
  EXPECT_EQ(form.FontEdit->text(),
            FontFor(QStringLiteral("Tahoma"), 9).family() + QStringLiteral(", 9 pt"));
  EXPECT_EQ(form.ASCIIFileExtsEdit->text(), QStringLiteral(".txt;.htm;.html;.c;.cpp;.h;.hpp;"));
  EXPECT_EQ(form.FTPProxyPortEdit->text(), QStringLiteral("21"));
  EXPECT_EQ(form.ActiveBarColorBox->Color(), clActiveCaption);
  EXPECT_FALSE(form.FTPProxyServerEdit->isEnabled());
  EXPECT_FALSE(form.FTPProxyPortEdit->isEnabled());
  form.FTPProxyTypeBox->setCurrentIndex(1);
  EXPECT_TRUE(form.FTPProxyServerEdit->isEnabled());
  EXPECT_TRUE(form.FTPProxyPortEdit->isEnabled());
  form.FTPProxyTypeBox->setCurrentIndex(0);
  EXPECT_FALSE(form.FTPProxyPortEdit->isEnabled());
}

TEST(GlobalOptionsForm, OkStoresEverythingAndSaves) {
  RegistryStore store;
  TGlobalOptions options;
  TGlobalOptionsForm form(nullptr, options, store);
  form.SetChosenFont(QStringLiteral("DejaVu Sans"), 9);
  form.InactiveBarColorBox->SetColor(RGBToColor(1, 2, 3));  // a custom colour
  form.EmailEdit->setText(QStringLiteral("me@example.invalid"));
  form.ASCIIFileExtsEdit->setText(QStringLiteral(" .TXT ;;.Log;"));
  form.FTPProxyServerEdit->setText(QStringLiteral("proxy.example.com"));  // kept though "None"
  form.FTPProxyPortEdit->setText(QStringLiteral("8021"));
  form.OkButton->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(options.FontName, QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(options.FontSize, 9);
  EXPECT_EQ(options.InactiveBarColor, RGBToColor(1, 2, 3));
  EXPECT_EQ(options.ASCIIFileExts(), (QStringList{QStringLiteral(".txt"), QStringLiteral(".log")}));
  EXPECT_EQ(options.FTPProxyType, 0);
  EXPECT_EQ(options.FTPProxyServer, QStringLiteral("proxy.example.com"));
  EXPECT_EQ(options.FTPProxyPort, 8021);
  const QString key = RegistryPaths::GlobalOptionsKey();
  EXPECT_EQ(store.ReadString(key, QStringLiteral("Email")), QStringLiteral("me@example.invalid"));
  EXPECT_EQ(store.ReadString(key, QStringLiteral("ASCIIFileExts")), QStringLiteral(".txt;.log;"));
  EXPECT_EQ(store.ReadInteger(key, QStringLiteral("FTPProxyPort")), 8021);
  EXPECT_EQ(store.ReadInteger(key, QStringLiteral("InactiveBarColor")), RGBToColor(1, 2, 3));
}

TEST(GlobalOptionsForm, TimeoutOnTheFtpTabFromNoLimitToADay) {
  RegistryStore store;
  TGlobalOptions options;
  options.Timeout = 45;
  TGlobalOptionsForm form(nullptr, options, store);
  QSpinBox* spin = form.findChild<QSpinBox*>(QStringLiteral("TimeoutSpinBox"));
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(spin, form.TimeoutSpinBox);
  EXPECT_TRUE(form.PageControl->widget(1)->isAncestorOf(spin));
  EXPECT_EQ(form.PageControl->tabText(1), QStringLiteral("&FTP"));
  EXPECT_EQ(spin->value(), 45);
  spin->setValue(100000);
  EXPECT_EQ(spin->value(), 86400);
  spin->setValue(0);
  EXPECT_EQ(spin->text(), QStringLiteral("0 = no limit"));
  form.OkButton->click();
  EXPECT_EQ(options.Timeout, 0);
  EXPECT_EQ(store.ReadInteger(RegistryPaths::GlobalOptionsKey(), QStringLiteral("Timeout")), 0);
}

TEST(GlobalOptionsForm, BadProxyPortChangesNothing) {
  RegistryStore store;
  TGlobalOptions options;
  const QString email = options.Email;
  TGlobalOptionsForm form(nullptr, options, store);
  form.EmailEdit->setText(QStringLiteral("changed@example.invalid"));
  form.FTPProxyPortEdit->setText(QStringLiteral("80x"));
  TMessageBoxSpy spy;
  spy.AnswerNext(QMessageBox::Ok);
  form.OkButton->click();
  EXPECT_EQ(spy.Text, QStringLiteral("'80x' is not a valid integer value."));
  EXPECT_NE(form.result(), QDialog::Accepted);
  EXPECT_EQ(options.Email, email);
  EXPECT_FALSE(store.KeyExists(RegistryPaths::GlobalOptionsKey()));

  form.CancelButton->click();
  EXPECT_EQ(options.Email, email);
}

TEST(GlobalOptionsForm, FontChooserOffersOnlyEightAndNinePoints) {
  TFontChooser chooser(nullptr, QStringLiteral("Tahoma"), 12);
  ASSERT_EQ(chooser.SizeCombo->count(), 2);
  EXPECT_EQ(chooser.SizeCombo->itemText(0), QStringLiteral("8"));
  EXPECT_EQ(chooser.SizeCombo->itemText(1), QStringLiteral("9"));
  EXPECT_EQ(chooser.PointSize(), 9);
  EXPECT_FALSE(chooser.FontCombo->isEditable());
  EXPECT_FALSE(chooser.Family().isEmpty());  // an installed face even for a missing one
}

TEST(GlobalOptionsForm, MissingSoundIsReportedOnceNotPlayed) {
  QStringList reports;
  DesktopServices::ForgetReportedProblems();
  DesktopServices::SetProblemReporter([&](const QString& text) { reports << text; });
  RegistryStore store;
  TGlobalOptions options;
  options.ErrorWav = QStringLiteral("/nonexistent/folder/Missing.wav");
  TGlobalOptionsForm form(nullptr, options, store);
  form.ErrorWavPlayButton->click();
  form.ErrorWavPlayButton->click();
  form.LoggedinWavEdit->clear();
  form.LoggedinWavPlayButton->click();  // empty field: nothing at all
  DesktopServices::SetProblemReporter({});
  ASSERT_EQ(reports.size(), 1);
  EXPECT_TRUE(reports[0].contains(QStringLiteral("Missing.wav")));
}

TEST(GlobalOptionsForm, DefaultSoundsShipWithTheProgram) {
  for (const QString& name : {QStringLiteral("Loggedin.wav"), QStringLiteral("Error.wav"),
                              QStringLiteral("TransferDone.wav")}) {
    EXPECT_TRUE(QFileInfo(DesktopServices::ResolveDataFile(name)).isFile()) << name.toStdString();
  }
}

TEST(GlobalOptionsForm, FolderChooserFillsTheFieldWithATrailingDelimiter) {
  RegistryStore store;
  TGlobalOptions options;
  TGlobalOptionsForm form(nullptr, options, store);
  const QString folder = QDir::tempPath() + QStringLiteral("/vornalo-chooser-test");
  QDir().mkpath(folder);
  QString title;
  WhenModal<QFileDialog>([&](QFileDialog* dialog) {
    title = dialog->windowTitle();
    dialog->setDirectory(folder);
    dialog->selectFile(folder);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  form.TempDownloadFolderButton->click();
  EXPECT_EQ(title, QStringLiteral("Select a folder where downloaded temporary files are stored:"));
  EXPECT_EQ(form.TempDownloadFolderEdit->text(), folder + QLatin1Char('/'));
  QDir(folder).removeRecursively();
}
