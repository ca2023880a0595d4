#include "cli/CliRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>
#include <algorithm>
#include <cstdio>

#include "core/common/SafeLocalName.h"
#include "core/ftp/FTPListItems.h"
#include "core/ftp/FtpClientEx.h"
#include "core/settings/GlobalOptions.h"

namespace {

QTextStream& Out() {
  static QTextStream stream(stdout);
  return stream;
}

}  // namespace

TCliRunner::TCliRunner(TCliArguments arguments)
    : m_args(std::move(arguments)), m_client(std::make_unique<TThreadedFTPClient>()) {}

TCliRunner::~TCliRunner() = default;

void TCliRunner::Interrupt() {
  m_interrupted = true;
  m_client->Abort();
  if (m_queueRun != nullptr) m_queueRun->Interrupt();
}

quint8 TCliRunner::Call(void (TThreadedFTPClient::*request)(),
                        const std::function<void()>& inDone) {
  const int before = m_done;
  QEventLoop loop;
  for (auto event : TThreadedFTPClient::DoneEvents()) {
    (*m_client).*event = [this, &loop, &inDone](TThreadedFTPClient*) {
      if (inDone) inDone();
      ++m_done;
      loop.quit();
    };
  }
  (m_client.get()->*request)();
  while (m_done == before) loop.exec();
  for (auto event : TThreadedFTPClient::DoneEvents()) (*m_client).*event = nullptr;
  return m_client->LastResult;
}

int TCliRunner::Run() {
  TThreadedFTPClient& c = *m_client;
  c.HostName = m_args.Url.Host;
  c.Port = m_args.Url.Port;
  if (m_args.Url.User.isEmpty()) {
    c.UserName = QStringLiteral("anonymous");
    c.Password = GlobalOptions().Email;
  } else {
    c.UserName = m_args.Url.User;
    c.Password = qEnvironmentVariable("VORNALO_PASSWORD");
  }
  c.InitialFolder = m_args.Url.Folder;
  c.PassiveMode = !m_args.Active;
  c.TransferType = m_args.Type;
  c.ResumeTransfer = m_args.Resume;
  c.LoginRetry = m_args.Retries;
  c.ReloginDelay = m_args.Delay;
  c.Timeout = m_args.Timeout;
  c.ASCIIExts = GlobalOptions().ASCIIExts();
  c.LsOption = QStringLiteral("-a");
  c.OnDisplay = [this](TThreadedFTPClient*, const QString& line) {
    if (!m_args.Quiet && !line.startsWith(QLatin1Char('%'))) m_out.LogLine(line);
  };
  c.OnTransferStatus = [this](TThreadedFTPClient* client, qint64 position, qint64 transfered,
                              double elapsed) {
    if (!m_args.Quiet) {
      m_out.Progress(client->Engine() ? client->Engine()->HostFileName : QString(), position,
                     transfered, elapsed, client->FileSize);
    }
  };
  c.OnAuthenticate = [](TThreadedFTPClient* client, TFTPAuthenticate kind, QString& need,
                        bool& cancel) {
    const QString prompt =
        kind == ftpAuthUserName
            ? QStringLiteral("User name for %1: ").arg(client->HostName)
            : QStringLiteral("Password for %1@%2: ").arg(client->UserName, client->HostName);
    need = TTerminalOutput::ReadSecret(prompt);
    cancel = need.isEmpty();
  };
  c.OnEndThread = [this](TThreadedFTPClient*) { m_ended = true; };
  // Carriers never prompt: ask once, before any of them logs in.
  if (m_args.Parallel > 0 && !m_args.Url.User.isEmpty() && c.Password.isEmpty()) {
    c.Password = TTerminalOutput::ReadSecret(
        QStringLiteral("Password for %1@%2: ").arg(c.UserName, c.HostName));
  }
  c.StartThread();

  TFtpClientEx* engine = c.Engine();
  if (!m_args.FtpProxyHost.isEmpty()) {
    engine->SetConnectionType(ftpProxy);
    engine->ProxyServer = m_args.FtpProxyHost;
    engine->ProxyPort = m_args.FtpProxyPort;
  } else if (m_args.Socks != ftpDirect) {
    engine->SetConnectionType(m_args.Socks);
    engine->SetSocksServer(m_args.SocksHost);
    engine->SetSocksPort(m_args.SocksPort);
    engine->SetSocksUserCode(m_args.SocksUser);
    engine->SetSocksPassword(m_args.SocksPassword);
  }

  if (Call(&TThreadedFTPClient::Connect) != ftpResultOk) {
    m_out.Error(QStringLiteral("cannot log in to %1: %2").arg(c.HostName, c.LastError));
    return Finish(c.LastResult);
  }
  m_base = m_args.Url.Folder;
  if (m_base.isEmpty()) {
    if (Call(&TThreadedFTPClient::GetFolder) == ftpResultOk) m_base = c.ServerFolder();
    if (m_base.isEmpty()) m_base = QStringLiteral("/");
  }

  static const QHash<QString, int (TCliRunner::*)()> commands{
      {QStringLiteral("ls"), &TCliRunner::List},
      {QStringLiteral("get"), &TCliRunner::Get},
      {QStringLiteral("put"), &TCliRunner::Put},
      {QStringLiteral("rm"), &TCliRunner::Remove},
      {QStringLiteral("mkdir"), &TCliRunner::MakeFolder},
      {QStringLiteral("rename"), &TCliRunner::RenameOne},
      {QStringLiteral("mv"), &TCliRunner::Move},
      {QStringLiteral("chmod"), &TCliRunner::Chmod},
      {QStringLiteral("upper"), &TCliRunner::Upper},
      {QStringLiteral("lower"), &TCliRunner::Lower},
      {QStringLiteral("quote"), &TCliRunner::QuoteLine},
      {QStringLiteral("pwd"), &TCliRunner::PrintFolder},
      {QStringLiteral("copy"), &TCliRunner::Copy},
  };
  const auto command = commands.value(m_args.Command);
  int status = command != nullptr ? (this->*command)() : 1;
  if (m_interrupted && status == 0) status = 2;
  Call(&TThreadedFTPClient::Quit);
  return Finish(status);
}

