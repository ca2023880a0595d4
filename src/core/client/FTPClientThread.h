#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <set>

#include "core/client/EngineWorker.h"
#include "core/client/FTPClientProperties.h"
#include "core/client/FTPConsts.h"
#include "core/client/FTPNameList.h"
#include "core/client/FtpSession.h"
#include "core/common/AsciiExtensionList.h"
#include "core/ftp/FtpTypes.h"

class TThreadedFTPClient;
class TFtpClientEx;
class TFTPListItems;

// The worker of a background client: owns the session (and so the engine), runs its own event
// loop, carries out one numbered request at a time and hands every event to the owner's
// thread, waiting there until the handler returns.
//
// Thread contract: a request's inputs are copied from the owner when the request starts (the
// owner wrote them before posting it); the worker then works on its copies only. Every result
// the owner reads (LastResult, LastError, SystemType, ResumeSupported, the server's address
// and folder, the names that remained) is written inside the done hand-over, before the done
// handler runs; the prompt's answers inside the prompt's hand-over; FileSize (atomic) before
// each transfer. After the done hand-over the worker touches the owner no more, so a done
// handler may start the next request at once.
class TFTPClientThread : public TEngineWorker {
 public:
  explicit TFTPClientThread(TThreadedFTPClient* owner);
  ~TFTPClientThread() override;

  TFtpClientEx* Engine() const;

 protected:
  void run() override;
  void Dispatch(int request) override;
  void RequestEscaped(int request, const QString& what) override;

 private:
  // ---- Frame and hand-over
  void TakeInput();
  void RunRequest(int request);
  void FinishRequest(int request);
  void Display(const QString& line);
  quint8 Result() const { return m_session->Result; }
  void Fail(const QString& error) { m_session->SetFailed(error); }
  quint8 Cwd(const QString& folder) { return m_session->Cwd(folder); }
  quint8 Run(void (TFtpClientEx::*operation)()) { return m_session->Run(operation); }

  // ---- Connecting
  void DoConnect();
  bool Prompt(TFTPAuthenticate kind);  // false when canceled
  void EnsureConnected();

  // ---- Single items, listing, transfers
  void DoChangeFolder();
  void DoGetFolder();
  void DoGetListItems();
  void DoRename();
  void DoMakeFolder();
  void DoQuote();
  void DoQuit();
  void DoDownloadFile();
  void DoUploadFile();
  void ChooseTransferType();
  void ListFolder(const QString& folder, TFTPListItems& items, bool skipCwdWhenThere = false);
  // Downloads the engine's HostFileName; a size known from a listing (0 or more) spares SIZE.
  void DownloadOne(qint64 listedSize = -1);
  void UploadOne();

  // ---- Batches and trees
  void DoRemove();
  void DoDownloads();
  void DoUploads();
  void DoRenameEach(int request);  // Uppercase, Lowercase, Move
  // Runs `step` on each entry of the request's HostFileNames: a success drops the entry (and
  // the one of `parallel`), a failure keeps it and goes on, an abort stops.
  void AdvancingLoop(TFTPNameList* parallel, const std::function<void(int)>& step);
  void TransferEach(bool upload);
  void DoChangePerms(bool recursive);
  void RemoveTree(const QString& folder);
  void DownloadTree(const QString& remote, const QString& local);
  void UploadTree(const QString& remote, const QString& local);
  void ChmodTree(const QString& folder);
  void ChmodOne(const QString& name);
  // Back into HostDirName after a walk failed below it; false when that was aborted.
  bool BackToHostDir();
  // Lists `folder` into a collection of its own (the walks keep one per level).
  std::unique_ptr<TFTPListItems> ListInto(const QString& folder);

  TThreadedFTPClient* m_owner;
  TFtpSession::TOutcome m_outcome;
  std::unique_ptr<TFtpSession> m_session;
  TFTPClientProperties m_in;  // the owner's request properties as the request started
  // Learned at login, published to the owner at every done hand-over.
  QString m_systemType;
  bool m_resumeSupported = false;
  int m_currentRequest = 0;
  // DownloadTree's guard against folder-link loops: the server paths of the folders fetched
  // in this request, and how many folder links the current path has passed through. A walk
  // that skipped an unsafe name fails its top entry once it has fetched the rest.
  std::set<QString> m_visitedFolders;
  int m_linkDepth = 0;
  QString m_skippedNames;
};
