#include "core/carrier/FTPCarrierThread.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>

#include "core/carrier/ThreadedFTPCarrier.h"
#include "core/common/LogLineKind.h"
#include "core/common/ShellIcons.h"
#include "core/common/TransferTypeRule.h"
#include "core/ftp/DecodeFTPListFile.h"
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
  SetUpEngine(m_src, true);
  SetUpEngine(m_dest, false);
  Ready = true;
  RunLoop();
  m_src.engine.reset();
  m_dest.engine.reset();
  Ready = false;
}

void TFTPCarrierThread::SetUpEngine(EngineState& side, bool source) {
  const TThreadedFTPCarrier& o = *m_owner;
  side.engine = std::make_unique<TFtpClientEx>();
  TFtpClientEx& e = *side.engine;
  e.MultiThreaded = true;
  e.SetConnectionType(o.ProxyType);
  e.ProxyServer = o.ProxyServer;
  if (!o.ProxyPort.isEmpty()) e.ProxyPort = o.ProxyPort;
  e.SetPassive(o.PassiveMode);
  e.InactivityTimeout = o.Timeout;
  e.LsOption = source ? o.SrcLsOption : o.DestLsOption;
  e.HostName = source ? o.SrcHostName : o.DestHostName;
  e.Port = source ? o.SrcPort : o.DestPort;
  e.UserName = source ? o.SrcUserName : o.DestUserName;
  e.PassWord = source ? o.SrcPassword : o.DestPassword;
  e.OnConnectState = [this](TCustomFtpClientEx* engine, TFTPConnectState state) {
    const QString host = engine->HostName;
    switch (state) {
      case ftpConStateDNSLookup:
        Display(QStringLiteral("~ [%1]: Looking up host [%1]...").arg(host));
        break;
      case ftpConStateDNSLookupDone:
        Display(QStringLiteral("~ [%1]: Host [%1] found. IP address is [%2].")
                    .arg(host, engine->ResolvedAddr));
        break;
      case ftpConStateContact:
        Display(QStringLiteral("~ [%1]: Contacting host [%1]...").arg(host));
        break;
      case ftpConStateContacted:
        Display(QStringLiteral("~ [%1]: Host [%1] contacted. Waiting for reply...").arg(host));
        break;
      case ftpConStateConnected:
        Display(
            QStringLiteral("~ [%1]: Host [%1] connected. Sending Login information...").arg(host));
        break;
      case ftpConStateClosed:
        Display(QStringLiteral("~ [%1]: Connection closed from host [%1]").arg(host));
        break;
    }
  };
  e.OnCommand = [this](TCustomFtpClientEx* engine, QString& command) {
    if (m_probeMuted) return;
    const QString tag = QStringLiteral("> [%1]: ").arg(engine->HostName);
    Display(command.contains(QLatin1String("PASS"))
                ? tag + QStringLiteral("PASS [Objq dlk kto vzpvjet nz?]")
                : tag + command);
  };
  e.OnResponse = [this](TCustomFtpClientEx* engine) {
    EngineState& s = SideOf(engine);
    ++s.replies;
    s.lastReply = engine->LastResponse;
    if (!m_probeMuted)
      Display(QStringLiteral("< [%1]: ").arg(engine->HostName) + engine->LastResponse);
  };
  e.OnTransferState = [this](TCustomFtpClientEx*, qint64 position, qint64 transfered,
                             double elapsed) {
    TThreadedFTPCarrier* o = m_owner;
    Sync(o, [o, position, transfered, elapsed] {
      if (o->OnTransferStatus) o->OnTransferStatus(position, transfered, elapsed);
    });
  };
  e.OnRequestDone = [this](TCustomFtpClientEx* engine, TFtpRequest, quint16 error) {
    EngineState& s = SideOf(engine);
    s.done = true;
    s.error = error;
  };
}