int TCliRunner::Finish(int status) {
  m_out.EndProgress();
  m_client->StopThread();
  QEventLoop loop;
  while (!m_ended && m_client->HasThread()) loop.processEvents(QEventLoop::WaitForMoreEvents);
  Out().flush();
  return status;
}

QString TCliRunner::Remote(const QString& name) const {
  return ResolveRemotePath(m_base, name);
}

bool TCliRunner::IsRemoteFolder(const QString& path) {
  m_client->HostDirName = path;
  return Call(&TThreadedFTPClient::ChangeFolder) == ftpResultOk;
}

int TCliRunner::RunBatch(void (TThreadedFTPClient::*request)(), const QString& what) {
  TThreadedFTPClient& c = *m_client;
  QStringList failed;
  // The lists are cleared right after the done event: read the names left inside it.
  Call(request, [&] { failed = c.HostFileNames.ToStringList(); });
  for (const QString& name : failed) m_out.Error(QStringLiteral("%1 failed: %2").arg(what, name));
  if (c.LastResult == ftpResultAborted) return 2;
  return failed.isEmpty() ? 0 : 1;
}

int TCliRunner::List() {
  TThreadedFTPClient& c = *m_client;
  TFTPListItems items;
  c.ListItems = &items;
  c.HostDirName = m_args.Args.isEmpty() ? m_base : Remote(m_args.Args.first());
  const quint8 result = Call(&TThreadedFTPClient::GetListItems);
  c.ListItems = nullptr;
  if (result != ftpResultOk) {
    m_out.Error(QStringLiteral("cannot list %1: %2").arg(c.HostDirName, c.LastError));
    return result;
  }
  for (int i = 0; i < items.Count(); ++i) {
    const TFTPListItem* e = items.Items(i);
    const QString kind = e->IsLink   ? QStringLiteral("link")
                         : e->IsFile ? QStringLiteral("file")
                                     : QStringLiteral("dir");
    const QString date = e->Year > 0 ? QString::asprintf("%04d-%02d-%02d %02d:%02d", e->Year,
                                                         e->Month, e->Day, e->Hour, e->Minute)
                                     : QStringLiteral("-");
    Out() << kind.leftJustified(4) << ' ' << QString::number(e->Size).rightJustified(12) << ' '
          << date << ' ' << e->Permissions << ' ' << e->Name;
    if (e->IsLink && !e->LinkTarget.isEmpty()) Out() << " -> " << e->LinkTarget;
    Out() << '\n';
  }
  return 0;
}

