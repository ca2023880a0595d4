#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "cli/CliArguments.h"
#include "cli/CliQueueRun.h"
#include "cli/TerminalOutput.h"
#include "core/client/ThreadedFTPClient.h"

// Carries out one command line on a background client: connect, the command, quit. The
// calling thread plays the user-interface thread and runs an event loop while it waits.
class TCliRunner {
 public:
  explicit TCliRunner(TCliArguments arguments);
  ~TCliRunner();

  // The exit status: 0 success, 1 failure, 2 aborted or canceled.
  int Run();
  // Asks the running request to stop (Ctrl+C).
  void Interrupt();

 private:
  // Runs one request and waits for its done event; `inDone` runs inside the done event.
  quint8 Call(void (TThreadedFTPClient::*request)(), const std::function<void()>& inDone = {});
  // Is the remote path a folder? (It is when the server lets us change into it.)
  bool IsRemoteFolder(const QString& path);
  QString Remote(const QString& name) const;
  int Finish(int status);

  int List();
  int Get();
  int Put();
  int Remove();
  int MakeFolder();
  int RenameOne();
  int Move();
  int Chmod();
  int Upper();
  int Lower();
  int ChangeCase(bool upper);
  int QuoteLine();
  int PrintFolder();
  int Copy();
  // Items for the queue, carrying this connection's login as source or destination.
  std::unique_ptr<TFTPCarryItem> SourceItem(const QString& remotePath, bool folder) const;
  int RunQueue(std::vector<std::unique_ptr<TFTPCarryItem>> items);
  int RunBatch(void (TThreadedFTPClient::*request)(), const QString& what);

  TCliArguments m_args;
  TTerminalOutput m_out;
  std::unique_ptr<TThreadedFTPClient> m_client;
  QString m_base;  // the folder remote names are relative to
  QString m_transferName;
  int m_done = 0;
  bool m_ended = false;
  bool m_interrupted = false;
  TCliQueueRun* m_queueRun = nullptr;  // while the queue runs
};
