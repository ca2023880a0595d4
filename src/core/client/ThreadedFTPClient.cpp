#include <QCoreApplication>

#include "core/client/ThreadedFTPClient.h"

#include <QThread>

#include "core/client/FTPClientThread.h"
#include "core/ftp/FtpClientEx.h"

TThreadedFTPClient::TThreadedFTPClient(QObject* parent) : QObject(parent) {}

TThreadedFTPClient::~TThreadedFTPClient() {
  // A worker must never outlive its owner: it would hand events to a freed object. Cut it
  // off, abort what runs, and wait for it to unwind (it hands nothing over any more).
  if (m_thread != nullptr) {
    TFTPClientThread* thread = m_thread;
    m_thread = nullptr;
    thread->OnEnded = nullptr;
    thread->Detach();
    OnDisplay = nullptr;
    OnTransferStatus = nullptr;
    OnAuthenticate = nullptr;
    for (auto event : DoneEvents()) this->*event = nullptr;
    thread->AbortRequested = true;
    thread->PostRequest(rqAbort);
    thread->PostQuit();
    // The worker may be blocked in a hand-over to this thread right now: keep serving
    // those (they find nothing to call any more) while waiting for it to end.
    while (!thread->wait(10)) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    thread->Joined();
    delete thread;
  }
}

const QList<TFTPNotifyEvent TThreadedFTPClient::*>& TThreadedFTPClient::DoneEvents() {
  static const QList<TFTPNotifyEvent TThreadedFTPClient::*> events{
      &TThreadedFTPClient::OnConnectDone,      &TThreadedFTPClient::OnChangeFolderDone,
      &TThreadedFTPClient::OnGetFolderDone,    &TThreadedFTPClient::OnGetListItemsDone,
      &TThreadedFTPClient::OnRenameDone,       &TThreadedFTPClient::OnRemoveDone,
      &TThreadedFTPClient::OnDownloadFileDone, &TThreadedFTPClient::OnUploadFileDone,
      &TThreadedFTPClient::OnMakeFolderDone,   &TThreadedFTPClient::OnDownloadsDone,
      &TThreadedFTPClient::OnUploadsDone,      &TThreadedFTPClient::OnQuitDone,
      &TThreadedFTPClient::OnChangePermsDone,  &TThreadedFTPClient::OnUppercaseDone,
      &TThreadedFTPClient::OnLowercaseDone,    &TThreadedFTPClient::OnQuoteDone,
      &TThreadedFTPClient::OnMoveDone};
  return events;
}

void TThreadedFTPClient::StartThread() {
  if (m_thread != nullptr) StopThread();
  auto* thread = new TFTPClientThread(this);
  m_thread = thread;
  thread->OnEnded = [this, thread] { ThreadEnded(thread); };
  ThreadReady = false;
  thread->StartAndWaitReady(QThread::LowestPriority);
}

void TThreadedFTPClient::ThreadEnded(TFTPClientThread* thread) {
  if (m_thread == thread) m_thread = nullptr;
  thread->Joined();
  thread->deleteLater();
  if (OnEndThread) OnEndThread(this);
}

void TThreadedFTPClient::StopThread() {
  if (m_thread != nullptr) m_thread->PostQuit();
  Busy = false;
}

void TThreadedFTPClient::Abort() {
  if (!Busy || m_thread == nullptr) return;
  // The flag first: set after the message, it could outlive an abort the message already
  // carried out and abort the next request.
  m_thread->AbortRequested = true;
  m_thread->PostRequest(rqAbort);
}

void TThreadedFTPClient::PostRequest(int request) {
  if (m_thread != nullptr) m_thread->PostRequest(request);
}

void TThreadedFTPClient::Request(int request) {
  ++m_requestSerial;
  Busy = true;
  PostRequest(request);
}

TFtpClientEx* TThreadedFTPClient::Engine() const {
  return m_thread != nullptr ? m_thread->Engine() : nullptr;
}
