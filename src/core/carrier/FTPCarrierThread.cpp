#include "core/carrier/FTPCarrierThread.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include "core/carrier/ThreadedFTPCarrier.h"
#include "core/common/SafeLocalName.h"
#include "core/common/ShellIcons.h"
#include "core/common/TransferTypeRule.h"
#include "core/ftp/FTPListItems.h"
#include "core/ftp/FtpClientEx.h"

namespace {

QString LocalFolderPath(const QString& folder) {
  return folder.endsWith(QDir::separator()) ? folder : folder + QDir::separator();
}

int ReplyCode(const QString& reply) {
  bool ok = false;
  const int code = reply.left(3).toInt(&ok);
  return ok ? code : 0;
}

// The address between the first "(" and the first ")" of a PASV reply.
QString PassiveAddress(const QString& reply) {
  const qsizetype open = reply.indexOf(QLatin1Char('('));
  const qsizetype close = reply.indexOf(QLatin1Char(')'));
  if (open < 0 || close <= open) return QString();
  return reply.mid(open + 1, close - open - 1);
}

}  // namespace

TFTPCarrierThread::TFTPCarrierThread(TThreadedFTPCarrier* owner)
    : TEngineWorker(TThreadedFTPCarrier::rqAbortCarry), m_owner(owner) {}

TFTPCarrierThread::~TFTPCarrierThread() = default;

void TFTPCarrierThread::run() {
  m_src = MakeSession();
  m_dest = MakeSession();
  SignalReady();
  RunLoop();
  m_src.reset();
  m_dest.reset();
}

void TFTPCarrierThread::CopyInput() {
  // The carrier wrote its properties before it posted the request, and writes none while the
  // request runs.
  m_in = *m_owner;
}

std::unique_ptr<TFtpSession> TFTPCarrierThread::MakeSession() {
  auto session = std::make_unique<TFtpSession>(
      *this, TFtpSession::TLogStyle::Carrier, [this](const QString& line) { Display(line); },
      m_outcome);
  session->Engine().OnTransferState = [this](TCustomFtpClientEx*, qint64 position,
                                             qint64 transfered, double elapsed) {
    TThreadedFTPCarrier* o = m_owner;
    Sync([o, position, transfered, elapsed] {
      if (o->OnTransferStatus) o->OnTransferStatus(position, transfered, elapsed);
    });
  };
  return session;
}

void TFTPCarrierThread::PrepareSession(TFtpSession& side, bool source) {
  TFtpClientEx& e = side.Engine();
  const QString host = source ? m_in.SrcHostName : m_in.DestHostName;
  const QString port = source ? m_in.SrcPort : m_in.DestPort;
  const QString user = source ? m_in.SrcUserName : m_in.DestUserName;
  const QString password = source ? m_in.SrcPassword : m_in.DestPassword;
  const QString proxyPort = m_in.ProxyPort.isEmpty() ? e.ProxyPort : m_in.ProxyPort;
  const bool passive = m_in.ProxyType == ftpDirect ? m_in.PassiveMode : true;
  const bool sameLogin = e.HostName == host && e.Port == port && e.UserName == user &&
                         e.PassWord == password && e.ConnectionType() == m_in.ProxyType &&
                         e.ProxyServer == m_in.ProxyServer && e.ProxyPort == proxyPort &&
                         e.Passive == passive;
  // The queue hands a carrier only items with its logins; anything else starts afresh.
  if (!sameLogin && e.Connected) e.Abort();
  if (!e.Connected) {
    e.SetConnectionType(m_in.ProxyType);
    e.ProxyServer = m_in.ProxyServer;
    e.ProxyPort = proxyPort;
    e.SetPassive(m_in.PassiveMode);
    e.HostName = host;
    e.Port = port;
    e.UserName = user;
    e.PassWord = password;
  }
  e.LsOption = source ? m_in.SrcLsOption : m_in.DestLsOption;
  e.InactivityTimeout = m_in.Timeout;
  ReuseOf(side) = TReuse();
}