TFTPCarrierThread::EngineState& TFTPCarrierThread::SideOf(TCustomFtpClientEx* engine) {
  return engine == m_src.engine.get() ? m_src : m_dest;
}

void TFTPCarrierThread::Display(const QString& line) {
  if (m_logMuted) return;
  TThreadedFTPCarrier* o = m_owner;
  Sync(o, [o, line] {
    if (o->OnDisplay) o->OnDisplay(line);
  });
}

void TFTPCarrierThread::Dispatch(int request) {
  switch (request) {
    case TThreadedFTPCarrier::rqCarryDownload:
      CarryDownload();
      break;
    case TThreadedFTPCarrier::rqCarryUpload:
      CarryUpload();
      break;
    case TThreadedFTPCarrier::rqCarryServerToServer:
      CarryServerToServer();
      break;
    case TThreadedFTPCarrier::rqExploreDownload:
      ExploreDownload();
      break;
    case TThreadedFTPCarrier::rqExploreUpload:
      ExploreUpload();
      break;
    case TThreadedFTPCarrier::rqExploreServerToServer:
      ExploreServerToServer();
      break;
    default:
      break;  // not a request of ours
  }
}

void TFTPCarrierThread::FireDone(bool explore) {
  TThreadedFTPCarrier* o = m_owner;
  // One hand-over: after it the worker touches the carrier no more until it is told to quit.
  Sync(o, [o, explore] {
    const std::function<void()> handler = explore ? o->OnExploreDone : o->OnCarryDone;
    if (handler) handler();
    o->ExploredItems.clear();  // the window has taken what it wanted
  });
}

void TFTPCarrierThread::WaitFor(EngineState& side) {
  side.done = false;
  TFtpClientEx* engine = side.engine.get();
  const TWaitOutcome outcome = PumpUntil([engine, &side] {
    const TFtpEngineState state = engine->State();
    return (state == ftpStateReady || state == ftpStateStepReady) && side.done;
  });
  if (outcome != TWaitOutcome::Done) {
    AbortStep(side);
    return;
  }
  if (side.error == 0) {
    m_owner->LastResult = 0;
  } else {
    m_owner->LastResult = 1;
    m_owner->LastError = engine->ErrorMessage();
  }
  AbortRequested = false;
}

void TFTPCarrierThread::AbortStep(EngineState& side) {
  AbortRequested = false;
  side.engine->Abort();
  m_owner->LastResult = 2;
  m_owner->LastError = QStringLiteral("! [%1]: Operation aborted.").arg(side.engine->HostName);
  Display(m_owner->LastError);
}

void TFTPCarrierThread::CarrierLogin(EngineState& side) {
  TThreadedFTPCarrier* o = m_owner;
  TFtpClientEx& e = *side.engine;
  int attempts = o->ConnectRetry;
  bool loggedIn = false;
  bool aborted = false;
  while (attempts > 0) {
    e.OpenAsync();
    WaitFor(side);
    if (o->LastResult == 2) {
      aborted = true;
      break;
    }
    if (o->LastResult != 0) {
      e.Abort();
      --attempts;
      continue;
    }
    e.UserAsync();
    WaitFor(side);
    if (o->LastResult == 2) {
      aborted = true;
      break;
    }
    if (o->LastResult != 0) {
      e.Abort();
      --attempts;
      continue;
    }
    if (e.StatusCode != 331) {
      loggedIn = true;
      break;
    }
    e.PassAsync();
    WaitFor(side);
    if (o->LastResult == 0) {
      loggedIn = true;
      break;
    }
    if (o->LastResult == 2) {
      aborted = true;
      break;
    }
    m_logMuted = false;
    Display(QStringLiteral("! [%1]: User [%2] failed to log in onto host [%1] on port [%3]")
                .arg(e.HostName, e.UserName, e.Port));
    e.Abort();
    --attempts;
    if (attempts > 0) {
      Display(
          QStringLiteral("~ [%1]: Retrying to connect host [%1] on port [%2]. %3 connection retry "
                         "remained")
              .arg(e.HostName, e.Port)
              .arg(attempts));
      m_logMuted = true;  // quiet retries until the next password failure
    }
  }
  m_logMuted = false;
  if (aborted) return;
  if (!loggedIn) {
    o->LastResult = 1;
    return;
  }
  o->LastResult = 0;
  Display(QStringLiteral("~ [%1]: User [%2] logged in successfully onto host [%1] on port [%3]")
              .arg(e.HostName, e.UserName, e.Port));
}