int TCliRunner::Get() {
  TThreadedFTPClient& c = *m_client;
  const QStringList remotes = m_args.Args.mid(0, m_args.Args.size() - 1);
  const QString localDir = QDir(m_args.Args.last()).absolutePath();
  if (!QFileInfo(localDir).isDir() && !QDir().mkpath(localDir)) {
    m_out.Error(QStringLiteral("cannot create the local folder %1").arg(localDir));
    return 1;
  }
  std::vector<std::unique_ptr<TFTPCarryItem>> items;
  bool unsafe = false;
  for (const QString& name : remotes) {
    const QString path = Remote(name);
    // "..", "/" and the like name no file to write into the folder.
    const QString local = SafeLocalPath(localDir, RemoteBaseName(path));
    if (local.isEmpty()) {
      m_out.Error(QStringLiteral("download failed: %1 (%2)")
                      .arg(name, UnsafeNameText(RemoteBaseName(path))));
      unsafe = true;
      continue;
    }
    const bool folder = IsRemoteFolder(path);
    if (c.LastResult == ftpResultAborted) return 2;
    if (m_args.Parallel > 0) {
      auto item = SourceItem(path, folder);
      item->Direction = carryDownload;
      item->DestPath = QDir::toNativeSeparators(localDir) + QDir::separator();
      items.push_back(std::move(item));
      continue;
    }
    c.HostFileNames.Add(path, folder ? TFTPNameList::kFolder : TFTPNameList::kFile);
    c.LocalFileNames.Add(local);
  }
  const int status = m_args.Parallel > 0
                         ? RunQueue(std::move(items))
                         : RunBatch(&TThreadedFTPClient::Downloads, QStringLiteral("download"));
  return status == 0 && unsafe ? 1 : status;
}

int TCliRunner::Put() {
  TThreadedFTPClient& c = *m_client;
  const QStringList locals = m_args.Args.mid(0, m_args.Args.size() - 1);
  const QString remoteDir = Remote(m_args.Args.last());
  std::vector<std::unique_ptr<TFTPCarryItem>> items;
  for (const QString& name : locals) {
    const QFileInfo info(name);
    if (!info.exists()) {
      m_out.Error(QStringLiteral("%1 does not exist").arg(name));
      return 1;
    }
    if (m_args.Parallel > 0) {
      auto item = std::make_unique<TFTPCarryItem>();
      item->Direction = carryUpload;
      item->IsFolder = info.isDir() ? 1 : 0;
      item->FileName = info.fileName();
      item->SrcPath = QDir::toNativeSeparators(info.absolutePath()) + QDir::separator();
      item->DestHostName = c.HostName;
      item->DestPort = c.Port;
      item->DestUserName = c.UserName;
      item->DestPassword = c.Password;
      item->DestPath =
          remoteDir.endsWith(QLatin1Char('/')) ? remoteDir : remoteDir + QLatin1Char('/');
      item->DestLsOption = c.LsOption;
      item->DestTransferType = c.TransferType;
      item->ResumeTransfer = c.ResumeTransfer;
      item->PassiveMode = c.PassiveMode;
      item->FileSize = info.isDir() ? -1 : info.size();
      items.push_back(std::move(item));
      continue;
    }
    c.LocalFileNames.Add(info.absoluteFilePath(),
                         info.isDir() ? TFTPNameList::kFolder : TFTPNameList::kFile);
    c.HostFileNames.Add(ResolveRemotePath(remoteDir, info.fileName()));
  }
  if (m_args.Parallel > 0) return RunQueue(std::move(items));
  return RunBatch(&TThreadedFTPClient::Uploads, QStringLiteral("upload"));
}

