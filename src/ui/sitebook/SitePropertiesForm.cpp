#include "ui/sitebook/SitePropertiesForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/common/ShellIcons.h"
#include "core/common/StringHelpers.h"
#include "core/settings/GlobalOptions.h"
#include "core/settings/RegistryStore.h"
#include "core/settings/SiteProperties.h"
#include "ui/widgets/DesktopFonts.h"
#include "ui/widgets/ShellImageList.h"
#include "ui/widgets/WindowPlacement.h"

namespace {

const QString kAnonymous = QStringLiteral("anonymous");

QLabel* Heading(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  return label;
}

QSpinBox* UpDown(const QString& name, QWidget* parent) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(1, 100);
  box->setSingleStep(1);
  return box;
}

}  // namespace

bool IsValidPortText(const QString& text) {
  if (!IsNumber(text) || text.size() > 5) return false;
  const int port = text.toInt();
  return port >= 1 && port <= 65535;
}

TSitePropertiesForm::TSitePropertiesForm(QWidget* owner, TSiteProperties* site)
    : QDialog(owner), m_site(site) {
  setObjectName(QStringLiteral("SitePropertiesForm"));
  setWindowTitle(QStringLiteral("Site Properties"));
  setProperty("HelpContext", 1006);
  ApplyOptionsFont(this);

  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));

  // General
  GeneralSheet = new QWidget;
  {
    auto* layout = new QVBoxLayout(GeneralSheet);
    auto* heading = new QHBoxLayout;
    NetworkImage = new QLabel(GeneralSheet);
    NetworkImage->setObjectName(QStringLiteral("NetworkImage"));
    heading->addWidget(NetworkImage);
    heading->addWidget(Heading(QStringLiteral("General"), GeneralSheet), 1);
    layout->addLayout(heading);
    auto* form = new QFormLayout;
    NameEdit = new QLineEdit(GeneralSheet);
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    LocationEdit = new QLineEdit(GeneralSheet);
    LocationEdit->setObjectName(QStringLiteral("LocationEdit"));
    LocationEdit->setEnabled(false);
    form->addRow(QStringLiteral("Name:"), NameEdit);
    form->addRow(QStringLiteral("Location:"), LocationEdit);
    layout->addLayout(form);
    layout->addStretch();
  }
  PageControl->addTab(GeneralSheet, QStringLiteral("&General"));

  // Login
  LoginSheet = new QWidget;
  {
    auto* layout = new QVBoxLayout(LoginSheet);
    layout->addWidget(Heading(QStringLiteral("Server"), LoginSheet));
    auto* server = new QFormLayout;
    HostNameEdit = new QLineEdit(LoginSheet);
    HostNameEdit->setObjectName(QStringLiteral("HostNameEdit"));
    PortEdit = new QLineEdit(QStringLiteral("21"), LoginSheet);
    PortEdit->setObjectName(QStringLiteral("PortEdit"));
    PortEdit->setMaxLength(5);
    server->addRow(QStringLiteral("Host Name:"), HostNameEdit);
    server->addRow(QStringLiteral("Port:"), PortEdit);
    layout->addLayout(server);
    layout->addWidget(Heading(QStringLiteral("Authentication"), LoginSheet));
    AnonymousLoginCheckBox = new QCheckBox(QStringLiteral("Anonymous Login"), LoginSheet);
    AnonymousLoginCheckBox->setObjectName(QStringLiteral("AnonymousLoginCheckBox"));
    layout->addWidget(AnonymousLoginCheckBox);
    auto* auth = new QFormLayout;
    UserNameEdit = new QLineEdit(LoginSheet);
    UserNameEdit->setObjectName(QStringLiteral("UserNameEdit"));
    PasswordEdit = new QLineEdit(LoginSheet);
    PasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
    PasswordEdit->setEchoMode(QLineEdit::Password);
    auth->addRow(QStringLiteral("User Name:"), UserNameEdit);
    auth->addRow(QStringLiteral("Password:"), PasswordEdit);
    layout->addLayout(auth);
    layout->addStretch();
  }
  PageControl->addTab(LoginSheet, QStringLiteral("&Login"));

  // Advanced
  AdvancedSheet = new QWidget;
  {
    auto* layout = new QVBoxLayout(AdvancedSheet);
    layout->addWidget(Heading(QStringLiteral("Connection"), AdvancedSheet));
    auto* connection = new QFormLayout;
    LoginRetryUpDown = UpDown(QStringLiteral("LoginRetryUpDown"), AdvancedSheet);
    ReloginDelayUpDown = UpDown(QStringLiteral("ReloginDelayUpDown"), AdvancedSheet);
    connection->addRow(QStringLiteral("Login Retry:"), LoginRetryUpDown);
    connection->addRow(QStringLiteral("Relogin Delay(sec):"), ReloginDelayUpDown);
    layout->addLayout(connection);
    RememberLastVisitFolderCheckBox =
        new QCheckBox(QStringLiteral("Remember Last &Visit Folder"), AdvancedSheet);
    RememberLastVisitFolderCheckBox->setObjectName(
        QStringLiteral("RememberLastVisitFolderCheckBox"));
    layout->addWidget(RememberLastVisitFolderCheckBox);
    layout->addWidget(Heading(QStringLiteral("Transfer"), AdvancedSheet));
    ResumeTransferCheckBox = new QCheckBox(QStringLiteral("&Resume Transfer"), AdvancedSheet);
    ResumeTransferCheckBox->setObjectName(QStringLiteral("ResumeTransferCheckBox"));
    PassiveModeCheckBox = new QCheckBox(QStringLiteral("&Passive Mode"), AdvancedSheet);
    PassiveModeCheckBox->setObjectName(QStringLiteral("PassiveModeCheckBox"));
    layout->addWidget(ResumeTransferCheckBox);
    layout->addWidget(PassiveModeCheckBox);
    TransferTypeRadioGroup = new QGroupBox(QStringLiteral("&Transfer Type"), AdvancedSheet);
    TransferTypeRadioGroup->setObjectName(QStringLiteral("TransferTypeRadioGroup"));
    TransferTypeButtons = new QButtonGroup(this);
    auto* types = new QHBoxLayout(TransferTypeRadioGroup);
    const QStringList items{QStringLiteral("ASCII"), QStringLiteral("Binary"),
                            QStringLiteral("Auto")};
    for (int i = 0; i < items.size(); ++i) {
      auto* radio = new QRadioButton(items[i], TransferTypeRadioGroup);
      TransferTypeButtons->addButton(radio, i);
      types->addWidget(radio);
    }
    layout->addWidget(TransferTypeRadioGroup);
    auto* listForm = new QFormLayout;
    ListOptionEdit = new QLineEdit(AdvancedSheet);
    ListOptionEdit->setObjectName(QStringLiteral("ListOptionEdit"));
    listForm->addRow(QStringLiteral("&LIST Option:"), ListOptionEdit);
    layout->addLayout(listForm);
    layout->addStretch();
  }
  PageControl->addTab(AdvancedSheet, QStringLiteral("&Advanced"));

  ConnectButton = new QPushButton(QStringLiteral("&Connect..."), this);
  ConnectButton->setObjectName(QStringLiteral("ConnectButton"));
  OkButton = new QPushButton(QStringLiteral("&OK"), this);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  ConnectButton->setEnabled(false);
  OkButton->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ConnectButton);
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl);
  layout->addLayout(buttons);

  connect(NameEdit, &QLineEdit::textChanged, this, &TSitePropertiesForm::UpdateButtons);
  connect(HostNameEdit, &QLineEdit::textChanged, this, &TSitePropertiesForm::UpdateButtons);
  connect(PortEdit, &QLineEdit::textChanged, this, &TSitePropertiesForm::UpdateButtons);
  connect(UserNameEdit, &QLineEdit::textChanged, this, &TSitePropertiesForm::UserNameEditChange);
  connect(AnonymousLoginCheckBox, &QCheckBox::toggled, this,
          &TSitePropertiesForm::AnonymousLoginCheckBoxClick);
  connect(OkButton, &QPushButton::clicked, this, [this] { CloseWith(mrOk); });
  connect(ConnectButton, &QPushButton::clicked, this, [this] { CloseWith(mrYes); });
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  FillFromSite();
  UpdateButtons();
  NameEdit->setFocus();
  setFixedSize(sizeHint().expandedTo(QSize(380, 360)));
  TWindowPlacement::CentreOnScreen(this);
}

