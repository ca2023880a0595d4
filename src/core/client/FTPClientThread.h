#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <set>

#include "core/client/EngineWorker.h"
#include "core/client/FTPConsts.h"
#include "core/client/FTPNameList.h"
#include "core/ftp/FtpTypes.h"

class TThreadedFTPClient;
class TFtpClientEx;
class TFTPListItems;

// The worker of a background client: owns the engine, runs its own event loop, carries out
// one numbered request at a time and hands every event to the owner's thread, waiting there
// until the handler returns.
class TFTPClientThread : public TEngineWorker {
 public:
  explicit TFTPClientThread(TThreadedFTPClient* owner);
  ~TFTPClientThread() override;

  TFtpClientEx* Engine() const { return m_engine; }

 protected:
  void run() override;
  void Dispatch(int request) override;

 private:
  // ---- Frame, waiting and hand-over
  void RunRequest(int request);
  void WaitForEngine();
  void AbortStep();
  void Display(const QString& line);
  void Sync(const std::function<void()>& call);
  void FireDone(int request);
  void HookLogging(bool on);

  // ---- Connecting
  void DoConnect();
  void Login();
  bool Prompt(TFTPAuthenticate kind);  // false when canceled
  void EnsureConnected();
  QString Place(bool upper) const;
  void ConnectStateLine(TFTPConnectState state);

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
  void SetTransferType();
  void ChooseTransferType();
  void ListFolder(const QString& folder);
  void DownloadOne();
  void UploadOne();
  void Cwd(const QString& folder);
  void QuoteLine(const QString& line);

  // ---- Batches and trees
  void DoRemove();
  void DoDownloads();
  void DoUploads();
  void DoRenameEach(int request);  // Uppercase, Lowercase, Move
  // Runs `step` on each entry of HostFileNames: a success drops the entry (and the one of
  // `parallel`), a failure keeps it and goes on, an abort stops.
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
  TFtpClientEx* m_engine = nullptr;

  bool m_typeKnown = false;
  bool m_lastBinary = false;
  TFTPListItems* m_listing = nullptr;  // the collection ListFolder fills
  bool m_requestDone = false;
  int m_requestError = 0;
  int m_currentRequest = 0;
  // DownloadTree's guard against folder-link loops: the server paths of the folders fetched
  // in this request, and how many folder links the current path has passed through.
  std::set<QString> m_visitedFolders;
  int m_linkDepth = 0;
};
