#pragma once

#include <QDialog>

#include "core/settings/RegistryStore.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TColorPicker;
class TGlobalOptions;

// Edits the program-wide options; OK stores them and saves them at once.
class TGlobalOptionsForm : public QDialog {
  Q_OBJECT

 public:
  TGlobalOptionsForm(QWidget* owner, TGlobalOptions& options,
                     RegistryStore& store = RegistryStore::Current());

  QTabWidget* PageControl;
  QLineEdit* FontEdit;
  QPushButton* FontSettingsButton;
  TColorPicker* ActiveBarColorBox;
  TColorPicker* InactiveBarColorBox;
  QLineEdit* EmailEdit;
  QLineEdit* ASCIIFileExtsEdit;
  QLineEdit* TempDownloadFolderEdit;
  QPushButton* TempDownloadFolderButton;
  QSpinBox* TimeoutSpinBox;
  QLineEdit* LoggedinWavEdit;
  QLineEdit* ErrorWavEdit;
  QLineEdit* TransferDoneWavEdit;
  QPushButton* LoggedinWavPlayButton;
  QPushButton* ErrorWavPlayButton;
  QPushButton* TransferDoneWavPlayButton;
  QLineEdit* PingAppEdit;
  QLineEdit* TelnetAppEdit;
  QComboBox* FTPProxyTypeBox;
  QLineEdit* FTPProxyServerEdit;
  QLineEdit* FTPProxyPortEdit;
  QPushButton* OkButton;
  QPushButton* CancelButton;

  // The font chosen so far (the options' font until the chooser returns OK).
  void SetChosenFont(const QString& family, int pointSize);

 private:
  void FillFromOptions();
  void ProxyRule();
  void ChooseFont();
  void ChooseFolder();
  void ChooseSound(QLineEdit* edit);
  void ChooseProgram(QLineEdit* edit);
  void OkButtonClick();

  TGlobalOptions& m_options;
  RegistryStore& m_store;
  QString m_fontName;
  int m_fontSize = 8;
};
