#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

#include "core/client/FTPClientProperties.h"
#include "core/client/FTPConsts.h"
#include "core/client/FTPNameList.h"
#include "core/common/AsciiExtensionList.h"

class TFTPClientThread;
class TFTPListItems;
class TFtpClientEx;

// Drives one FTP connection from the user-interface thread without ever blocking it: each
// request is posted to a worker thread that owns the protocol engine, and ends with its done
// event, run on this object's thread while the worker waits. Set the request properties only
// while Busy is false.
// The request properties (HostName ... LocalFileNames) are those of TFTPClientProperties.
class TThreadedFTPClient : public QObject, public TFTPClientProperties {
 public:
  explicit TThreadedFTPClient(QObject* parent = nullptr);
  ~TThreadedFTPClient() override;

  // ---- State and results
  std::atomic<bool> Busy{false};
  std::atomic<bool> ThreadReady{false};
  std::atomic<quint8> LastResult{ftpResultOk};
  QString LastError;
  QString SystemType;
  std::atomic<bool> ResumeSupported{false};
  std::atomic<qint64> FileSize{-1};

  // ---- Events (run on this object's thread)
  TFTPDisplayEvent OnDisplay;
  TFTPTransferStatusEvent OnTransferStatus;
  TFTPAuthenticateEvent OnAuthenticate;
  TFTPNotifyEvent OnEndThread;
  TFTPNotifyEvent OnConnectDone;
  TFTPNotifyEvent OnChangeFolderDone;
  TFTPNotifyEvent OnGetFolderDone;
  TFTPNotifyEvent OnGetListItemsDone;
  TFTPNotifyEvent OnRenameDone;
  TFTPNotifyEvent OnRemoveDone;
  TFTPNotifyEvent OnDownloadFileDone;
  TFTPNotifyEvent OnUploadFileDone;
  TFTPNotifyEvent OnMakeFolderDone;
  TFTPNotifyEvent OnDownloadsDone;
  TFTPNotifyEvent OnUploadsDone;
  TFTPNotifyEvent OnQuitDone;
  TFTPNotifyEvent OnChangePermsDone;
  TFTPNotifyEvent OnUppercaseDone;
  TFTPNotifyEvent OnLowercaseDone;
  TFTPNotifyEvent OnQuoteDone;
  TFTPNotifyEvent OnMoveDone;

  // Every request's done event, for callers that handle them alike.
  static const QList<TFTPNotifyEvent TThreadedFTPClient::*>& DoneEvents();

  // ---- Lifecycle
  // Starts a new worker (stopping an old one first) and returns once its engine exists.
  void StartThread();
  // Asks the worker to end after the request in progress; does not wait.
  void StopThread();
  // Interrupts the request in progress; nothing when idle.
  void Abort();
  void PostRequest(int request);
  bool HasThread() const { return m_thread != nullptr; }

  // The worker's engine; touch it only while the worker is idle.
  TFtpClientEx* Engine() const;
  // As of the last done event: the address the host name resolved to, and the folder the
  // server last reported (CWD, MKD, PWD, CDUP).
  QString ServerAddress() const { return m_serverAddress; }
  QString ServerFolder() const { return m_serverFolder; }

  // ---- Requests
  void Connect() { Request(rqConnect); }
  void ChangeFolder() { Request(rqChangeFolder); }
  void GetFolder() { Request(rqGetFolder); }
  void GetListItems() { Request(rqGetListItems); }
  void Rename() { Request(rqRename); }
  void Remove() { Request(rqRemove); }
  void DownloadFile() { Request(rqDownloadFile); }
  void UploadFile() { Request(rqUploadFile); }
  void MakeFolder() { Request(rqMakeFolder); }
  void Downloads() { Request(rqDownloads); }
  void Uploads() { Request(rqUploads); }
  void Quit() { Request(rqQuit); }
  void ChangePerms() { Request(rqChangePerms); }
  void Uppercase() { Request(rqUppercase); }
  void Lowercase() { Request(rqLowercase); }
  void Quote() { Request(rqQuote); }
  void ChangePermsRecursive() { Request(rqChangePermsRecursive); }
  void Move() { Request(rqMove); }

 private:
  friend class TFTPClientThread;
  void Request(int request);
  void ThreadEnded(TFTPClientThread* thread);

  TFTPClientThread* m_thread = nullptr;  // frees itself when it ends
  // Published by the worker in each done hand-over.
  QString m_serverAddress;
  QString m_serverFolder;
  quint64 m_requestSerial = 0;  // counts requests, so the worker sees one started in a handler
};
