#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "core/client/EngineWorker.h"
#include "core/client/FtpSession.h"
#include "core/common/AsciiExtensionList.h"
#include "core/common/FtpTransferType.h"
#include "core/ftp/FtpTypes.h"

class TThreadedFTPCarrier;
class TFtpClientEx;
class TFTPListItems;
class TFTPCarryItem;

// The worker of a carrier: a source and a destination session, one request per carrier.
// The carrier's properties are copied when the worker starts; the outcome and the explored
// items reach the carrier inside the done hand-over, before its done handler runs.
class TFTPCarrierThread : public TEngineWorker {
 public:
  explicit TFTPCarrierThread(TThreadedFTPCarrier* owner);
  ~TFTPCarrierThread() override;

 protected:
  void run() override;
  void Dispatch(int request) override;
  void RequestEscaped(int request, const QString& what) override;

 private:
  // The carrier's properties as they were when the worker started.
  struct TCarrierInput {
    QString FileName;
    QString SrcHostName, SrcPort, SrcUserName, SrcPassword, SrcPath, SrcLsOption;
    QString DestHostName, DestPort, DestUserName, DestPassword, DestPath, DestLsOption;
    int ConnectRetry = 30;
    bool ResumeTransfer = false;
    TFTPTransferType SrcTransferType = ftpTypeBinary;
    TFTPTransferType DestTransferType = ftpTypeBinary;
    std::shared_ptr<AsciiExtensionList> ASCIIExts;
    bool PassiveMode = true;
    TFtpConnectionType ProxyType = ftpDirect;
    QString ProxyServer, ProxyPort;
    int Timeout = 30;
  };

  std::unique_ptr<TFtpSession> MakeSession(bool source);
  void Display(const QString& line);
  void FireDone(bool explore);
  quint8 Result() const { return m_outcome.Result; }
  void Fail(const QString& error) {
    m_outcome.Result = ftpResultFailed;
    m_outcome.Error = error;
  }

  void CarrierLogin(TFtpSession& side);
  void SetType(TFtpSession& side, TFTPTransferType type);
  void RestProbe();
  // QUIT after a successful transfer, keeping its success.
  void QuitAfterTransfer(TFtpSession& side);
  // The local path of the item's file, or empty (with the step failed) for an unsafe name.
  QString LocalTarget();

  void CarryDownload();
  void CarryUpload();
  void CarryServerToServer();
  void WaitForBoth();
  void ExploreDownload();
  void ExploreUpload();
  void ExploreServerToServer();
  bool EnterOrMake(TFtpSession& side, const QString& folder);
  // A new queue item with the carrier's flags and the logins of the sides asked for.
  std::unique_ptr<TFTPCarryItem> NewItem(quint8 direction, bool withSource,
                                         bool withDestination) const;
  // One item per listed entry; an entry whose name is not a safe single name becomes an item
  // refused with the reason, so it is listed as failed and never carried.
  void AddListedItems(const TFTPListItems& items, quint8 direction, const QString& srcPath,
                      const QString& destPath);

  TThreadedFTPCarrier* m_owner;
  TCarrierInput m_in;
  TFtpSession::TOutcome m_outcome;
  std::unique_ptr<TFtpSession> m_src;
  std::unique_ptr<TFtpSession> m_dest;
  std::vector<std::unique_ptr<TFTPCarryItem>> m_explored;
  bool m_sourceResumes = false;
  bool m_doneFired = false;
};
