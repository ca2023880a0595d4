#include <QCoreApplication>

#include "core/carrier/ThreadedFTPCarrier.h"

#include "core/carrier/FTPCarrierThread.h"

TThreadedFTPCarrier::TThreadedFTPCarrier(QObject* parent) : QObject(parent) {}

TThreadedFTPCarrier::~TThreadedFTPCarrier() {
  // A worker must never outlive its carrier: cut it off, abort what runs, and wait for it to
  // unwind. An idle worker is not aborted: it closes its connections with QUIT (briefly
  // bounded) and ends.
  if (m_thread != nullptr) {
    TFTPCarrierThread* thread = m_thread;
    m_thread = nullptr;
    thread->OnEnded = nullptr;
    thread->Detach();
    OnDisplay = nullptr;
    OnCarryDone = nullptr;
    OnExploreDone = nullptr;
    OnTransferStatus = nullptr;
    OnStopped = nullptr;
    if (m_busy) {
      thread->AbortRequested = true;
      thread->PostRequest(rqAbortCarry);
    }
    if (m_busy || !m_stopping) thread->PostQuit();
    // The worker may be blocked in a hand-over to this thread right now: keep serving
    // those (they find nothing to call any more) while waiting for it to end.
    while (!thread->wait(10)) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    thread->Joined();
    delete thread;
  }
}

void TThreadedFTPCarrier::Configure(const TFTPCarryItem& item,
                                    std::shared_ptr<AsciiExtensionList> asciiExts,
                                    const TCarrierConnection& proxy) {
  FileName = item.FileName;
  SrcHostName = item.SrcHostName;
  SrcPort = item.SrcPort;
  SrcUserName = item.SrcUserName;
  SrcPassword = item.SrcPassword;
  SrcPath = item.SrcPath;
  SrcLsOption = item.SrcLsOption;
  DestHostName = item.DestHostName;
  DestPort = item.DestPort;
  DestUserName = item.DestUserName;
  DestPassword = item.DestPassword;
  DestPath = item.DestPath;
  DestLsOption = item.DestLsOption;
  FileSize = item.FileSize;
  ResumeTransfer = item.ResumeTransfer;
  SrcTransferType = static_cast<TFTPTransferType>(item.SrcTransferType);
  DestTransferType = static_cast<TFTPTransferType>(item.DestTransferType);
  PassiveMode = item.PassiveMode;
  ASCIIExts = std::move(asciiExts);
  Timeout = proxy.Timeout;
  if (proxy.Enabled) {
    ProxyType = ftpProxy;
    ProxyServer = proxy.Server;
    ProxyPort = proxy.Port;
  }
}

void TThreadedFTPCarrier::Start(TCarryRequest request) {
  switch (request) {
    case TCarryRequest::CarryDownload:
      CarryDownload();
      break;
    case TCarryRequest::CarryUpload:
      CarryUpload();
      break;
    case TCarryRequest::CarryServerToServer:
      CarryServerToServer();
      break;
    case TCarryRequest::ExploreDownload:
      ExploreDownload();
      break;
    case TCarryRequest::ExploreUpload:
      ExploreUpload();
      break;
    case TCarryRequest::ExploreServerToServer:
      ExploreServerToServer();
      break;
  }
}

void TThreadedFTPCarrier::StartRequest(int request) {
  m_busy = true;
  m_reusable = false;
  LastResult = 0;
  LastError.clear();
  if (m_thread != nullptr && !m_stopping) {
    // The worker of the previous item, idle and logged in. An abort meant for that item that
    // came too late must not cut this one short; its message is ignored while idle.
    m_thread->AbortRequested = false;
    m_thread->PostRequest(request);
    return;
  }
  auto* thread = new TFTPCarrierThread(this);
  m_thread = thread;
  m_stopping = false;
  thread->OnEnded = [this, thread] { ThreadEnded(thread); };
  thread->StartAndWaitReady(QThread::LowestPriority);
  thread->PostRequest(request);
}

void TThreadedFTPCarrier::ThreadEnded(TFTPCarrierThread* thread) {
  if (m_thread == thread) m_thread = nullptr;
  thread->Joined();
  thread->deleteLater();
  if (OnEndThread) OnEndThread();
  if (OnStopped) OnStopped();
}

void TThreadedFTPCarrier::AbortCarry() {
  if (m_thread == nullptr) return;
  m_thread->AbortRequested = true;  // the flag first, as for the background client
  m_thread->PostRequest(rqAbortCarry);
}

void TThreadedFTPCarrier::StopCarrier() {
  if (m_thread == nullptr || m_stopping) return;
  m_stopping = true;
  m_thread->PostQuit();
}

std::vector<std::unique_ptr<TFTPCarryItem>> TThreadedFTPCarrier::TakeExploredItems() {
  return std::move(ExploredItems);
}
