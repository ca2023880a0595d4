#pragma once

#include <QString>
#include <memory>
#include <vector>

#include "core/carrier/FTPCarrierProperties.h"
#include "core/client/EngineWorker.h"
#include "core/client/FtpSession.h"
#include "core/common/AsciiExtensionList.h"
#include "core/common/FtpTransferType.h"
#include "core/ftp/FtpTypes.h"

class TThreadedFTPCarrier;
class TFtpClientEx;
class TFTPListItems;
class TFTPCarryItem;

// The worker of a carrier: a source and a destination session. The carrier's properties are
// copied when each request starts; the outcome, the explored items and whether the sessions
// may serve the next item reach the carrier inside the done hand-over, before its done
// handler runs. A successful request leaves its sessions logged in for the next one; a
// session the server closed while idle is logged in afresh, and a request whose first step on
// it failed because of that runs once more. The quit message closes the sessions with QUIT.
class TFTPCarrierThread : public TEngineWorker {
 public:
  explicit TFTPCarrierThread(TThreadedFTPCarrier* owner);
  ~TFTPCarrierThread() override;

 protected:
  void run() override;
  void Dispatch(int request) override;
  void RequestEscaped(int request, const QString& what) override;
  void Closing() override;

 private:
  void CopyInput();
  std::unique_ptr<TFtpSession> MakeSession();
  // Gives the session the request's settings; a session logged in with other ones is closed.
  void PrepareSession(TFtpSession& side, bool source);
  void RunRequest(int request);
  // The request failed at its first step on a pooled session the server had closed.
  bool StaleFailure() const;
  bool SessionsHealthy(int request) const;
  void Display(const QString& line);
  void FireDone(int request);
  quint8 Result() const { return m_outcome.Result; }
  void Fail(const QString& error) {
    m_outcome.Result = ftpResultFailed;
    m_outcome.Error = error;
  }

  // Logs in, or takes the session as it is when it is still logged in from the last item.
  void CarrierLogin(TFtpSession& side);
  void SetType(TFtpSession& side, TFTPTransferType type);
  void RestProbe();
  // False (with the step failed and a "! " line) when the item's name is not one safe name.
  bool NameIsSafe();
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
  TFTPCarrierProperties m_in;  // the carrier's properties as the request started
  TFtpSession::TOutcome m_outcome;
  std::unique_ptr<TFtpSession> m_src;
  std::unique_ptr<TFtpSession> m_dest;
  std::vector<std::unique_ptr<TFTPCarryItem>> m_explored;
  bool m_sourceResumes = false;  // learned at the source's login, kept while it stays
  bool m_doneFired = false;
  bool m_inRequest = false;     // from the request's start to the end of its done hand-over
  bool m_keepSessions = false;  // the last request succeeded with its sessions logged in
  // Per session: taken over logged in for this request, and its reply count at that moment.
  struct TReuse {
    bool Pooled = false;
    bool Fresh = false;  // logged in by this request
    quint64 Mark = 0;
  };
  TReuse m_srcReuse, m_destReuse;
  TReuse& ReuseOf(const TFtpSession& side) {
    return &side == m_src.get() ? m_srcReuse : m_destReuse;
  }
};
