#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "core/settings/GlobalOptions.h"
#include "core/settings/SiteProperties.h"
#include "ui/UiTestHelpers.h"
#include "ui/sitebook/SitePropertiesForm.h"

TEST(SitePropertiesForm, ButtonRuleForSitesAndQuickConnect) {
  TSiteProperties site;
  TSitePropertiesForm form(nullptr, &site);
  EXPECT_FALSE(form.OkButton->isEnabled());
  EXPECT_FALSE(form.ConnectButton->isEnabled());
  EXPECT_EQ(form.PortEdit->text(), QStringLiteral("21"));
  form.HostNameEdit->setText(QStringLiteral("ftp.example.com"));
  EXPECT_FALSE(form.OkButton->isEnabled());  // no name yet
  form.NameEdit->setText(QStringLiteral("Example"));
  EXPECT_TRUE(form.OkButton->isEnabled());
  EXPECT_TRUE(form.ConnectButton->isEnabled());

  const struct {
    const char* port;
    bool ok;
  } ports[] = {{"21", true},   {"65535", true},  {"1", true},    {"", false},
               {"a", false},   {"2 1", false},   {" 21", false}, {"-1", false},
               {"+21", false}, {"65536", false}, {"0", false},   {"99999", false}};
  for (const auto& p : ports) {
    form.PortEdit->setText(QString::fromLatin1(p.port));
    EXPECT_EQ(form.OkButton->isEnabled(), p.ok) << p.port;
    EXPECT_EQ(form.ConnectButton->isEnabled(), p.ok) << p.port;
  }

  TSiteProperties quick;
  quick.QuickConnect = true;
  TSitePropertiesForm quickForm(nullptr, &quick);
  quickForm.HostNameEdit->setText(QStringLiteral("ftp.example.com"));
  EXPECT_TRUE(quickForm.ConnectButton->isEnabled());  // the name may stay empty
  EXPECT_FALSE(quickForm.OkButton->isEnabled());
  quickForm.NameEdit->setText(QStringLiteral("x"));
  EXPECT_FALSE(quickForm.OkButton->isEnabled());
}

TEST(SitePropertiesForm, AnonymousCoupling) {
  TSiteProperties stored;
  stored.UserName = QStringLiteral("anonymous");
  stored.Password = QStringLiteral("me@home.invalid");
  TSitePropertiesForm opened(nullptr, &stored);
  EXPECT_TRUE(opened.AnonymousLoginCheckBox->isChecked());
  EXPECT_EQ(opened.PasswordEdit->text(), QStringLiteral("me@home.invalid"));  // stored wins
  EXPECT_EQ(opened.PasswordEdit->echoMode(), QLineEdit::Normal);

  TSiteProperties site;
  TSitePropertiesForm form(nullptr, &site);
  EXPECT_FALSE(form.AnonymousLoginCheckBox->isChecked());
  EXPECT_EQ(form.PasswordEdit->echoMode(), QLineEdit::Password);
  form.UserNameEdit->setText(QStringLiteral("anonymous"));
  EXPECT_TRUE(form.AnonymousLoginCheckBox->isChecked());
  EXPECT_EQ(form.PasswordEdit->text(), GlobalOptions().Email);
  form.UserNameEdit->setText(QStringLiteral("anonymousx"));
  EXPECT_FALSE(form.AnonymousLoginCheckBox->isChecked());
  EXPECT_TRUE(form.UserNameEdit->text().isEmpty());
  EXPECT_TRUE(form.PasswordEdit->text().isEmpty());
  EXPECT_EQ(form.PasswordEdit->echoMode(), QLineEdit::Password);

  form.AnonymousLoginCheckBox->setChecked(true);
  EXPECT_EQ(form.UserNameEdit->text(), QStringLiteral("anonymous"));
  form.AnonymousLoginCheckBox->setChecked(false);
  EXPECT_TRUE(form.UserNameEdit->text().isEmpty());
  EXPECT_TRUE(form.PasswordEdit->text().isEmpty());
}

TEST(SitePropertiesForm, OkCopiesEveryFieldAndCancelNothing) {
  TSiteProperties site;
  site.HostName = QStringLiteral("old.example.com");
  {
    TSitePropertiesForm form(nullptr, &site);
    form.NameEdit->setText(QStringLiteral("Site"));
    form.HostNameEdit->setText(QStringLiteral("changed.example.com"));
    form.CancelButton->click();
    EXPECT_EQ(form.result(), TSitePropertiesForm::mrCancel);
  }
  EXPECT_EQ(site.HostName, QStringLiteral("old.example.com"));

  TSitePropertiesForm form(nullptr, &site);
  EXPECT_EQ(form.LoginRetryUpDown->value(), 10);
  form.LoginRetryUpDown->setValue(0);
  EXPECT_EQ(form.LoginRetryUpDown->value(), 1);
  form.LoginRetryUpDown->setValue(500);
  EXPECT_EQ(form.LoginRetryUpDown->value(), 100);
  form.NameEdit->setText(QStringLiteral("Site"));
  form.HostNameEdit->setText(QStringLiteral("new.example.com"));
  form.PortEdit->setText(QStringLiteral("2121"));
  form.UserNameEdit->setText(QStringLiteral("bob"));
  form.PasswordEdit->setText(QStringLiteral("secret"));
  form.ReloginDelayUpDown->setValue(7);
  form.RememberLastVisitFolderCheckBox->setChecked(false);
  form.ResumeTransferCheckBox->setChecked(true);
  form.PassiveModeCheckBox->setChecked(false);
  form.TransferTypeButtons->button(1)->setChecked(true);
  form.ListOptionEdit->setText(QString());
  form.ConnectButton->click();
  EXPECT_EQ(form.result(), TSitePropertiesForm::mrYes);
  EXPECT_EQ(site.HostName, QStringLiteral("new.example.com"));
  EXPECT_EQ(site.Port, 2121);
  EXPECT_EQ(site.UserName, QStringLiteral("bob"));
  EXPECT_EQ(site.Password, QStringLiteral("secret"));
  EXPECT_EQ(site.LoginRetry, 100);
  EXPECT_EQ(site.ReloginDelay, 7);
  EXPECT_FALSE(site.RememberLastVisitFolder);
  EXPECT_TRUE(site.ResumeTransfer);
  EXPECT_FALSE(site.PassiveMode);
  EXPECT_EQ(site.TransferType, ftpTypeBinary);
  EXPECT_TRUE(site.ListOption.isEmpty());
}

TEST(SitePropertiesForm, NamesWithBackslashOrOnlyBlanksAreRefused) {
  for (const QString& name : {QStringLiteral("a\\b"), QStringLiteral("   ")}) {
    TSiteProperties site;
    TSitePropertiesForm form(nullptr, &site);
    form.NameEdit->setText(name);
    form.HostNameEdit->setText(QStringLiteral("ftp.example.com"));
    ASSERT_TRUE(form.OkButton->isEnabled());
    TMessageBoxSpy spy;
    spy.AnswerNext(QMessageBox::Ok);
    form.OkButton->click();
    EXPECT_EQ(spy.Count, 1);
    EXPECT_FALSE(spy.Text.isEmpty());
    EXPECT_EQ(form.result(), 0);  // still open: not closed by OK
    EXPECT_TRUE(site.HostName.isEmpty());
  }
}