void TFTPCarrierThread::Display(const QString& line) {
  // Between requests nobody listens, and the carrier may be waiting for this worker to end:
  // lines of an idle session (a server that hangs up, the closing QUIT) are not handed over.
  if (!m_inRequest) return;
  TThreadedFTPCarrier* o = m_owner;
  Sync([o, &line] {
    if (o->OnDisplay) o->OnDisplay(line);
  });
}

void TFTPCarrierThread::Dispatch(int request) {
  if (request < TThreadedFTPCarrier::rqCarryDownload ||
      request > TThreadedFTPCarrier::rqExploreServerToServer)
    return;  // not a request of ours
  m_doneFired = false;
  m_inRequest = true;
  m_keepSessions = false;
  m_outcome = TFtpSession::TOutcome();
  m_explored.clear();
  CopyInput();
  PrepareSession(*m_src, true);
  PrepareSession(*m_dest, false);
  RunRequest(request);
  if (StaleFailure()) {
    // The server closed a pooled connection (idle limit, restart): not the item's fault.
    for (TFtpSession* side : {m_src.get(), m_dest.get()}) {
      if (!ReuseOf(*side).Pooled) continue;
      side->Display(side->Line(
          "~", QStringLiteral("The server closed the idle connection; logging in again.")));
      side->Engine().Abort();
      PrepareSession(*side, side == m_src.get());
    }
    m_outcome = TFtpSession::TOutcome();
    m_explored.clear();
    RunRequest(request);
  }
  FireDone(request);
  m_inRequest = false;
}

void TFTPCarrierThread::RunRequest(int request) {
  switch (request) {
    case TThreadedFTPCarrier::rqCarryDownload:
      return CarryDownload();
    case TThreadedFTPCarrier::rqCarryUpload:
      return CarryUpload();
    case TThreadedFTPCarrier::rqCarryServerToServer:
      return CarryServerToServer();
    case TThreadedFTPCarrier::rqExploreDownload:
      return ExploreDownload();
    case TThreadedFTPCarrier::rqExploreUpload:
      return ExploreUpload();
    case TThreadedFTPCarrier::rqExploreServerToServer:
      return ExploreServerToServer();
    default:
      return;
  }
}

bool TFTPCarrierThread::StaleFailure() const {
  if (Result() != ftpResultFailed) return false;
  for (const TFtpSession* side : {m_src.get(), m_dest.get()}) {
    const TReuse& reuse = side == m_src.get() ? m_srcReuse : m_destReuse;
    if (!reuse.Pooled) continue;
    const quint64 replies = side->ReplyCount - reuse.Mark;
    const bool goodbye = side->LastReply.startsWith(QLatin1String("421"));
    // Nothing answered since the session was taken over but its goodbye, and it is gone.
    if ((replies == 0 && !side->Engine().Connected) || (replies == 1 && goodbye)) return true;
  }
  return false;
}

bool TFTPCarrierThread::SessionsHealthy(int request) const {
  const bool source = request != TThreadedFTPCarrier::rqCarryUpload &&
                      request != TThreadedFTPCarrier::rqExploreUpload;
  const bool destination = request != TThreadedFTPCarrier::rqCarryDownload &&
                           request != TThreadedFTPCarrier::rqExploreDownload;
  return (!source || m_src->LoggedIn()) && (!destination || m_dest->LoggedIn());
}

void TFTPCarrierThread::Closing() {
  // Only sessions that served their item well are worth a goodbye; a failed one just goes.
  if (!m_keepSessions) return;
  for (TFtpSession* side : {m_src.get(), m_dest.get()}) {
    if (!side || !side->LoggedIn()) continue;
    TFtpClientEx& e = side->Engine();
    // A server that does not answer its QUIT holds the end up briefly only.
    constexpr int kQuitSeconds = 2;
    if (e.InactivityTimeout <= 0 || e.InactivityTimeout > kQuitSeconds)
      e.InactivityTimeout = kQuitSeconds;
    side->Run(&TFtpClientEx::QuitAsync);
    e.Abort();
  }
}