void TFTPCarrierThread::SetType(EngineState& side, TFTPTransferType type) {
  bool binary = type != ftpTypeASCII;
  if (type == ftpTypeAuto && m_owner->ASCIIExts) {
    // The carrier matches the extension as written, without lower-casing it.
    const QString ext = FileExtension(m_owner->FileName);
    if (m_owner->ASCIIExts->Get()->contains(ext, Qt::CaseSensitive)) binary = false;
  }
  side.engine->SetBinary(binary);
  side.engine->TypeSetAsync();
  WaitFor(side);
}

void TFTPCarrierThread::Quote(EngineState& side, const QString& line) {
  side.engine->SetLocalFileName(line);
  side.engine->QuoteAsync();
  WaitFor(side);
}

void TFTPCarrierThread::RestProbe() {
  m_sourceResumes = false;
  Quote(m_src, QStringLiteral("REST 1"));
  if (m_owner->LastResult == 2) return;
  m_sourceResumes = m_owner->LastResult == 0;
  Quote(m_src, QStringLiteral("REST 0"));
}

void TFTPCarrierThread::Quit(EngineState& side) {
  side.engine->QuitAsync();
  WaitFor(side);
}

void TFTPCarrierThread::QuitAfterTransfer(EngineState& side) {
  if (m_owner->LastResult != 0) return;
  Quit(side);
  // The file is complete; a QUIT the server fumbles does not undo that.
  if (m_owner->LastResult == 1) m_owner->LastResult = 0;
}

void TFTPCarrierThread::CarryDownload() {
  TThreadedFTPCarrier* o = m_owner;
  const auto done = [this] { FireDone(false); };
  CarrierLogin(m_src);
  if (o->LastResult != 0) return done();
  TFtpClientEx& e = *m_src.engine;
  // The type goes first: servers that start in ASCII (pyftpdlib) refuse REST there, and the
  // probe would then rule out every resume.
  SetType(m_src, o->SrcTransferType);
  if (o->LastResult != 0) return done();
  RestProbe();
  if (o->LastResult == 2) return done();
  // Raw commands travel in the local file name: set the names after the probe.
  e.HostFileName = o->SrcPath + o->FileName;
  e.SetLocalFileName(o->DestPath + o->FileName);
  if (o->ResumeTransfer && m_sourceResumes) {
    e.RestGetAsync();
  } else {
    e.GetAsync();
  }
  WaitFor(m_src);
  QuitAfterTransfer(m_src);
  done();
}

void TFTPCarrierThread::CarryUpload() {
  TThreadedFTPCarrier* o = m_owner;
  const auto done = [this] { FireDone(false); };
  CarrierLogin(m_dest);
  if (o->LastResult != 0) return done();
  TFtpClientEx& e = *m_dest.engine;
  e.HostFileName = o->DestPath + o->FileName;
  e.SetLocalFileName(o->SrcPath + o->FileName);
  SetType(m_dest, o->DestTransferType);
  if (o->LastResult != 0) return done();
  bool append = false;
  if (o->ResumeTransfer) {
    e.SizeAsync();
    WaitFor(m_dest);
    if (o->LastResult == 2) return done();
    if (o->LastResult == 0) {
      e.ResumeAt = e.SizeResult;
      append = true;
    }
  }
  if (append) {
    e.AppendAsync();
  } else {
    e.PutAsync();
  }
  WaitFor(m_dest);
  e.ResumeAt = 0;
  QuitAfterTransfer(m_dest);
  done();
}

