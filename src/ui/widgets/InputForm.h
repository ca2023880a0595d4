#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The one-line input dialog: the caller sets caption, prompt and a starting text, and reads
// InputEdit when the dialog returns Accepted. OK is enabled exactly while the field is not empty.
class TInputForm : public QDialog {
  Q_OBJECT

 public:
  explicit TInputForm(QWidget* owner = nullptr);

  QLabel* PromptLabel;
  QLineEdit* InputEdit;
  QPushButton* OkButton;
  QPushButton* CancelButton;

  // Convenience for callers: caption, prompt, starting text; returns true on OK.
  static bool Ask(QWidget* owner, const QString& caption, const QString& prompt, QString& text);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void InputEditChange();
};
