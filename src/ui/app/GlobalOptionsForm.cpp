#include "ui/app/GlobalOptionsForm.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/common/PathHelpers.h"
#include "core/settings/GlobalOptions.h"
#include "ui/app/FontChooser.h"
#include "ui/widgets/ColorPicker.h"
#include "ui/widgets/DesktopFonts.h"
#include "ui/widgets/DesktopServices.h"
#include "ui/widgets/WindowPlacement.h"

namespace {

QLineEdit* ReadOnlyEdit(const char* name, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setReadOnly(true);
  return edit;
}

QPushButton* Button(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QWidget* Row(QWidget* parent, std::initializer_list<QWidget*> widgets) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  bool first = true;
  for (QWidget* widget : widgets) {
    layout->addWidget(widget, first ? 1 : 0);
    first = false;
  }
  return row;
}

QVBoxLayout* Sheet(QTabWidget* tabs, const QString& caption, QWidget** sheetOut = nullptr) {
  auto* sheet = new QWidget;
  tabs->addTab(sheet, caption);
  if (sheetOut != nullptr) *sheetOut = sheet;
  return new QVBoxLayout(sheet);
}

}  // namespace

TGlobalOptionsForm::TGlobalOptionsForm(QWidget* owner, TGlobalOptions& options,
                                       RegistryStore& store)
    : QDialog(owner), m_options(options), m_store(store) {
  setObjectName(QStringLiteral("GlobalOptionsForm"));
  setWindowTitle(QStringLiteral("Global Options"));
  setProperty("HelpContext", 1007);
  ApplyOptionsFont(this);
  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));

  // Appearance
  {
    QVBoxLayout* sheet = Sheet(PageControl, QStringLiteral("&Appearance"));
    auto* fonts = new QGroupBox(QStringLiteral("Fonts"));
    auto* fontForm = new QFormLayout(fonts);
    FontEdit = ReadOnlyEdit("FontEdit", fonts);
    FontSettingsButton =
        Button(QStringLiteral("Settings..."), QStringLiteral("FontSettingsButton"), fonts);
    fontForm->addRow(QStringLiteral("All Windows:"), Row(fonts, {FontEdit, FontSettingsButton}));
    auto* colors = new QGroupBox(QStringLiteral("Colors"));
    auto* colorForm = new QFormLayout(colors);
    ActiveBarColorBox = new TColorPicker(colors);
    ActiveBarColorBox->setObjectName(QStringLiteral("ActiveBarColorBox"));
    InactiveBarColorBox = new TColorPicker(colors);
    InactiveBarColorBox->setObjectName(QStringLiteral("InactiveBarColorBox"));
    colorForm->addRow(QStringLiteral("Active Bar Color:"), ActiveBarColorBox);
    colorForm->addRow(QStringLiteral("Inative Bar Color:"), InactiveBarColorBox);
    sheet->addWidget(fonts);
    sheet->addWidget(colors);
    sheet->addStretch();
  }
  // FTP
  {
    QVBoxLayout* sheet = Sheet(PageControl, QStringLiteral("&FTP"));
    auto* auth = new QGroupBox(QStringLiteral("Authentication"));
    auto* authLayout = new QVBoxLayout(auth);
    EmailEdit = new QLineEdit(auth);
    EmailEdit->setObjectName(QStringLiteral("EmailEdit"));
    authLayout->addWidget(new QLabel(QStringLiteral("E-mail for Anonymous Login Password:")));
    authLayout->addWidget(EmailEdit);
    auto* transfer = new QGroupBox(QStringLiteral("Transfer"));
    auto* transferLayout = new QVBoxLayout(transfer);
    ASCIIFileExtsEdit = new QLineEdit(transfer);
    ASCIIFileExtsEdit->setObjectName(QStringLiteral("ASCIIFileExtsEdit"));
    TempDownloadFolderEdit = ReadOnlyEdit("TempDownloadFolderEdit", transfer);
    TempDownloadFolderButton =
        Button(QStringLiteral("Browse..."), QStringLiteral("TempDownloadFolderButton"), transfer);
    transferLayout->addWidget(new QLabel(QStringLiteral("ASCII File Extensions:")));
    transferLayout->addWidget(ASCIIFileExtsEdit);
    transferLayout->addWidget(new QLabel(QStringLiteral("Temporary Download Folder:")));
    transferLayout->addWidget(Row(transfer, {TempDownloadFolderEdit, TempDownloadFolderButton}));
    auto* connection = new QGroupBox(QStringLiteral("Connection"));
    auto* connectionForm = new QFormLayout(connection);
    TimeoutSpinBox = new QSpinBox(connection);
    TimeoutSpinBox->setObjectName(QStringLiteral("TimeoutSpinBox"));
    TimeoutSpinBox->setRange(0, TGlobalOptions::kMaxTimeout);
    TimeoutSpinBox->setSpecialValueText(QStringLiteral("0 = no limit"));
    TimeoutSpinBox->setToolTip(
        QStringLiteral("Seconds without any data from a server before a request gives up"));
    connectionForm->addRow(QStringLiteral("Timeout (seconds):"), TimeoutSpinBox);
    sheet->addWidget(auth);
    sheet->addWidget(transfer);
    sheet->addWidget(connection);
    sheet->addStretch();
  }
  // Feedback
  {
    QVBoxLayout* sheet = Sheet(PageControl, QStringLiteral("Feed&back"));
    auto* sounds = new QGroupBox(QStringLiteral("Sounds"));
    auto* form = new QFormLayout(sounds);
    const auto soundRow = [this, sounds, form](const QString& label, const char* name,
                                               QLineEdit*& edit, QPushButton*& play) {
      edit = ReadOnlyEdit(name, sounds);
      auto* browse = Button(QStringLiteral("Browse..."),
                            QLatin1String(name) + QStringLiteral("BrowseButton"), sounds);
      play =
          Button(QStringLiteral(">"), QLatin1String(name) + QStringLiteral("PlayButton"), sounds);
      play->setFixedWidth(play->fontMetrics().horizontalAdvance(QStringLiteral(">")) + 24);
      form->addRow(label, Row(sounds, {edit, browse, play}));
      QLineEdit* field = edit;
      connect(browse, &QPushButton::clicked, this, [this, field] { ChooseSound(field); });
      connect(play, &QPushButton::clicked, this,
              [field] { DesktopServices::PlaySoundFile(field->text()); });
    };
    soundRow(QStringLiteral("When Logged in:"), "LoggedinWavEdit", LoggedinWavEdit,
             LoggedinWavPlayButton);
    soundRow(QStringLiteral("When Error Occurred:"), "ErrorWavEdit", ErrorWavEdit,
             ErrorWavPlayButton);
    soundRow(QStringLiteral("When Transfer Done:"), "TransferDoneWavEdit", TransferDoneWavEdit,
             TransferDoneWavPlayButton);
    sheet->addWidget(sounds);
    sheet->addStretch();
  }
  // Tools
  {
    QVBoxLayout* sheet = Sheet(PageControl, QStringLiteral("&Tools"));
    auto* apps = new QGroupBox(QStringLiteral("Applications"));
    auto* form = new QFormLayout(apps);
    const auto appRow = [this, apps, form](const QString& label, const char* name,
                                           QLineEdit*& edit) {
      edit = ReadOnlyEdit(name, apps);
      auto* browse = Button(QStringLiteral("Browse..."),
                            QLatin1String(name) + QStringLiteral("BrowseButton"), apps);
      form->addRow(label, Row(apps, {edit, browse}));
      QLineEdit* field = edit;
      connect(browse, &QPushButton::clicked, this, [this, field] { ChooseProgram(field); });
    };
    appRow(QStringLiteral("Ping:"), "PingAppEdit", PingAppEdit);
    appRow(QStringLiteral("Telnet:"), "TelnetAppEdit", TelnetAppEdit);
    sheet->addWidget(apps);
    sheet->addStretch();
  }
  // Proxy
  {
    QVBoxLayout* sheet = Sheet(PageControl, QStringLiteral("Pro&xy"));
    auto* proxy = new QGroupBox(QStringLiteral("FTP Proxy"));
    auto* form = new QFormLayout(proxy);
    FTPProxyTypeBox = new QComboBox(proxy);
    FTPProxyTypeBox->setObjectName(QStringLiteral("FTPProxyTypeBox"));
    FTPProxyTypeBox->addItems({QStringLiteral("None"), QStringLiteral("User with no login")});
    FTPProxyServerEdit = new QLineEdit(proxy);
    FTPProxyServerEdit->setObjectName(QStringLiteral("FTPProxyServerEdit"));
    FTPProxyPortEdit = new QLineEdit(proxy);
    FTPProxyPortEdit->setObjectName(QStringLiteral("FTPProxyPortEdit"));
    form->addRow(QStringLiteral("Type:"), FTPProxyTypeBox);
    form->addRow(QStringLiteral("Server:"), FTPProxyServerEdit);
    form->addRow(QStringLiteral("Port:"), FTPProxyPortEdit);
    sheet->addWidget(proxy);
    sheet->addStretch();
  }

  OkButton = new QPushButton(QStringLiteral("&OK"), this);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setDefault(true);
  CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkButton);
  buttons->addWidget(CancelButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PageControl);
  layout->addLayout(buttons);

  connect(FontSettingsButton, &QPushButton::clicked, this, &TGlobalOptionsForm::ChooseFont);
  connect(TempDownloadFolderButton, &QPushButton::clicked, this, &TGlobalOptionsForm::ChooseFolder);
  connect(FTPProxyTypeBox, &QComboBox::currentIndexChanged, this, &TGlobalOptionsForm::ProxyRule);
  connect(OkButton, &QPushButton::clicked, this, &TGlobalOptionsForm::OkButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

  FillFromOptions();
  resize(sizeHint().expandedTo(QSize(440, 330)));
  TWindowPlacement::CentreOnScreen(this);
}

