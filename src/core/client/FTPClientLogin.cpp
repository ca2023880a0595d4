// Connecting, logging in and reconnecting.
#include "core/client/FTPClientThread.h"
#include "core/client/ThreadedFTPClient.h"
#include "core/ftp/FtpClientEx.h"

void TFTPClientThread::DoConnect() {
  TFtpClientEx& e = m_session->Engine();
  e.HostName = m_in.HostName;
  e.Port = m_in.Port;
  e.UserName = m_in.UserName;
  e.PassWord = m_in.Password;
  e.SetPassive(m_in.PassiveMode);
  e.LsOption = m_in.LsOption;
  TFtpSession::TLoginPolicy policy;
  policy.Attempts = m_in.LoginRetry;
  policy.RetryDelay = m_in.ReloginDelay;
  policy.Prompt = [this](TFTPAuthenticate kind) { return Prompt(kind); };
  if (m_session->Login(policy) != ftpResultOk) return;

  if (Run(&TFtpClientEx::SystAsync) == ftpResultAborted) return;
  m_systemType = Result() == ftpResultOk ? e.LastResponse : QStringLiteral("Unknown");

  if (m_session->SetType(true) == ftpResultAborted) return;

  m_resumeSupported = false;
  if (m_session->Quote(QStringLiteral("REST 1")) == ftpResultAborted) return;
  if (m_session->Quote(QStringLiteral("REST 0")) == ftpResultAborted) return;
  m_resumeSupported = Result() == ftpResultOk;

  if (!m_in.InitialFolder.isEmpty() && Cwd(m_in.InitialFolder) == ftpResultAborted) return;
  m_session->Result = ftpResultOk;
}

bool TFTPClientThread::Prompt(TFTPAuthenticate kind) {
  TThreadedFTPClient* o = m_owner;
  QString need;
  bool cancel = false;
  // The answer is kept in the component inside the hand-over, so later reconnects and
  // connects do not ask again.
  Sync([o, kind, &need, &cancel] {
    if (o->OnAuthenticate) o->OnAuthenticate(o, kind, need, cancel);
    if (cancel) return;
    if (kind == ftpAuthUserName) {
      o->UserName = need;
    } else {
      o->Password = need;
    }
  });
  TFtpClientEx& e = m_session->Engine();
  if (cancel) {
    const QString line = QStringLiteral("! Login canceled.");
    Display(line);
    m_session->Result = ftpResultAborted;
    m_session->Error = line;
    e.Abort();
    return false;
  }
  if (kind == ftpAuthUserName) {
    m_in.UserName = need;
    e.UserName = need;
  } else {
    m_in.Password = need;
    e.PassWord = need;
  }
  return true;
}

void TFTPClientThread::EnsureConnected() {
  if (m_session->Engine().Connected) {
    m_session->Result = ftpResultOk;
    return;
  }
  Display(QStringLiteral("~ Connection closed. Reconnecting..."));
  m_session->Reconnect(m_in.LoginRetry, m_in.ReloginDelay);
}
