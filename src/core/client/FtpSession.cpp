#include "core/client/FtpSession.h"

#include <QBuffer>
#include <exception>

#include "core/client/EngineWorker.h"
#include "core/common/LogLineKind.h"
#include "core/common/ShellIcons.h"
#include "core/ftp/DecodeFTPListFile.h"
#include "core/ftp/FTPListItems.h"
#include "core/ftp/FtpClientEx.h"

TFtpSession::TFtpSession(TEngineWorker& worker, TLogStyle style, TDisplay display,
                         TOutcome& outcome)
    : Result(outcome.Result),
      Error(outcome.Error),
      m_worker(worker),
      m_style(style),
      m_display(std::move(display)),
      m_engine(std::make_unique<TFtpClientEx>()) {
  m_engine->MultiThreaded = true;
  HookEngine();
}

TFtpSession::~TFtpSession() = default;

void TFtpSession::HookEngine() {
  TFtpClientEx& e = *m_engine;
  e.OnCommand = [this](TCustomFtpClientEx*, QString& command) {
    if (m_dialogueMuted) return;
    if (m_style == TLogStyle::Client) {
      Display(CommandLogLine(command));
    } else {
      const QString masked = command.contains(QLatin1String("PASS"))
                                 ? QStringLiteral("PASS [Objq dlk kto vzpvjet nz?]")
                                 : command;
      Display(Line(">", masked));
    }
  };
  e.OnResponse = [this](TCustomFtpClientEx* engine) {
    ++Replies;
    ++ReplyCount;
    LastReply = engine->LastResponse;
    if (!m_dialogueMuted) Display(Line("<", engine->LastResponse));
  };
  e.OnConnectState = [this](TCustomFtpClientEx*, TFTPConnectState state) {
    Display(ConnectStateLine(state));
  };
  e.OnInactivityTimeout = [this](TCustomFtpClientEx*, QString& line) {
    // The engine's "! " line, tagged like every other line of this session.
    Display(Line("!", line.startsWith(QLatin1String("! ")) ? line.mid(2) : line));
  };
  e.OnRequestDone = [this](TCustomFtpClientEx* engine, TFtpRequest, quint16 error) {
    // A notification left over from a request that was aborted after it had ended would
    // find the engine busy with the next one: only a ready engine can have finished.
    const TFtpEngineState state = engine->State();
    if (state != ftpStateReady && state != ftpStateStepReady) return;
    m_done = true;
    m_error = error;
  };
}

QString TFtpSession::Line(const char* kind, const QString& text) const {
  QString line = QString::fromLatin1(kind) + QLatin1Char(' ');
  if (m_style == TLogStyle::Carrier) line += QLatin1Char('[') + m_engine->HostName + "]: ";
  return line + text;
}

void TFtpSession::Display(const QString& line) const {
  if (!Quiet && m_display) m_display(line);
}

QString TFtpSession::ConnectStateLine(TFTPConnectState state) const {
  const TFtpClientEx& e = *m_engine;
  QString lower = QStringLiteral("host [") + e.HostName + QLatin1Char(']');
  QString upper = QStringLiteral("Host [") + e.HostName + QLatin1Char(']');
  QString address = QLatin1Char('[') + e.ResolvedAddr + QLatin1Char(']');
  if (m_style == TLogStyle::Client && e.ConnectionType() == ftpProxy) {
    lower = QStringLiteral("proxy server [") + e.ProxyServer + QLatin1Char(']');
    upper = QStringLiteral("Proxy server [") + e.ProxyServer + QLatin1Char(']');
  }
  if (m_style == TLogStyle::Carrier) address += QLatin1Char('.');
  switch (state) {
    case ftpConStateDNSLookup:
      return Line("~", QStringLiteral("Looking up ") + lower + "...");
    case ftpConStateDNSLookupDone:
      return Line("~", upper + " found. IP address is " + address);
    case ftpConStateContact:
      return Line("~", QStringLiteral("Contacting ") + lower + "...");
    case ftpConStateContacted:
      return Line("~", upper + " contacted. Waiting for reply...");
    case ftpConStateConnected:
      return Line("~", upper + " connected. Sending Login information...");
    case ftpConStateClosed:
      return Line("~", QStringLiteral("Connection closed from ") + lower);
  }
  return QString();
}