void TGlobalOptionsForm::FillFromOptions() {
  // A face that is not installed here ("Tahoma") shows as the desktop font it falls back to.
  SetChosenFont(FontFor(m_options.FontName, m_options.FontSize).family(), m_options.FontSize);
  ActiveBarColorBox->SetColor(m_options.ActiveBarColor);
  InactiveBarColorBox->SetColor(m_options.InactiveBarColor);
  EmailEdit->setText(m_options.Email);
  ASCIIFileExtsEdit->setText(m_options.ASCIIFileExtsText());
  TempDownloadFolderEdit->setText(m_options.TempDownloadFolder);
  TimeoutSpinBox->setValue(m_options.Timeout);
  LoggedinWavEdit->setText(m_options.LoggedinWav);
  ErrorWavEdit->setText(m_options.ErrorWav);
  TransferDoneWavEdit->setText(m_options.TransferDoneWav);
  PingAppEdit->setText(m_options.PingApp);
  TelnetAppEdit->setText(m_options.TelnetApp);
  FTPProxyTypeBox->setCurrentIndex(m_options.FTPProxyType == 0 ? 0 : 1);
  FTPProxyServerEdit->setText(m_options.FTPProxyServer);
  FTPProxyPortEdit->setText(QString::number(m_options.FTPProxyPort));
  ProxyRule();
}

