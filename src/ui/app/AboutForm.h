#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The about box: the logo and the program's version.
class TAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutForm(QWidget* owner = nullptr);

  QLabel* LogoImage;
  QLabel* VersionLabel;
  QPushButton* OkButton;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void UpdateLogo();
};