void TFTPCarrierThread::CarryServerToServer() {
  TThreadedFTPCarrier* o = m_owner;
  const auto done = [this] { FireDone(false); };
  CarrierLogin(m_src);
  if (o->LastResult != 0) return done();
  RestProbe();
  if (o->LastResult == 2) return done();
  CarrierLogin(m_dest);
  if (o->LastResult != 0) return done();
  SetType(m_src, o->SrcTransferType);
  if (o->LastResult != 0) return done();
  if (o->ResumeTransfer && !m_sourceResumes) {
    // A source that starts in ASCII (pyftpdlib) refuses REST until it has its type.
    RestProbe();
    if (o->LastResult == 2) return done();
  }
  SetType(m_dest, o->DestTransferType);
  if (o->LastResult != 0) return done();

  // PASV on one side, PORT on the other; the roles turn when the destination refuses PORT.
  Quote(m_src, QStringLiteral("PASV"));
  if (o->LastResult != 0) return done();
  Quote(m_dest, QStringLiteral("PORT ") + PassiveAddress(m_src.engine->LastResponse));
  if (o->LastResult == 2) return done();
  EngineState* portSide = &m_dest;
  if (o->LastResult != 0) {
    Quote(m_dest, QStringLiteral("PASV"));
    if (o->LastResult != 0) return done();
    Quote(m_src, QStringLiteral("PORT ") + PassiveAddress(m_dest.engine->LastResponse));
    if (o->LastResult != 0) return done();
    portSide = &m_src;
  }

  QString command = QStringLiteral("STOR ");
  if (o->ResumeTransfer && m_sourceResumes) {
    m_dest.engine->HostFileName = o->DestPath + o->FileName;
    m_dest.engine->SizeAsync();
    WaitFor(m_dest);
    if (o->LastResult == 2) return done();
    if (o->LastResult == 0) {
      Quote(m_src, QStringLiteral("REST ") + QString::number(m_dest.engine->SizeResult));
      if (o->LastResult == 2) return done();
      if (o->LastResult == 0) command = QStringLiteral("APPE ");
    }
  }

  const QString retr = QStringLiteral("RETR ") + o->SrcPath + o->FileName;
  const QString stor = command + o->DestPath + o->FileName;
  EngineState& first = *portSide;
  EngineState& second = portSide == &m_dest ? m_src : m_dest;
  for (EngineState* side : {&first, &second}) {
    side->replies = 0;
    Quote(*side, side == &m_src ? retr : stor);
    // A raw command only fails from 500 on; a transfer refused with 4xx is a failure too,
    // and waiting for its second reply would wait forever.
    if (o->LastResult == 0 && ReplyCode(side->engine->LastResponse) >= 400) {
      o->LastResult = 1;
      o->LastError = side->engine->LastResponse;
    }
    if (o->LastResult != 0) {
      if (o->LastResult == 1) {
        m_src.engine->Abort();  // leave no transfer waiting on either server
        m_dest.engine->Abort();
      }
      return done();
    }
  }
  WaitForBoth();
  if (o->LastResult == 0) {
    Quit(m_src);
    Quit(m_dest);
    if (o->LastResult == 1) o->LastResult = 0;
  }
  done();
}