void TGlobalOptionsForm::SetChosenFont(const QString& family, int pointSize) {
  m_fontName = family;
  m_fontSize = pointSize;
  FontEdit->setText(QStringLiteral("%1, %2 pt").arg(family).arg(pointSize));
}

void TGlobalOptionsForm::ProxyRule() {
  const bool proxy = FTPProxyTypeBox->currentIndex() != 0;
  FTPProxyServerEdit->setEnabled(proxy);
  FTPProxyPortEdit->setEnabled(proxy);
}

void TGlobalOptionsForm::ChooseFont() {
  TFontChooser chooser(this, m_fontName, m_fontSize);
  if (chooser.exec() == QDialog::Accepted) SetChosenFont(chooser.Family(), chooser.PointSize());
}

void TGlobalOptionsForm::ChooseFolder() {
  const QString folder = QFileDialog::getExistingDirectory(
      this, QStringLiteral("Select a folder where downloaded temporary files are stored:"),
      TempDownloadFolderEdit->text());
  if (!folder.isEmpty()) TempDownloadFolderEdit->setText(WithTrailingBackslash(folder));
}

void TGlobalOptionsForm::ChooseSound(QLineEdit* edit) {
  const QString start = DesktopServices::ResolveDataFile(edit->text());
  const QString file =
      QFileDialog::getOpenFileName(this, QString(), start, QStringLiteral("Wave File (*.wav)"));
  if (!file.isEmpty()) edit->setText(file);
}

void TGlobalOptionsForm::ChooseProgram(QLineEdit* edit) {
  QFileDialog dialog(this);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setFilter(QDir::Files | QDir::Executable | QDir::AllDirs | QDir::NoDotAndDotDot);
  dialog.setDirectory(QStringLiteral("/usr/bin"));
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
    edit->setText(dialog.selectedFiles().constFirst());
  }
}

void TGlobalOptionsForm::OkButtonClick() {
  // Checked before anything is stored, so a bad port changes nothing at all.
  bool portOk = false;
  const int port = FTPProxyPortEdit->text().trimmed().toInt(&portOk);
  if (!portOk) {
    PageControl->setCurrentIndex(4);
    QMessageBox::critical(
        this, windowTitle(),
        QStringLiteral("'%1' is not a valid integer value.").arg(FTPProxyPortEdit->text()));
    FTPProxyPortEdit->setFocus();
    return;
  }
  m_options.FontName = m_fontName;
  m_options.FontSize = m_fontSize;
  m_options.ActiveBarColor = ActiveBarColorBox->Color();
  m_options.InactiveBarColor = InactiveBarColorBox->Color();
  m_options.Email = EmailEdit->text();
  m_options.SetASCIIFileExts(TGlobalOptions::ParseASCIIFileExts(ASCIIFileExtsEdit->text()));
  m_options.TempDownloadFolder = TempDownloadFolderEdit->text();
  m_options.Timeout = TimeoutSpinBox->value();
  m_options.LoggedinWav = LoggedinWavEdit->text();
  m_options.ErrorWav = ErrorWavEdit->text();
  m_options.TransferDoneWav = TransferDoneWavEdit->text();
  m_options.PingApp = PingAppEdit->text();
  m_options.TelnetApp = TelnetAppEdit->text();
  m_options.FTPProxyType = FTPProxyTypeBox->currentIndex();
  m_options.FTPProxyServer = FTPProxyServerEdit->text();
  m_options.FTPProxyPort = port;
  m_options.SaveGlobalOptions(m_store);
  accept();
}