int TCliRunner::Remove() {
  TThreadedFTPClient& c = *m_client;
  int status = 0;
  for (const QString& name : m_args.Args) {
    const QString path = Remote(name);
    const bool folder = IsRemoteFolder(path);
    if (c.LastResult == ftpResultAborted) return 2;
    c.HostDirName = RemoteParent(path);
    c.HostFileNames.Clear();
    c.HostFileNames.Add(RemoteBaseName(path), folder ? TFTPNameList::kFolder : TFTPNameList::kFile);
    Call(&TThreadedFTPClient::Remove);
    if (c.LastResult == ftpResultAborted) return 2;
    if (c.LastResult != ftpResultOk) {
      m_out.Error(QStringLiteral("cannot remove %1: %2").arg(path, c.LastError));
      status = 1;
    }
  }
  return status;
}

int TCliRunner::MakeFolder() {
  m_client->HostFileName = Remote(m_args.Args.first());
  return Call(&TThreadedFTPClient::MakeFolder);
}

int TCliRunner::RenameOne() {
  m_client->HostFileName = Remote(m_args.Args.at(0));
  m_client->LocalFileName = Remote(m_args.Args.at(1));
  return Call(&TThreadedFTPClient::Rename);
}

int TCliRunner::Move() {
  TThreadedFTPClient& c = *m_client;
  const QString target = Remote(m_args.Args.last());
  int status = 0;
  for (const QString& name : m_args.Args.mid(0, m_args.Args.size() - 1)) {
    const QString path = Remote(name);
    c.HostDirName = RemoteParent(path);
    c.HostFileNames.Clear();
    c.HostFileNames.Add(RemoteBaseName(path));
    c.LocalDirName = target.endsWith(QLatin1Char('/')) ? target : target + QLatin1Char('/');
    Call(&TThreadedFTPClient::Move);
    if (c.LastResult == ftpResultAborted) return 2;
    if (c.LastResult != ftpResultOk) status = 1;
  }
  return status;
}

int TCliRunner::Chmod() {
  TThreadedFTPClient& c = *m_client;
  QStringList args = m_args.Args;
  const bool recursive = args.first() == QLatin1String("-R");
  if (recursive) args.removeFirst();
  const QString mode = args.takeFirst();
  int status = 0;
  for (const QString& name : args) {
    const QString path = Remote(name);
    const bool folder = recursive && IsRemoteFolder(path);
    if (c.LastResult == ftpResultAborted) return 2;
    c.HostDirName = RemoteParent(path);
    c.HostFileNames.Clear();
    c.HostFileNames.Add(RemoteBaseName(path), folder ? TFTPNameList::kFolder : TFTPNameList::kFile);
    c.LocalFileName = mode;
    Call(recursive ? &TThreadedFTPClient::ChangePermsRecursive : &TThreadedFTPClient::ChangePerms);
    if (c.LastResult == ftpResultAborted) return 2;
    if (c.LastResult != ftpResultOk) status = 1;
  }
  return status;
}

int TCliRunner::Upper() {
  return ChangeCase(true);
}

int TCliRunner::Lower() {
  return ChangeCase(false);
}