bool TFtpSession::LoggedIn() const {
  return m_loggedIn && m_engine->Connected;
}

quint8 TFtpSession::Run(void (TFtpClientEx::*operation)()) {
  m_done = false;
  // Operations that may move the server to another folder (a raw command may be a CWD).
  if (operation == &TFtpClientEx::CwdAsync || operation == &TFtpClientEx::CDupAsync ||
      operation == &TFtpClientEx::QuoteAsync || operation == &TFtpClientEx::OpenAsync ||
      operation == &TFtpClientEx::ConnectAsync)
    m_folder.clear();
  QString refusal;
  try {
    (m_engine.get()->*operation)();
  } catch (const std::exception& error) {
    refusal = QString::fromUtf8(error.what());
    if (refusal.isEmpty()) refusal = QStringLiteral("Request refused by the engine");
  }
  if (!refusal.isEmpty()) {
    Refused(refusal);
    return Result;
  }
  return Wait();
}

void TFtpSession::Refused(const QString& text) {
  // Nothing was started, so nothing will end: the step fails here. A refused step usually
  // means the server closed the connection; the next request reconnects.
  Result = ftpResultFailed;
  Error = text;
  Display(Line("!", text));
}

quint8 TFtpSession::Wait() {
  TFtpClientEx* engine = m_engine.get();
  const TEngineWorker::TWaitOutcome outcome = m_worker.PumpUntil([this, engine] {
    const TFtpEngineState state = engine->State();
    return (state == ftpStateReady || state == ftpStateStepReady) && m_done;
  });
  if (outcome != TEngineWorker::TWaitOutcome::Done) {
    AbortStep();
    return Result;
  }
  if (m_error == 0) {
    Result = ftpResultOk;
  } else {
    Result = ftpResultFailed;
    Error = engine->ErrorMessage();
  }
  m_worker.AbortRequested = false;
  return Result;
}

void TFtpSession::AbortStep() {
  m_worker.AbortRequested = false;
  m_engine->Abort();
  m_done = false;
  Result = ftpResultAborted;
  Error = Line("!", QStringLiteral("Operation aborted."));
  Display(Error);
}

quint8 TFtpSession::Quote(const QString& line) {
  m_engine->SetLocalFileName(line);
  return Run(&TFtpClientEx::QuoteAsync);
}

quint8 TFtpSession::Cwd(const QString& folder, bool skipWhenThere) {
  if (skipWhenThere && !m_folder.isEmpty() && folder == m_folder && m_engine->Connected) {
    Result = ftpResultOk;
    return Result;
  }
  m_engine->HostDirName = folder;
  if (Run(&TFtpClientEx::CwdAsync) == ftpResultOk && folder.startsWith(QLatin1Char('/')))
    m_folder = folder;
  return Result;
}

quint8 TFtpSession::SetType(bool binary, bool force) {
  m_engine->SetBinary(binary);
  if (!force && m_typeKnown && m_lastBinary == binary) {
    Result = ftpResultOk;
    return Result;
  }
  Run(&TFtpClientEx::TypeSetAsync);
  m_typeKnown = Result == ftpResultOk;
  m_lastBinary = binary;
  return Result;
}