void TSitePropertiesForm::FillFromSite() {
  NetworkImage->setPixmap(ShellImages().LargeImage(ShellIcons().NetworkIcon()));
  // The order matters: the user name's coupling fills the password, the stored one wins.
  HostNameEdit->setText(m_site->HostName);
  PortEdit->setText(QString::number(m_site->Port));
  UserNameEdit->setText(m_site->UserName);
  PasswordEdit->setText(m_site->Password);
  RememberLastVisitFolderCheckBox->setChecked(m_site->RememberLastVisitFolder);
  LoginRetryUpDown->setValue(m_site->LoginRetry);
  ReloginDelayUpDown->setValue(m_site->ReloginDelay);
  ResumeTransferCheckBox->setChecked(m_site->ResumeTransfer);
  PassiveModeCheckBox->setChecked(m_site->PassiveMode);
  if (QAbstractButton* type = TransferTypeButtons->button(static_cast<int>(m_site->TransferType))) {
    type->setChecked(true);
  }
  ListOptionEdit->setText(m_site->ListOption);
}

void TSitePropertiesForm::UpdateButtons() {
  bool ready = !HostNameEdit->text().isEmpty() && IsValidPortText(PortEdit->text());
  if (!m_site->QuickConnect) ready = ready && !NameEdit->text().isEmpty();
  ConnectButton->setEnabled(ready);
  OkButton->setEnabled(ready && !m_site->QuickConnect);
}

