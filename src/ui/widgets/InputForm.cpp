#include "ui/widgets/InputForm.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "ui/widgets/DesktopFonts.h"
#include "ui/widgets/WindowPlacement.h"

TInputForm::TInputForm(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("InputForm"));
  ApplyOptionsFont(this);
  PromptLabel = new QLabel(this);
  PromptLabel->setObjectName(QStringLiteral("PromptLabel"));
  InputEdit = new QLineEdit(this);
  InputEdit->setObjectName(QStringLiteral("InputEdit"));
  PromptLabel->setBuddy(InputEdit);
  auto* buttons = new QDialogButtonBox(this);
  OkButton = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setDefault(true);
  CancelButton = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(InputEdit, &QLineEdit::textChanged, this, &TInputForm::InputEditChange);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(PromptLabel);
  layout->addWidget(InputEdit);
  layout->addWidget(buttons);
  setMinimumWidth(320);
  TWindowPlacement::CentreOnOwner(this);
  InputEditChange();
}

void TInputForm::InputEditChange() {
  OkButton->setEnabled(!InputEdit->text().isEmpty());
}

void TInputForm::showEvent(QShowEvent* event) {
  InputEdit->selectAll();
  InputEdit->setFocus();
  QDialog::showEvent(event);
}

bool TInputForm::Ask(QWidget* owner, const QString& caption, const QString& prompt, QString& text) {
  TInputForm form(owner);
  form.setWindowTitle(caption);
  form.PromptLabel->setText(prompt);
  form.InputEdit->setText(text);
  if (form.exec() != QDialog::Accepted) return false;
  text = form.InputEdit->text();
  return true;
}