quint8 TFtpSession::Login(const TLoginPolicy& policy) {
  TFtpClientEx& e = *m_engine;
  int attempts = policy.Attempts;
  bool loggedIn = false;
  m_loggedIn = false;
  while (attempts > 0) {
    bool passwordRejected = false;
    if (Run(&TFtpClientEx::OpenAsync) == ftpResultAborted) break;
    if (Result == ftpResultOk) {
      if (e.UserName.isEmpty() && policy.Prompt && !policy.Prompt(ftpAuthUserName)) break;
      if (Run(&TFtpClientEx::UserAsync) == ftpResultAborted) break;
      if (Result == ftpResultOk) {
        if (e.StatusCode != 331) {
          loggedIn = true;
          break;
        }
        if (e.PassWord.isEmpty() && policy.Prompt && !policy.Prompt(ftpAuthPassword)) break;
        if (Run(&TFtpClientEx::PassAsync) != ftpResultFailed) {
          loggedIn = Result == ftpResultOk;
          break;
        }
        passwordRejected = true;
      }
    }
    if (policy.ReportRetries && passwordRejected) {
      Quiet = false;
      Display(Line("!", QStringLiteral("User [%1] failed to log in onto host [%2] on port [%3]")
                            .arg(e.UserName, e.HostName, e.Port)));
    }
    e.Abort();
    --attempts;
    if (policy.ReportRetries && passwordRejected && attempts > 0) {
      Display(Line("~", QStringLiteral("Retrying to connect host [%1] on port [%2]. %3 connection "
                                       "retry remained")
                            .arg(e.HostName, e.Port)
                            .arg(attempts)));
      Quiet = true;  // quiet until the next rejected password or the end of the login
    }
    m_worker.Delay(policy.RetryDelay);
  }
  Quiet = false;
  if (Result == ftpResultAborted) return Result;
  if (!loggedIn) {
    // Error keeps the engine's text of the last failed step.
    Result = ftpResultFailed;
    e.Abort();
    return Result;
  }
  Result = ftpResultOk;
  m_typeKnown = false;
  m_loggedIn = true;
  if (policy.ReportRetries) {
    Display(Line("~", QStringLiteral("User [%1] logged in successfully onto host [%2] on port [%3]")
                          .arg(e.UserName, e.HostName, e.Port)));
  }
  return Result;
}

quint8 TFtpSession::Reconnect(int attempts, int retryDelay) {
  while (attempts > 0) {
    if (Run(&TFtpClientEx::ConnectAsync) == ftpResultOk) break;
    if (Result == ftpResultAborted) return Result;
    --attempts;
    m_worker.Delay(retryDelay);
  }
  m_typeKnown = false;
  if (attempts <= 0) Result = ftpResultFailed;
  m_loggedIn = Result == ftpResultOk;
  return Result;
}

quint8 TFtpSession::ListFolder(const QString& folder, TFTPListItems& items, bool skipCwdWhenThere) {
  if (Cwd(folder, skipCwdWhenThere) != ftpResultOk) return Result;
  TFtpClientEx& e = *m_engine;
  e.HostFileName.clear();
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  e.SetLocalStream(&buffer);
  Run(&TFtpClientEx::DirAsync);
  e.SetLocalStream(nullptr);
  if (Result != ftpResultOk) return Result;
  LoadListing(buffer.data(), items);
  buffer.close();
  if (!items.HasLinks) return Result;

  Display(Line("~", QStringLiteral("Auto-detecting link property...")));
  m_dialogueMuted = true;
  int folders = 0;
  int files = 0;
  bool enteredFolder = false;
  for (int i = 0; i < items.Count(); ++i) {
    TFTPListItem* entry = items.Items(i);
    if (!entry->IsLink) continue;
    if (Cwd(folder + QLatin1Char('/') + entry->Name) == ftpResultAborted) break;
    if (Result == ftpResultOk) {
      entry->IsFile = false;
      entry->Size = -1;
      entry->IconIndex = ShellIcons().FolderIcon();
      entry->TypeName = ShellIcons().FolderTypeName();
      ++folders;
      enteredFolder = true;
    } else {
      entry->IsFile = true;
      entry->IconIndex = ShellIcons().IconOf(entry->Name);
      entry->TypeName = ShellIcons().TypeNameOf(entry->Name);
      ++files;
    }
  }
  // A link into a folder moved the server away: go back where the listing was made.
  if (Result != ftpResultAborted && enteredFolder && folder.startsWith(QLatin1Char('/')))
    Cwd(folder);
  m_dialogueMuted = false;
  if (Result == ftpResultAborted) return Result;
  Display(
      Line("~", QStringLiteral("%1 folder and %2 file links detected.").arg(folders).arg(files)));
  Result = ftpResultOk;
  return Result;
}

quint8 TFtpSession::Store(bool resume) {
  TFtpClientEx& e = *m_engine;
  bool append = false;
  if (resume) {
    if (Run(&TFtpClientEx::SizeAsync) == ftpResultAborted) return Result;
    if (Result == ftpResultOk) {
      e.ResumeAt = e.SizeResult;
      append = true;
    }
  }
  Run(append ? &TFtpClientEx::AppendAsync : &TFtpClientEx::PutAsync);
  e.ResumeAt = 0;
  return Result;
}