int TCliRunner::ChangeCase(bool upper) {
  TThreadedFTPClient& c = *m_client;
  int status = 0;
  for (const QString& name : m_args.Args) {
    const QString path = Remote(name);
    c.HostDirName = RemoteParent(path);
    c.HostFileNames.Clear();
    c.HostFileNames.Add(RemoteBaseName(path));
    Call(upper ? &TThreadedFTPClient::Uppercase : &TThreadedFTPClient::Lowercase);
    if (c.LastResult == ftpResultAborted) return 2;
    if (c.LastResult != ftpResultOk) status = 1;
  }
  return status;
}

int TCliRunner::QuoteLine() {
  m_client->LocalFileName = m_args.Args.first();
  return Call(&TThreadedFTPClient::Quote);
}

int TCliRunner::PrintFolder() {
  const quint8 result = Call(&TThreadedFTPClient::GetFolder);
  if (result == ftpResultOk) Out() << m_client->ServerFolder() << '\n';
  return result;
}

std::unique_ptr<TFTPCarryItem> TCliRunner::SourceItem(const QString& remotePath,
                                                      bool folder) const {
  const TThreadedFTPClient& c = *m_client;
  auto item = std::make_unique<TFTPCarryItem>();
  item->IsFolder = folder ? 1 : 0;
  item->FileName = RemoteBaseName(remotePath);
  item->SrcHostName = c.HostName;
  item->SrcPort = c.Port;
  item->SrcUserName = c.UserName;
  item->SrcPassword = c.Password;
  const QString parent = RemoteParent(remotePath);
  item->SrcPath = parent.endsWith(QLatin1Char('/')) ? parent : parent + QLatin1Char('/');
  item->SrcLsOption = c.LsOption;
  item->SrcTransferType = c.TransferType;
  item->ResumeTransfer = c.ResumeTransfer;
  item->PassiveMode = c.PassiveMode;
  return item;
}

int TCliRunner::RunQueue(std::vector<std::unique_ptr<TFTPCarryItem>> items) {
  // The probing connection is not needed while the carriers work.
  Call(&TThreadedFTPClient::Quit);
  TCliQueueRun run(std::max(1, m_args.Parallel), m_args.Timeout, m_args.Quiet, m_out);
  m_queueRun = &run;
  const int status = run.Run(std::move(items));
  m_queueRun = nullptr;
  return m_interrupted ? 2 : status;
}

int TCliRunner::Copy() {
  const TThreadedFTPClient& c = *m_client;
  const TFtpUrl& dest = m_args.DestUrl;
  QString destUser = dest.User.isEmpty() ? QStringLiteral("anonymous") : dest.User;
  QString destPassword =
      dest.User.isEmpty() ? GlobalOptions().Email : qEnvironmentVariable("VORNALO_DEST_PASSWORD");
  if (!dest.User.isEmpty() && destPassword.isEmpty()) {
    destPassword = TTerminalOutput::ReadSecret(
        QStringLiteral("Password for %1@%2: ").arg(destUser, dest.Host));
  }
  QString destFolder = dest.Folder.isEmpty() ? QStringLiteral("/") : dest.Folder;
  if (!destFolder.endsWith(QLatin1Char('/'))) destFolder += QLatin1Char('/');
  std::vector<std::unique_ptr<TFTPCarryItem>> items;
  for (const QString& name : m_args.Args.mid(0, m_args.Args.size() - 1)) {
    const QString path = Remote(name);
    const bool folder = IsRemoteFolder(path);
    if (c.LastResult == ftpResultAborted) return 2;
    auto item = SourceItem(path, folder);
    item->Direction = carryServerToServer;
    item->DestHostName = dest.Host;
    item->DestPort = dest.Port;
    item->DestUserName = destUser;
    item->DestPassword = destPassword;
    item->DestPath = destFolder;
    item->DestLsOption = c.LsOption;
    item->DestTransferType = c.TransferType;
    items.push_back(std::move(item));
  }
  return RunQueue(std::move(items));
}