void TFTPCarrierThread::WaitForBoth() {
  TThreadedFTPCarrier* o = m_owner;
  // Each side has had its first transfer reply; the transfer ends with one more reply from
  // each, or as soon as either side answers with an error or drops its connection.
  const auto failedSide = [](const EngineState& s) {
    return !s.engine->Connected || (s.replies >= 2 && ReplyCode(s.lastReply) >= 400);
  };
  const TWaitOutcome outcome = PumpUntil([&] {
    return failedSide(m_src) || failedSide(m_dest) || (m_src.replies >= 2 && m_dest.replies >= 2);
  });
  if (outcome != TWaitOutcome::Done) {
    AbortRequested = false;
    m_src.engine->Abort();
    m_dest.engine->Abort();
    o->LastResult = 2;
    o->LastError = QStringLiteral("! [%1, %2]: Operation aborted.")
                       .arg(m_src.engine->HostName, m_dest.engine->HostName);
    Display(o->LastError);
    return;
  }
  for (const EngineState* side : {&m_src, &m_dest}) {
    if (failedSide(*side) || ReplyCode(side->lastReply) >= 400) {
      o->LastResult = 1;
      o->LastError = side->engine->Connected
                         ? side->lastReply
                         : QStringLiteral("[%1]: the connection closed during the transfer.")
                               .arg(side->engine->HostName);
      m_src.engine->Abort();
      m_dest.engine->Abort();
      return;
    }
  }
  o->LastResult = 0;
}

void TFTPCarrierThread::ListRemote(EngineState& side, const QString& folder, TFTPListItems& items) {
  TThreadedFTPCarrier* o = m_owner;
  TFtpClientEx& e = *side.engine;
  e.HostDirName = folder;
  e.CwdAsync();
  WaitFor(side);
  if (o->LastResult != 0) return;
  e.HostFileName.clear();
  QBuffer buffer;
  buffer.open(QIODevice::ReadWrite);
  e.SetLocalStream(&buffer);
  e.DirAsync();
  WaitFor(side);
  e.SetLocalStream(nullptr);
  if (o->LastResult != 0) return;
  LoadListing(buffer.data(), items);
  if (!items.HasLinks) return;

  Display(QStringLiteral("~ [%1]: Auto-detecting link property...").arg(e.HostName));
  m_probeMuted = true;
  int folders = 0;
  int files = 0;
  for (int i = 0; i < items.Count(); ++i) {
    TFTPListItem* entry = items.Items(i);
    if (!entry->IsLink) continue;
    e.HostDirName = folder + QLatin1Char('/') + entry->Name;
    e.CwdAsync();
    WaitFor(side);
    if (o->LastResult == 2) {
      m_probeMuted = false;
      return;
    }
    if (o->LastResult == 0) {
      entry->IsFile = false;
      entry->Size = 0;
      entry->IconIndex = ShellIcons().FolderIcon();
      entry->TypeName = ShellIcons().FolderTypeName();
      ++folders;
    } else {
      entry->IsFile = true;
      entry->IconIndex = ShellIcons().IconOf(entry->Name);
      entry->TypeName = ShellIcons().TypeNameOf(entry->Name);
      ++files;
    }
  }
  m_probeMuted = false;
  Display(QStringLiteral("~ [%1]: %2 folder and %3 file links detected.")
              .arg(e.HostName)
              .arg(folders)
              .arg(files));
  o->LastResult = 0;
}

bool TFTPCarrierThread::EnterOrMake(EngineState& side, const QString& folder) {
  TThreadedFTPCarrier* o = m_owner;
  side.engine->HostDirName = folder;
  side.engine->CwdAsync();
  WaitFor(side);
  if (o->LastResult == 2) return false;
  if (o->LastResult == 0) return true;
  side.engine->HostFileName = folder;
  side.engine->MkdAsync();
  WaitFor(side);
  return o->LastResult == 0;
}

std::unique_ptr<TFTPCarryItem> TFTPCarrierThread::NewItem(quint8 direction, bool withSource,
                                                          bool withDestination) const {
  const TThreadedFTPCarrier& o = *m_owner;
  auto item = std::make_unique<TFTPCarryItem>();
  item->Direction = direction;
  if (withSource) {
    item->SrcHostName = o.SrcHostName;
    item->SrcPort = o.SrcPort;
    item->SrcUserName = o.SrcUserName;
    item->SrcPassword = o.SrcPassword;
    item->SrcLsOption = o.SrcLsOption;
    item->SrcTransferType = o.SrcTransferType;
  }
  if (withDestination) {
    item->DestHostName = o.DestHostName;
    item->DestPort = o.DestPort;
    item->DestUserName = o.DestUserName;
    item->DestPassword = o.DestPassword;
    item->DestLsOption = o.DestLsOption;
    item->DestTransferType = o.DestTransferType;
  }
  item->ResumeTransfer = o.ResumeTransfer;
  item->PassiveMode = o.PassiveMode;
  return item;
}

