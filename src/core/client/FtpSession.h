#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "core/client/FTPConsts.h"
#include "core/ftp/FtpTypes.h"

class TEngineWorker;
class TFtpClientEx;
class TFTPListItems;

// One control connection driven from a worker thread: starts engine requests, waits for them
// in the worker's nested wait and keeps the outcome of the last step in Result and Error. The
// background client and the carriers share it, so logging in, listing with the link probe,
// resumed uploads and the log lines behave alike in both.
//
// Contract: never throws. A request the engine refuses to start (not connected, not ready)
// ends at once as a failed step with the engine's text and a "! " line; no done notification
// is left behind for a later wait. Create, use and destroy it on its worker thread.
class TFtpSession {
 public:
  // The outcome of the last step; a carrier's two sessions share one, as its requests judge
  // each step by whichever server it went to.
  struct TOutcome {
    quint8 Result = ftpResultOk;
    QString Error;
  };

  // Client lines read "~ Host [h] found..."; carrier lines carry the host as a tag after the
  // kind: "~ [h]: Host [h] found...".
  enum class TLogStyle { Client, Carrier };
  using TDisplay = std::function<void(const QString& line)>;

  TFtpSession(TEngineWorker& worker, TLogStyle style, TDisplay display, TOutcome& outcome);
  ~TFtpSession();
  TFtpSession(const TFtpSession&) = delete;
  TFtpSession& operator=(const TFtpSession&) = delete;

  TFtpClientEx& Engine() const { return *m_engine; }

  // Outcome of the last step: ftpResultOk, ftpResultFailed or ftpResultAborted.
  quint8& Result;
  QString& Error;
  void SetFailed(const QString& error) {
    Result = ftpResultFailed;
    Error = error;
  }

  // Starts the operation and waits for it; returns Result.
  quint8 Run(void (TFtpClientEx::*operation)());
  // A raw command (it fails from reply 500 on).
  quint8 Quote(const QString& line);
  // CWD; with `skipWhenThere` an absolute folder the server is known to be in already is not
  // entered again (tree walks and pooled carriers).
  quint8 Cwd(const QString& folder, bool skipWhenThere = false);
  // Sends TYPE unless the server is known to have it already; `force` always sends it.
  quint8 SetType(bool binary, bool force = false);
  void ForgetType() { m_typeKnown = false; }
  // Logged in (Login or Reconnect succeeded) and the control connection is still open.
  bool LoggedIn() const;

  struct TLoginPolicy {
    int Attempts = 1;
    int RetryDelay = 0;  // seconds after every failed attempt, the last one included
    // Asks for an empty user name or password; false when the user canceled (the prompt
    // then sets Result itself).
    std::function<bool(TFTPAuthenticate kind)> Prompt;
    // Log a rejected password and the retry, then retry without log lines until the next
    // rejected password (the queue's way of keeping its log short).
    bool ReportRetries = false;
  };
  // Opens the connection and logs in: open, USER, and PASS when USER asks for it.
  quint8 Login(const TLoginPolicy& policy);
  // Reopens a closed connection (the engine's combined connect); never prompts.
  quint8 Reconnect(int attempts, int retryDelay);

  // Changes into `folder`, lists it into `items` and tells folder links from file links by
  // changing into each link; a server moved by a folder link is taken back to `folder`.
  quint8 ListFolder(const QString& folder, TFTPListItems& items, bool skipCwdWhenThere = false);
  // Sends the engine's local file to its HostFileName; with `resume`, appends to what SIZE
  // reports of the remote copy.
  quint8 Store(bool resume);

  // "K text" with the carrier's tag after the kind: "! [h]: text".
  QString Line(const char* kind, const QString& text) const;
  void Display(const QString& line) const;
  // Mutes every line of this session (quiet login retries).
  bool Quiet = false;
  // Replies seen since the counter was last cleared, and the latest one (the carrier's
  // server-to-server wait watches both sides with them).
  int Replies = 0;
  QString LastReply;
  // Every reply of the session, never cleared.
  quint64 ReplyCount = 0;

 private:
  quint8 Wait();
  void AbortStep();
  void Refused(const QString& text);
  void HookEngine();
  QString ConnectStateLine(TFTPConnectState state) const;

  TEngineWorker& m_worker;
  const TLogStyle m_style;
  TDisplay m_display;
  std::unique_ptr<TFtpClientEx> m_engine;
  bool m_done = false;
  int m_error = 0;
  bool m_dialogueMuted = false;  // the link probe's commands and replies are not logged
  bool m_typeKnown = false;
  bool m_lastBinary = false;
  bool m_loggedIn = false;
  QString m_folder;  // the absolute folder the server is in, empty when unknown
};