void TFTPCarrierThread::RequestEscaped(int request, const QString& what) {
  if (m_doneFired) return;
  Fail(what);
  Display(QStringLiteral("! ") + what);
  m_explored.clear();
  FireDone(request);
  m_inRequest = false;
}

void TFTPCarrierThread::FireDone(int request) {
  m_doneFired = true;
  const bool explore = request >= TThreadedFTPCarrier::rqExploreDownload;
  TThreadedFTPCarrier* o = m_owner;
  const quint8 result = m_outcome.Result;
  const QString error = m_outcome.Error;
  // Failed and aborted items never leave their sessions to another item.
  const bool reusable = result == ftpResultOk && SessionsHealthy(request);
  m_keepSessions = reusable;
  // One hand-over publishes the outcome and the items and runs the handler; after it the
  // worker touches the carrier no more until the next request or the quit message.
  Sync([&] {
    o->LastResult = result;
    o->LastError = error;
    o->m_reusable = reusable && !AbortRequested;
    o->m_busy = false;
    o->ExploredItems = std::move(m_explored);
    const std::function<void()> handler = explore ? o->OnExploreDone : o->OnCarryDone;
    if (handler) handler();
    o->ExploredItems.clear();  // the window has taken what it wanted
  });
  m_explored.clear();
}

void TFTPCarrierThread::CarrierLogin(TFtpSession& side) {
  TReuse& reuse = ReuseOf(side);
  if (side.LoggedIn()) {
    reuse.Pooled = true;
    reuse.Mark = side.ReplyCount;
    m_outcome = TFtpSession::TOutcome();
    return;
  }
  reuse.Fresh = true;
  if (&side == m_src.get()) m_sourceResumes = false;
  TFtpSession::TLoginPolicy policy;
  policy.Attempts = m_in.ConnectRetry;
  policy.ReportRetries = true;
  side.Login(policy);
}

void TFTPCarrierThread::SetType(TFtpSession& side, TFTPTransferType type) {
  bool binary = type != ftpTypeASCII;
  if (type == ftpTypeAuto && m_in.ASCIIExts) {
    // The carrier matches the extension as written, without lower-casing it.
    const QString ext = FileExtension(m_in.FileName);
    if (m_in.ASCIIExts->Get()->contains(ext, Qt::CaseSensitive)) binary = false;
  }
  side.SetType(binary);  // TYPE only when it changes: the session knows the server's
}

void TFTPCarrierThread::RestProbe() {
  m_sourceResumes = false;
  if (m_src->Quote(QStringLiteral("REST 1")) == ftpResultAborted) return;
  m_sourceResumes = Result() == ftpResultOk;
  m_src->Quote(QStringLiteral("REST 0"));
}

bool TFTPCarrierThread::NameIsSafe() {
  if (IsSafeLocalName(m_in.FileName)) return true;
  Fail(UnsafeNameText(m_in.FileName));
  m_src->Display(m_src->Line("!", m_outcome.Error));
  return false;
}

QString TFTPCarrierThread::LocalTarget() {
  return NameIsSafe() ? SafeLocalPath(m_in.DestPath, m_in.FileName) : QString();
}

void TFTPCarrierThread::CarryDownload() {
  const QString local = LocalTarget();
  if (local.isEmpty()) return;
  CarrierLogin(*m_src);
  if (Result() != ftpResultOk) return;
  TFtpClientEx& e = m_src->Engine();
  // The type goes first: servers that start in ASCII (pyftpdlib) refuse REST there, and the
  // probe would then rule out every resume.
  SetType(*m_src, m_in.SrcTransferType);
  if (Result() != ftpResultOk) return;
  if (m_srcReuse.Fresh) {
    RestProbe();
    if (Result() == ftpResultAborted) return;
  }
  // Raw commands travel in the local file name: set the names after the probe.
  e.HostFileName = m_in.SrcPath + m_in.FileName;
  e.SetLocalFileName(local);
  m_src->Run(m_in.ResumeTransfer && m_sourceResumes ? &TFtpClientEx::RestGetAsync
                                                    : &TFtpClientEx::GetAsync);
}