void TSitePropertiesForm::UserNameEditChange() {
  AnonymousLoginCheckBox->setChecked(UserNameEdit->text() == kAnonymous);
}

void TSitePropertiesForm::AnonymousLoginCheckBoxClick(bool checked) {
  if (checked) {
    UserNameEdit->setText(kAnonymous);
    PasswordEdit->setEchoMode(QLineEdit::Normal);
    PasswordEdit->setText(GlobalOptions().Email);
  } else {
    UserNameEdit->clear();
    PasswordEdit->clear();
    PasswordEdit->setEchoMode(QLineEdit::Password);
  }
}

QString TSitePropertiesForm::NameProblem() const {
  if (!NameEdit->isEnabled() || m_site->QuickConnect) return {};
  const QString name = NameEdit->text();
  if (name.trimmed().isEmpty()) return QStringLiteral("A site name cannot be only blanks.");
  if (name.contains(QLatin1Char('\\'))) {
    return QStringLiteral("A site name cannot contain a backslash (\\).");
  }
  QString problem;
  if (!RegistryStore::IsValidKeyName(name, &problem)) {
    return QStringLiteral("The name [%1] cannot be used: %2").arg(name, problem);
  }
  return {};
}

void TSitePropertiesForm::CloseWith(int result) {
  const QString problem = NameProblem();
  if (!problem.isEmpty()) {
    PageControl->setCurrentWidget(GeneralSheet);
    QMessageBox::warning(this, windowTitle(), problem);
    NameEdit->setFocus();
    return;
  }
  if (OnCloseQuery && !OnCloseQuery()) return;
  StoreToSite();
  done(result);
}

void TSitePropertiesForm::StoreToSite() {
  m_site->HostName = HostNameEdit->text();
  m_site->Port = PortEdit->text().toInt();
  m_site->UserName = UserNameEdit->text();
  m_site->Password = PasswordEdit->text();
  m_site->RememberLastVisitFolder = RememberLastVisitFolderCheckBox->isChecked();
  m_site->LoginRetry = LoginRetryUpDown->value();
  m_site->ReloginDelay = ReloginDelayUpDown->value();
  m_site->ResumeTransfer = ResumeTransferCheckBox->isChecked();
  m_site->PassiveMode = PassiveModeCheckBox->isChecked();
  m_site->TransferType =
      static_cast<TFTPTransferType>(std::max(0, TransferTypeButtons->checkedId()));
  m_site->ListOption = ListOptionEdit->text();
}
