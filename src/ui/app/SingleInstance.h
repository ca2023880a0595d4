#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

// One running instance per user: the first start listens on a local socket named after the
// application title and the user; a later start tells it to come forward and exits.
class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit TSingleInstance(const QString& title, QObject* parent = nullptr);
  ~TSingleInstance() override;

  // True when this is the first instance (it now listens); false when another one runs and
  // has been asked to come forward.
  bool Start();
  const QString& ServerName() const { return m_name; }

  // Run in the first instance when a later start asks it to come forward.
  std::function<void()> OnActivateRequest;

 private:
  void NewConnection();

  QString m_name;
  QLocalServer* m_server = nullptr;
};
