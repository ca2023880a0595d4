// Connecting, logging in and reconnecting.
#include "core/client/FTPClientThread.h"
#include "core/client/ThreadedFTPClient.h"
#include "core/ftp/FtpClientEx.h"

void TFTPClientThread::DoConnect() {
  TThreadedFTPClient* o = m_owner;
  m_engine->HostName = o->HostName;
  m_engine->Port = o->Port;
  m_engine->UserName = o->UserName;
  m_engine->PassWord = o->Password;
  m_engine->SetPassive(o->PassiveMode);
  m_engine->LsOption = o->LsOption;
  Login();
  if (o->LastResult != ftpResultOk) return;

  m_engine->SystAsync();
  WaitForEngine();
  if (o->LastResult == ftpResultAborted) return;
  o->SystemType = o->LastResult == ftpResultOk ? m_engine->LastResponse : QStringLiteral("Unknown");

  m_engine->SetBinary(true);
  SetTransferType();
  if (o->LastResult == ftpResultAborted) return;

  o->ResumeSupported = false;
  QuoteLine(QStringLiteral("REST 1"));
  if (o->LastResult == ftpResultAborted) return;
  QuoteLine(QStringLiteral("REST 0"));
  if (o->LastResult == ftpResultAborted) return;
  o->ResumeSupported = o->LastResult == ftpResultOk;

  if (!o->InitialFolder.isEmpty()) {
    Cwd(o->InitialFolder);
    if (o->LastResult == ftpResultAborted) return;
  }
  o->LastResult = ftpResultOk;
}

void TFTPClientThread::Login() {
  TThreadedFTPClient* o = m_owner;
  m_engine->HostName = o->HostName;
  m_engine->Port = o->Port;
  m_engine->UserName = o->UserName;
  m_engine->PassWord = o->Password;
  int attempts = o->LoginRetry;
  while (attempts > 0) {
    m_engine->OpenAsync();
    WaitForEngine();
    if (o->LastResult == ftpResultAborted) return;
    bool loggedIn = false;
    if (o->LastResult == ftpResultOk) {
      if (m_engine->UserName.isEmpty() && !Prompt(ftpAuthUserName)) return;
      m_engine->UserAsync();
      WaitForEngine();
      if (o->LastResult == ftpResultAborted) return;
      if (o->LastResult == ftpResultOk) {
        if (m_engine->StatusCode != 331) {
          loggedIn = true;
        } else {
          if (m_engine->PassWord.isEmpty() && !Prompt(ftpAuthPassword)) return;
          m_engine->PassAsync();
          WaitForEngine();
          if (o->LastResult == ftpResultAborted) return;
          loggedIn = o->LastResult == ftpResultOk;
        }
      }
    }
    if (loggedIn) {
      o->LastResult = ftpResultOk;
      m_typeKnown = false;
      return;
    }
    m_engine->Abort();
    --attempts;
    Delay(o->ReloginDelay);
  }
  o->LastResult = ftpResultFailed;
  m_engine->Abort();
}

bool TFTPClientThread::Prompt(TFTPAuthenticate kind) {
  TThreadedFTPClient* o = m_owner;
  QString need;
  bool cancel = false;
  Sync([o, kind, &need, &cancel] {
    if (o->OnAuthenticate) o->OnAuthenticate(o, kind, need, cancel);
  });
  if (cancel) {
    Display(QStringLiteral("! Login canceled."));
    o->LastResult = ftpResultAborted;
    o->LastError = QStringLiteral("! Login canceled.");
    m_engine->Abort();
    return false;
  }
  // Kept in both places so later reconnects and connects do not ask again.
  if (kind == ftpAuthUserName) {
    o->UserName = need;
    m_engine->UserName = need;
  } else {
    o->Password = need;
    m_engine->PassWord = need;
  }
  return true;
}

void TFTPClientThread::EnsureConnected() {
  TThreadedFTPClient* o = m_owner;
  if (m_engine->Connected) {
    o->LastResult = ftpResultOk;
    return;
  }
  Display(QStringLiteral("~ Connection closed. Reconnecting..."));
  int attempts = o->LoginRetry;
  while (attempts > 0) {
    m_engine->ConnectAsync();
    WaitForEngine();
    if (o->LastResult == ftpResultOk) break;
    if (o->LastResult == ftpResultAborted) return;
    --attempts;
    Delay(o->ReloginDelay);
  }
  m_typeKnown = false;
  if (attempts <= 0) o->LastResult = ftpResultFailed;
}

QString TFTPClientThread::Place(bool upper) const {
  if (m_engine->ConnectionType() == ftpProxy) {
    return (upper ? QStringLiteral("Proxy server [") : QStringLiteral("proxy server [")) +
           m_engine->ProxyServer + QLatin1Char(']');
  }
  return (upper ? QStringLiteral("Host [") : QStringLiteral("host [")) + m_owner->HostName +
         QLatin1Char(']');
}

void TFTPClientThread::ConnectStateLine(TFTPConnectState state) {
  switch (state) {
    case ftpConStateDNSLookup:
      Display(QStringLiteral("~ Looking up ") + Place(false) + "...");
      break;
    case ftpConStateDNSLookupDone:
      Display(QStringLiteral("~ ") + Place(true) + " found. IP address is [" +
              m_engine->ResolvedAddr + "]");
      break;
    case ftpConStateContact:
      Display(QStringLiteral("~ Contacting ") + Place(false) + "...");
      break;
    case ftpConStateContacted:
      Display(QStringLiteral("~ ") + Place(true) + " contacted. Waiting for reply...");
      break;
    case ftpConStateConnected:
      Display(QStringLiteral("~ ") + Place(true) + " connected. Sending Login information...");
      break;
    case ftpConStateClosed:
      Display(QStringLiteral("~ Connection closed from ") + Place(false));
      break;
  }
}