void TFTPCarrierThread::AddListedItems(const TFTPListItems& items, quint8 direction,
                                       const QString& srcPath, const QString& destPath) {
  std::vector<std::unique_ptr<TFTPCarryItem>> found;
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
    found.push_back(std::move(item));
  }
  TThreadedFTPCarrier* o = m_owner;
  Sync(o, [o, &found] { o->ExploredItems = std::move(found); });
}

void TFTPCarrierThread::ExploreDownload() {
  TThreadedFTPCarrier* o = m_owner;
  const auto done = [this] { FireDone(true); };
  const QString local = o->DestPath + o->FileName;
  if (!QFileInfo(local).isDir() && !QDir().mkdir(local)) {
    o->LastResult = 1;
    o->LastError = QStringLiteral("500 Cannot create folder %1.").arg(local);
    return done();
  }
  CarrierLogin(m_src);
  if (o->LastResult != 0) return done();
  const QString remote = o->SrcPath + o->FileName;
  TFTPListItems items;
  ListRemote(m_src, remote, items);
  if (o->LastResult != 0) return done();
  Quit(m_src);
  if (o->LastResult != 0) return done();
  AddListedItems(items, carryDownload, remote + QLatin1Char('/'), LocalFolderPath(local));
  done();
}

void TFTPCarrierThread::ExploreUpload() {
  TThreadedFTPCarrier* o = m_owner;
  const auto done = [this] { FireDone(true); };
  // A folder that cannot be listed would otherwise pass as an empty one, after making its
  // remote copy: check it before touching the server.
  const QString local = o->SrcPath + o->FileName;
  const QFileInfo localInfo(local);
  if (!localInfo.isDir() || !localInfo.isReadable() || !QDir(local).isReadable()) {
    o->LastResult = 1;
    o->LastError = QStringLiteral("500 Cannot read folder %1.").arg(local);
    return done();
  }
  CarrierLogin(m_dest);
  if (o->LastResult != 0) return done();
  const QString remote = o->DestPath + o->FileName;
  if (!EnterOrMake(m_dest, remote)) return done();
  Quit(m_dest);
  if (o->LastResult != 0) return done();
  const QFileInfoList entries = QDir(local).entryInfoList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  std::vector<std::unique_ptr<TFTPCarryItem>> found;
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
    found.push_back(std::move(item));
  }
  Sync(o, [o, &found] { o->ExploredItems = std::move(found); });
  done();
}

void TFTPCarrierThread::ExploreServerToServer() {
  TThreadedFTPCarrier* o = m_owner;
  const auto done = [this] { FireDone(true); };
  CarrierLogin(m_dest);
  if (o->LastResult != 0) return done();
  const QString destFolder = o->DestPath + o->FileName;
  if (!EnterOrMake(m_dest, destFolder)) return done();
  Quit(m_dest);
  if (o->LastResult != 0) return done();
  CarrierLogin(m_src);
  if (o->LastResult != 0) return done();
  const QString srcFolder = o->SrcPath + o->FileName;
  TFTPListItems items;
  ListRemote(m_src, srcFolder, items);
  if (o->LastResult != 0) return done();
  Quit(m_src);
  if (o->LastResult != 0) return done();
  AddListedItems(items, carryServerToServer, srcFolder + QLatin1Char('/'),
                 destFolder + QLatin1Char('/'));
  done();
}