void TFTPCarrierThread::CarryUpload() {
  CarrierLogin(*m_dest);
  if (Result() != ftpResultOk) return;
  TFtpClientEx& e = m_dest->Engine();
  e.HostFileName = m_in.DestPath + m_in.FileName;
  e.SetLocalFileName(m_in.SrcPath + m_in.FileName);
  SetType(*m_dest, m_in.DestTransferType);
  if (Result() != ftpResultOk) return;
  m_dest->Store(m_in.ResumeTransfer);
}

void TFTPCarrierThread::CarryServerToServer() {
  if (!NameIsSafe()) return;
  CarrierLogin(*m_src);
  if (Result() != ftpResultOk) return;
  if (m_srcReuse.Fresh) {
    RestProbe();
    if (Result() == ftpResultAborted) return;
  }
  CarrierLogin(*m_dest);
  if (Result() != ftpResultOk) return;
  SetType(*m_src, m_in.SrcTransferType);
  if (Result() != ftpResultOk) return;
  if (m_in.ResumeTransfer && !m_sourceResumes && m_srcReuse.Fresh) {
    // A source that starts in ASCII (pyftpdlib) refuses REST until it has its type.
    RestProbe();
    if (Result() == ftpResultAborted) return;
  }
  SetType(*m_dest, m_in.DestTransferType);
  if (Result() != ftpResultOk) return;

  // PASV on one side, PORT on the other; the roles turn when the destination refuses PORT.
  if (m_src->Quote(QStringLiteral("PASV")) != ftpResultOk) return;
  m_dest->Quote(QStringLiteral("PORT ") + PassiveAddress(m_src->Engine().LastResponse));
  if (Result() == ftpResultAborted) return;
  TFtpSession* portSide = m_dest.get();
  if (Result() != ftpResultOk) {
    if (m_dest->Quote(QStringLiteral("PASV")) != ftpResultOk) return;
    if (m_src->Quote(QStringLiteral("PORT ") + PassiveAddress(m_dest->Engine().LastResponse)) !=
        ftpResultOk)
      return;
    portSide = m_src.get();
  }

  QString command = QStringLiteral("STOR ");
  if (m_in.ResumeTransfer && m_sourceResumes) {
    m_dest->Engine().HostFileName = m_in.DestPath + m_in.FileName;
    if (m_dest->Run(&TFtpClientEx::SizeAsync) == ftpResultAborted) return;
    if (Result() == ftpResultOk) {
      m_src->Quote(QStringLiteral("REST ") + QString::number(m_dest->Engine().SizeResult));
      if (Result() == ftpResultAborted) return;
      if (Result() == ftpResultOk) command = QStringLiteral("APPE ");
    }
  }

  const QString retr = QStringLiteral("RETR ") + m_in.SrcPath + m_in.FileName;
  const QString stor = command + m_in.DestPath + m_in.FileName;
  TFtpSession& first = *portSide;
  TFtpSession& second = portSide == m_dest.get() ? *m_src : *m_dest;
  for (TFtpSession* side : {&first, &second}) {
    side->Replies = 0;
    side->Quote(side == m_src.get() ? retr : stor);
    // A raw command only fails from 500 on; a transfer refused with 4xx is a failure too,
    // and waiting for its second reply would wait forever.
    if (Result() == ftpResultOk && ReplyCode(side->Engine().LastResponse) >= 400)
      Fail(side->Engine().LastResponse);
    if (Result() != ftpResultOk) {
      if (Result() == ftpResultFailed) {
        m_src->Engine().Abort();  // leave no transfer waiting on either server
        m_dest->Engine().Abort();
      }
      return;
    }
  }
  WaitForBoth();
}

