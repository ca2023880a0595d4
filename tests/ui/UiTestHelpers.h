#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>

// Drives the next modal window of type T: polls until it is the active modal widget, then runs
// `act` on it. Gives up after about two seconds so a missing dialog fails the test, not hangs.
template <typename T>
void WhenModal(std::function<void(T*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
    auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
    if (widget == nullptr && ++*tries < 400) return;
    timer->stop();
    timer->deleteLater();
    if (widget != nullptr) act(widget);
  });
  timer->start();
}

// Answers the next message box with `button` and records what it said.
struct TMessageBoxSpy {
  QString Caption;
  QString Text;
  QMessageBox::Icon Icon = QMessageBox::NoIcon;
  QMessageBox::StandardButton Default = QMessageBox::NoButton;
  int Count = 0;

  void AnswerNext(QMessageBox::StandardButton button) {
    WhenModal<QMessageBox>([this, button](QMessageBox* box) {
      Caption = box->windowTitle();
      Text = box->text();
      Icon = box->icon();
      Default = box->standardButton(box->defaultButton());
      ++Count;
      if (QAbstractButton* b = box->button(button)) {
        b->click();
      } else {
        box->reject();
      }
    });
  }
};
