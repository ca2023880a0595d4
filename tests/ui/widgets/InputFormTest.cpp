#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "ui/widgets/InputForm.h"

TEST(InputForm, OkFollowsTheFieldIncludingTheStartingText) {
  TInputForm form;
  EXPECT_FALSE(form.OkButton->isEnabled());
  EXPECT_TRUE(form.OkButton->isDefault());
  form.InputEdit->setText(QStringLiteral("*.txt"));
  EXPECT_TRUE(form.OkButton->isEnabled());
  form.InputEdit->clear();
  EXPECT_FALSE(form.OkButton->isEnabled());
  EXPECT_EQ(form.OkButton->text(), QStringLiteral("&OK"));
  EXPECT_EQ(form.CancelButton->text(), QStringLiteral("&Cancel"));
}

TEST(InputForm, AskReturnsTheTextOnOkAndKeepsItOnCancel) {
  QString text = QStringLiteral("*.*");
  QTimer::singleShot(0, [] {
    auto* form = qobject_cast<TInputForm*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Filtering"));
    EXPECT_EQ(form->PromptLabel->text(), QStringLiteral("Filter:"));
    EXPECT_EQ(form->InputEdit->text(), QStringLiteral("*.*"));
    form->InputEdit->setText(QStringLiteral("*.log"));
    form->OkButton->click();
  });
  EXPECT_TRUE(
      TInputForm::Ask(nullptr, QStringLiteral("Filtering"), QStringLiteral("Filter:"), text));
  EXPECT_EQ(text, QStringLiteral("*.log"));

  QTimer::singleShot(0, [] {
    auto* form = qobject_cast<TInputForm*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    form->InputEdit->setText(QStringLiteral("other"));
    form->CancelButton->click();
  });
  EXPECT_FALSE(
      TInputForm::Ask(nullptr, QStringLiteral("Filtering"), QStringLiteral("Filter:"), text));
  EXPECT_EQ(text, QStringLiteral("*.log"));
}