void TFTPCarrierThread::WaitForBoth() {
  // Each side has had its first transfer reply; the transfer ends with one more reply from
  // each, or as soon as either side answers with an error or drops its connection.
  const auto finished = [](const TFtpSession& s) { return s.Replies >= 2; };
  const auto failedSide = [&](const TFtpSession& s) {
    return !s.Engine().Connected || (finished(s) && ReplyCode(s.LastReply) >= 400);
  };
  // The data goes between the two servers where nothing of it can be seen, so a long copy
  // is silent on both control connections. Once one side has finished, though, the other
  // must answer within the inactivity limit: a peer that stalls there is given up.
  const int limit = m_in.Timeout;
  QDeadlineTimer silence = QDeadlineTimer::Forever;
  int repliesSeen = 0;
  QTimer tick;  // wakes the wait so the limit is looked at without any socket event
  if (limit > 0) tick.start(200);
  bool timedOut = false;
  const TWaitOutcome outcome = PumpUntil([&] {
    if (failedSide(*m_src) || failedSide(*m_dest) || (finished(*m_src) && finished(*m_dest)))
      return true;
    if (limit <= 0) return false;
    const int replies = m_src->Replies + m_dest->Replies;
    if (replies != repliesSeen) {
      repliesSeen = replies;
      if (finished(*m_src) || finished(*m_dest)) silence.setRemainingTime(qint64(limit) * 1000);
    }
    timedOut = silence.hasExpired();
    return timedOut;
  });
  tick.stop();
  if (outcome != TWaitOutcome::Done) {
    AbortRequested = false;
    m_src->Engine().Abort();
    m_dest->Engine().Abort();
    m_outcome.Result = ftpResultAborted;
    m_outcome.Error = QStringLiteral("! [%1, %2]: Operation aborted.")
                          .arg(m_src->Engine().HostName, m_dest->Engine().HostName);
    Display(m_outcome.Error);
    return;
  }
  if (timedOut) {
    const TFtpSession& silent = finished(*m_src) ? *m_dest : *m_src;
    silent.Display(silent.Line(
        "!",
        QStringLiteral("No data from the server for %1 seconds: connection closed").arg(limit)));
    Fail(QStringLiteral("421 Timeout: no data from the server for %1 seconds.").arg(limit));
    m_src->Engine().Abort();
    m_dest->Engine().Abort();
    return;
  }
  for (const TFtpSession* side : {m_src.get(), m_dest.get()}) {
    if (failedSide(*side) || ReplyCode(side->LastReply) >= 400) {
      Fail(side->Engine().Connected
               ? side->LastReply
               : QStringLiteral("[%1]: the connection closed during the transfer.")
                     .arg(side->Engine().HostName));
      m_src->Engine().Abort();
      m_dest->Engine().Abort();
      return;
    }
  }
  m_outcome.Result = ftpResultOk;
}

bool TFTPCarrierThread::EnterOrMake(TFtpSession& side, const QString& folder) {
  if (side.Cwd(folder) == ftpResultAborted) return false;
  if (Result() == ftpResultOk) return true;
  side.Engine().HostFileName = folder;
  return side.Run(&TFtpClientEx::MkdAsync) == ftpResultOk;
}

std::unique_ptr<TFTPCarryItem> TFTPCarrierThread::NewItem(quint8 direction, bool withSource,
                                                          bool withDestination) const {
  auto item = std::make_unique<TFTPCarryItem>();
  item->Direction = direction;
  if (withSource) {
    item->SrcHostName = m_in.SrcHostName;
    item->SrcPort = m_in.SrcPort;
    item->SrcUserName = m_in.SrcUserName;
    item->SrcPassword = m_in.SrcPassword;
    item->SrcLsOption = m_in.SrcLsOption;
    item->SrcTransferType = m_in.SrcTransferType;
  }
  if (withDestination) {
    item->DestHostName = m_in.DestHostName;
    item->DestPort = m_in.DestPort;
    item->DestUserName = m_in.DestUserName;
    item->DestPassword = m_in.DestPassword;
    item->DestLsOption = m_in.DestLsOption;
    item->DestTransferType = m_in.DestTransferType;
  }
  item->ResumeTransfer = m_in.ResumeTransfer;
  item->PassiveMode = m_in.PassiveMode;
  return item;
}

