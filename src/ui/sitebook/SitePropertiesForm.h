#pragma once

#include <QDialog>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class TSiteProperties;

// Edits one site record in place, and only when closed with OK or Connect. Used as "New Site",
// "Site Properties" (name fixed) and "Quick Connect" (nothing stored).
class TSitePropertiesForm : public QDialog {
  Q_OBJECT

 public:
  // Results of exec(): Cancel (Rejected), OK (Accepted) or Connect.
  enum TResult { mrCancel = QDialog::Rejected, mrOk = QDialog::Accepted, mrYes = 2 };

  TSitePropertiesForm(QWidget* owner, TSiteProperties* site);

  QTabWidget* PageControl;
  QWidget* GeneralSheet;
  QWidget* LoginSheet;
  QWidget* AdvancedSheet;
  QLabel* NetworkImage;
  QLineEdit* NameEdit;
  QLineEdit* LocationEdit;
  QLineEdit* HostNameEdit;
  QLineEdit* PortEdit;
  QCheckBox* AnonymousLoginCheckBox;
  QLineEdit* UserNameEdit;
  QLineEdit* PasswordEdit;
  QSpinBox* LoginRetryUpDown;
  QSpinBox* ReloginDelayUpDown;
  QCheckBox* RememberLastVisitFolderCheckBox;
  QCheckBox* ResumeTransferCheckBox;
  QCheckBox* PassiveModeCheckBox;
  QGroupBox* TransferTypeRadioGroup;
  QButtonGroup* TransferTypeButtons;
  QLineEdit* ListOptionEdit;
  QPushButton* ConnectButton;
  QPushButton* OkButton;
  QPushButton* CancelButton;

  // The record's fields from the dialog (what OK and Connect do before closing).
  void StoreToSite();
  // Why the name cannot be a key name, or empty when it can (only checked while editable).
  QString NameProblem() const;
  // Asked when OK or Connect is pressed and the name is usable; false keeps the dialog open
  // with everything typed, and the record untouched (the caller has told the user why).
  std::function<bool()> OnCloseQuery;

 private:
  void FillFromSite();
  void UpdateButtons();
  void UserNameEditChange();
  void AnonymousLoginCheckBoxClick(bool checked);
  void CloseWith(int result);

  TSiteProperties* m_site;
};

// A port field the dialog accepts: digits only, 1 to 65535.
bool IsValidPortText(const QString& text);
