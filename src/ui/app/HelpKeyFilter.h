#pragma once

#include <QObject>
#include <functional>

// F1 anywhere opens the help topic of the focused window: the nearest widget carrying a
// "HelpContext" property decides, the contents otherwise.
class THelpKeyFilter : public QObject {
  Q_OBJECT

 public:
  explicit THelpKeyFilter(std::function<void(int context)> showContext, QObject* parent = nullptr);

  // The help context of `widget` or its nearest parent that has one; 0 when none.
  static int HelpContextOf(const QObject* widget);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(int)> m_showContext;
};