void TFTPCarrierThread::AddListedItems(const TFTPListItems& items, quint8 direction,
                                       const QString& srcPath, const QString& destPath) {
  for (int i = 0; i < items.Count(); ++i) {
    const TFTPListItem* entry = items.Items(i);
    auto item = NewItem(direction, true, direction == carryServerToServer);
    item->IsFolder = entry->IsFile ? 0 : 1;
    item->FileName = entry->Name;
    item->SrcPath = srcPath;
    item->DestPath = destPath;
    item->FileSize = entry->Size;
    item->ImageIndex = entry->IconIndex;
    item->TypeName = entry->TypeName;
    if (!IsSafeLocalName(entry->Name)) {
      item->Refusal = UnsafeNameText(entry->Name);
      m_src->Display(m_src->Line("!", item->Refusal));
    }
    m_explored.push_back(std::move(item));
  }
}

void TFTPCarrierThread::ExploreDownload() {
  const QString local = LocalTarget();
  if (local.isEmpty()) return;
  if (!QFileInfo(local).isDir() && !QDir().mkdir(local)) {
    Fail(QStringLiteral("500 Cannot create folder %1.").arg(local));
    return;
  }
  CarrierLogin(*m_src);
  if (Result() != ftpResultOk) return;
  const QString remote = m_in.SrcPath + m_in.FileName;
  TFTPListItems items;
  if (m_src->ListFolder(remote, items, true) != ftpResultOk) return;
  AddListedItems(items, carryDownload, remote + QLatin1Char('/'), LocalFolderPath(local));
}

void TFTPCarrierThread::ExploreUpload() {
  // A folder that cannot be listed would otherwise pass as an empty one, after making its
  // remote copy: check it before touching the server.
  const QString local = m_in.SrcPath + m_in.FileName;
  const QFileInfo localInfo(local);
  if (!localInfo.isDir() || !localInfo.isReadable() || !QDir(local).isReadable()) {
    Fail(QStringLiteral("500 Cannot read folder %1.").arg(local));
    return;
  }
  CarrierLogin(*m_dest);
  if (Result() != ftpResultOk) return;
  const QString remote = m_in.DestPath + m_in.FileName;
  if (!EnterOrMake(*m_dest, remote)) return;
  const QFileInfoList entries = QDir(local).entryInfoList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  for (const QFileInfo& entry : entries) {
    if (entry.fileName().startsWith(QLatin1Char('.'))) continue;
    auto item = NewItem(carryUpload, false, true);
    item->FileName = entry.fileName();
    item->SrcPath = LocalFolderPath(local);
    item->DestPath = remote + QLatin1Char('/');
    if (entry.isDir()) {
      item->IsFolder = 1;
      item->FileSize = -1;
      item->ImageIndex = ShellIcons().FolderIcon();
      item->TypeName = ShellIcons().FolderTypeName();
    } else {
      item->IsFolder = 0;
      item->FileSize = entry.size();
      item->ImageIndex = ShellIcons().IconOf(entry.fileName());
      item->TypeName = ShellIcons().TypeNameOf(entry.fileName());
    }
    m_explored.push_back(std::move(item));
  }
}

void TFTPCarrierThread::ExploreServerToServer() {
  CarrierLogin(*m_dest);
  if (Result() != ftpResultOk) return;
  const QString destFolder = m_in.DestPath + m_in.FileName;
  if (!EnterOrMake(*m_dest, destFolder)) return;
  CarrierLogin(*m_src);
  if (Result() != ftpResultOk) return;
  const QString srcFolder = m_in.SrcPath + m_in.FileName;
  TFTPListItems items;
  if (m_src->ListFolder(srcFolder, items, true) != ftpResultOk) return;
  AddListedItems(items, carryServerToServer, srcFolder + QLatin1Char('/'),
                 destFolder + QLatin1Char('/'));
}
