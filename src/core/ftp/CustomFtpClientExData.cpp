// The engine's data side: the Port step (PASV or PORT), REST, and the transfers RETR, LIST,
// NLST, STOR and APPE over the data socket, with progress, the per-second transfer state and
// the statistics line.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>

#include "core/common/WireText.h"
#include "core/ftp/CustomFtpClientEx.h"
#include "core/ftp/SocketErrors.h"

namespace {

// Downloads are read in blocks of this size, each reported to OnProgress and written at once.
constexpr qint64 kReceiveBlock = 64 * 1024;
// Uploads hand the system blocks of this size, each reported to OnProgress, as long as it
// takes them; at most kBlocksPerWake in a row, so replies and an abort get their turn.
constexpr qint64 kSendBlock = 256 * 1024;
constexpr int kBlocksPerWake = 8;

// Milliseconds on a monotonic clock.
qint64 NowTick() {
  static const QElapsedTimer clock = [] {
    QElapsedTimer timer;
    timer.start();
    return timer;
  }();
  return clock.elapsed();
}

// A whole decimal number of at most three digits, or -1.
int SmallNumber(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed.isEmpty() || trimmed.size() > 3) return -1;
  for (const QChar c : trimmed)
    if (c < QLatin1Char('0') || c > QLatin1Char('9')) return -1;
  return trimmed.toInt();
}

}  // namespace

// ---- Steps

void TCustomFtpClientEx::StartDataStep(TFtpStep step) {
  switch (step) {
    case ftpStepPort:
      PortAsync();
      break;
    case ftpStepRest:
      RestAsync();
      break;
    case ftpStepGet:
      DataRetrAsync();
      break;
    case ftpStepDir:
      DataListAsync();
      break;
    case ftpStepLs:
      DataNlstAsync();
      break;
    case ftpStepPut:
      DataStorAsync();
      break;
    case ftpStepAppend:
      DataAppeAsync();
      break;
    default:
      RaiseError(QStringLiteral("Step %1 is not a data step").arg(static_cast<int>(step)));
      break;
  }
}

void TCustomFtpClientEx::ClearDataHandlers() {
  TWSocket* data = m_dataSocket.get();
  data->OnSessionAvailable = nullptr;
  data->OnSessionConnected = nullptr;
  data->OnSessionClosed = nullptr;
  data->OnDataAvailable = nullptr;
  data->OnDataSent = nullptr;
  data->OnSendProgress = nullptr;
  data->OnCanSend = nullptr;
  data->SetWantSend(false);
}

void TCustomFtpClientEx::CloseDataQuietly() {
  ClearDataHandlers();
  if (m_dataSocket->State() != wsClosed) m_dataSocket->Close();
}

void TCustomFtpClientEx::DropDataConnection() {
  if (m_dataSocket->State() == wsClosed) return;
  // Without linger the system would go on delivering the upload bytes it holds (megabytes on
  // a fast link) before the peer learns of the abort; a reset drops them at once.
  m_dataSocket->LingerOnOff = wsLingerOn;
  m_dataSocket->LingerTimeout = 0;
  m_dataSocket->ApplyLinger();
  m_dataSocket->Close();
}

void TCustomFtpClientEx::PortAsync() {
  if (!CheckReady()) return;
  if (!Connected) {
    RaiseError(QStringLiteral("FTP component not connected"));
    return;
  }
  TWSocket* data = m_dataSocket.get();
  CloseDataQuietly();
  data->Proto = QStringLiteral("tcp");
  data->Addr = QStringLiteral("0.0.0.0");
  data->Port = QStringLiteral("0");
  // A PASV answered with something else than 227 must not reuse an older transfer's address.
  PasvReply.clear();
  m_currentStep = ftpStepPort;
  ByteCount = 0;
  QString line;
  if (Passive) {
    line = QStringLiteral("PASV");
  } else {
    data->LingerOnOff = wsLingerOn;
    data->LingerTimeout = 10;
    try {
      data->Listen();
    } catch (const SocketException& exception) {
      SetRequestTypeAlone(ftpPortAsync);
      ClearDoneGuard();
      LastResponse = QStringLiteral("550 ") + SocketException::ClassName() + QStringLiteral(": ") +
                     exception.Message();
      StatusCode = 550;
      SetErrorMessage(QString());
      RecordErrorMessage();
      SetRequestResult(550);
      FinishRequest(550);
      return;
    }
    const int port = data->GetXPort().toInt();
    const int high = (port >> 8) & 0xFF;
    const int low = port & 0xFF;
    if (m_controlSocket->Addr.trimmed() == QLatin1String("127.0.0.1")) {
      line = QStringLiteral("PORT 127,0,0,1,%1,%2").arg(high).arg(low);
    } else {
      const quint32 local = QHostAddress(m_controlSocket->GetXAddr()).toIPv4Address();
      line = QStringLiteral("PORT %1,%2,%3,%4,%5,%6")
                 .arg((local >> 24) & 0xFF)
                 .arg((local >> 16) & 0xFF)
                 .arg((local >> 8) & 0xFF)
                 .arg(local & 0xFF)
                 .arg(high)
                 .arg(low);
    }
  }
  IssueCommand(ftpPortAsync, line, {200, 227});
}

qint64 TCustomFtpClientEx::LocalFileSize(const QString& name) {
  if (name.isEmpty()) return -1;
  const QFileInfo info(QDir::current().absoluteFilePath(name));
  return info.exists() && info.isFile() ? info.size() : -1;
}

void TCustomFtpClientEx::RestAsync() {
  m_currentStep = ftpStepRest;
  SetRequestTypeAlone(ftpRestAsync);
  if (RequestType() != ftpRestPutAsync && RequestType() != ftpRestartPutAsync &&
      !Options.testFlag(ftpNoAutoResumeAt)) {
    ResumeAt = LocalFileSize(LocalFileName());
  }
  if (ResumeAt <= 0) {
    ClearDoneGuard();
    SetRequestResult(0);
    FinishRequest(0);
    return;
  }
  IssueCommand(ftpRestAsync, QStringLiteral("REST ") + QString::number(ResumeAt), {});
}

void TCustomFtpClientEx::DataRetrAsync() {
  StartDownload(DataVerb::Retr);
}

void TCustomFtpClientEx::DataListAsync() {
  StartDownload(DataVerb::List);
}

void TCustomFtpClientEx::DataNlstAsync() {
  StartDownload(DataVerb::Nlst);
}

void TCustomFtpClientEx::DataStorAsync() {
  StartUpload(false);
}

void TCustomFtpClientEx::DataAppeAsync() {
  StartUpload(true);
}

// ---- Common

QString TCustomFtpClientEx::DataCommandLine() const {
  return HostFileName.isEmpty() ? m_dataVerb : m_dataVerb + QLatin1Char(' ') + HostFileName;
}

bool TCustomFtpClientEx::ReadPasvPort(quint16& port) const {
  QString text = PasvReply;
  qsizetype at = text.indexOf(QLatin1Char('('));
  if (at < 0) return false;
  text.remove(0, at + 1);
  for (int i = 0; i < 4; ++i) {
    at = text.indexOf(QLatin1Char(','));
    if (at < 0) return false;
    text.remove(0, at + 1);
  }
  at = text.indexOf(QLatin1Char(','));
  if (at < 0) return false;
  const int high = SmallNumber(text.left(at));
  text.remove(0, at + 1);
  at = text.indexOf(QLatin1Char(')'));
  if (at < 0) return false;
  const int low = SmallNumber(text.left(at));
  if (high < 0 || high > 255 || low < 0 || low > 255) return false;
  port = static_cast<quint16>(high * 256 + low);
  return port != 0;
}

bool TCustomFtpClientEx::ConnectPassive(QString& failure) {
  quint16 port = 0;
  if (!ReadPasvPort(port)) {
    failure = QStringLiteral("Invalid passive reply: ") + PasvReply;
    return false;
  }
  TWSocket* data = m_dataSocket.get();
  // The address in the reply is not used: the data goes to the server the control connection
  // reached (which also keeps a hostile reply from steering the connection elsewhere).
  data->Port = QString::number(port);
  data->Addr = m_controlSocket->Addr;
  data->LocalAddr = LocalAddr;
  data->LingerOnOff = wsLingerOff;
  data->LingerTimeout = 0;
  try {
    data->Connect();
  } catch (const SocketException& exception) {
    failure = SocketException::ClassName() + QStringLiteral(": ") + exception.Message();
    return false;
  } catch (const std::exception& exception) {
    failure = QStringLiteral("Exception: ") + QString::fromUtf8(exception.what());
    return false;
  }
  return true;
}

void TCustomFtpClientEx::FailTransfer(int code, const QString& response, bool display) {
  SetNextReplyHandler(nullptr);
  LastResponse = response;
  StatusCode = code;
  RecordErrorMessage();
  if (display) DoDisplay(QStringLiteral("! ") + response);
  CloseDataQuietly();
  CloseLocalStream();
  ResumeAt = 0;
  SetRequestResult(code);
  FinishRequest(code);
}

void TCustomFtpClientEx::TransferTick() {
  if (OnTransferState && m_counter.Tick())
    OnTransferState(this, ByteCount + ResumeAt, ByteCount,
                    static_cast<double>(m_counter.Elapsed()));
}

void TCustomFtpClientEx::ShowTransferStats() {
  m_endTick = NowTick();
  const qint64 span = m_endTick - m_startTick;
  QString text =
      QStringLiteral("%1 bytes received/sent in %2 seconds").arg(ByteCount).arg(span / 1000);
  if (span != 0) {
    const qint64 rate = ByteCount <= 32767 ? ByteCount * 1000 / span : (ByteCount / span) * 1000;
    text += QStringLiteral(" (%1 Bytes/sec)").arg(rate);
  }
  DoDisplay(QStringLiteral("! ") + text);
  m_counter.Mark();
  if (OnTransferState)
    OnTransferState(this, ByteCount + ResumeAt, ByteCount,
                    static_cast<double>(m_counter.Elapsed()));
}

void TCustomFtpClientEx::TransferEndCheck(bool closedFlag) {
  if (!m_replyComplete || !closedFlag) return;
  ShowTransferStats();
  ResumeAt = 0;
  int result = m_dataCloseError;
  if (result == 0 && !m_localFailure.isEmpty()) {
    // The server saw a complete transfer, but the local side did not: never a success.
    result = 426;
    LastResponse = QStringLiteral("426 ") + m_localFailure;
    StatusCode = 426;
    SetErrorMessage(LastResponse);
  }
  SetRequestResult(result);
  FinishRequest(result);
}

// ---- Download

void TCustomFtpClientEx::StartDownload(DataVerb verb) {
  const QString name = verb == DataVerb::Retr   ? QStringLiteral("RETR")
                       : verb == DataVerb::List ? QStringLiteral("LIST")
                                                : QStringLiteral("NLST");
  if (!Connected) {
    RaiseError(name + QStringLiteral(": not connected"));
    return;
  }
  if (LocalFileName().isEmpty() && !DisplayFileFlag && !m_callerStream) {
    RaiseError(QStringLiteral("LocalFileName empty"));
    return;
  }
  const TFtpStep step = verb == DataVerb::Retr   ? ftpStepGet
                        : verb == DataVerb::List ? ftpStepDir
                                                 : ftpStepLs;
  m_currentStep = step;
  SetRequestTypeAlone(verb == DataVerb::Retr   ? ftpGetAsync
                      : verb == DataVerb::List ? ftpDirAsync
                                               : ftpLsAsync);
  m_dataVerb = name;
  if (verb != DataVerb::Retr && !LsOption.isEmpty()) m_dataVerb += QLatin1Char(' ') + LsOption;
  m_replyComplete = false;
  m_receiveClosed = false;
  m_localFailure.clear();
  ClearDoneGuard();
  SetErrorMessage(QString());
  SetRequestResult(0);
  ByteCount = 0;
  m_dataCloseError = 0;
  m_startTick = NowTick();
  m_counter.Start();
  m_dataSocket->OnSessionAvailable = [this](TWSocket*, int) { DownloadAccept(); };

  if (!DisplayFileFlag) {
    CloseLocalStream();
    bool opened = LocalStream != nullptr;
    if (!opened) {
      // ShareMode is kept for callers; local files are opened without locks here.
      auto file = std::make_unique<QFile>(QDir::current().absoluteFilePath(LocalFileName()));
      opened = ResumeAt > 0 ? file->open(QIODevice::ReadWrite)
                            : file->open(QIODevice::WriteOnly | QIODevice::Truncate);
      if (opened) LocalStream = file.release();
    }
    if (opened && ResumeAt > 0 && !LocalStream->isSequential())
      opened = LocalStream->seek(ResumeAt);
    if (!opened) {
      FailTransfer(550, QStringLiteral("Unable to open local file ") + LocalFileName(), false);
      return;
    }
  }

  // From here on the server owes a data connection, its bytes and the replies.
  WatchServer();
  if (Passive) {
    m_dataSocket->OnSessionConnected = [this](TWSocket*, int error) { DownloadConnected(error); };
    QString failure;
    if (!ConnectPassive(failure)) {
      FailTransfer(550, QStringLiteral("550 ") + failure, false);
      return;
    }
  }
  SetState(ftpStateWaitReply);
  SetNextReplyHandler([this] { DownloadFirstReply(); });
  SendCommand(DataCommandLine());
  if (m_controlSocket->State() != wsConnected) {
    FailTransfer(426, QStringLiteral("426 Connection closed by the server."), false);
    return;
  }
  // Some servers connect as soon as they get PORT, before the data command.
  if (!Passive) DownloadAccept();
}

void TCustomFtpClientEx::DownloadConnected(int error) {
  TWSocket* data = m_dataSocket.get();
  data->OnSessionClosed = [this](TWSocket*, int e) { DownloadClosed(e); };
  data->OnDataAvailable = [this](TWSocket*, int) { ReceiveData(); };
  m_startTick = NowTick();
  m_counter.Start();
  if (error != 0) {
    FailTransfer(550, QStringLiteral("Unable to establish data connection, error #%1").arg(error),
                 false);
    return;
  }
  ServerAlive();
}

void TCustomFtpClientEx::DownloadAccept() {
  TWSocket* data = m_dataSocket.get();
  if (data->State() != wsListening) return;
  const qintptr handle = data->Accept();
  if (handle < 0) return;
  ClearDataHandlers();
  data->Close();  // the listener: one connection is all a transfer takes
  data->OnSessionClosed = [this](TWSocket*, int e) { DownloadClosed(e); };
  data->OnDataAvailable = [this](TWSocket*, int) { ReceiveData(); };
  data->Dup(handle);
  m_startTick = NowTick();
  m_counter.Start();
  ServerAlive();
}

void TCustomFtpClientEx::DownloadFirstReply() {
  ShowReply();
  if ((StatusCode >= 150 && StatusCode <= 159) || StatusCode == 125) {
    SetNextReplyHandler([this] { DownloadSecondReply(); });
    return;
  }
  FailTransfer(StatusCode, LastResponse, false);
}

void TCustomFtpClientEx::DownloadSecondReply() {
  ShowReply();
  if (StatusCode == 125 || StatusCode == 226 || StatusCode == 250) {
    m_replyComplete = true;
    TransferEndCheck(m_receiveClosed);
    return;
  }
  RecordErrorMessage();
  const int code = StatusCode;
  CloseLocalStream();
  CloseDataQuietly();
  DoDisplay(QStringLiteral("! RETR/LIST/NLST Failed"));
  ResumeAt = 0;
  SetRequestResult(code);
  FinishRequest(code);
}

void TCustomFtpClientEx::ReceiveData() {
  TWSocket* data = m_dataSocket.get();
  if (m_dataBuffer.size() < static_cast<size_t>(kReceiveBlock))
    m_dataBuffer.resize(static_cast<size_t>(kReceiveBlock));
  // Take everything that is waiting, one block at a time, each with its progress call.
  while (data->State() == wsConnected) {
    if (!DoProgress()) return;
    const qint64 count = data->Receive(m_dataBuffer.data(), kReceiveBlock);
    if (count <= 0) {
      if (data->LastError() != 10035 && data->State() == wsConnected) {
        DoDisplay(QStringLiteral("! Data: Receive error %1").arg(data->LastError()));
        data->ShutDown(2);
      }
      return;
    }
    ServerAlive();
    ByteCount += count;
    TransferTick();
    if (LocalStream) {
      if (LocalStream->write(m_dataBuffer.data(), count) != count) {
        DoDisplay(QStringLiteral("! Error writing local file"));
        m_localFailure = QStringLiteral("Error writing local file ") + LocalFileName();
        // Closing rather than a mere shutdown: the server learns at once that nobody reads.
        data->ShutDown(2);
        data->Close();
        return;
      }
    }
    if (DisplayFileFlag) DisplayFileBlock(m_dataBuffer.data(), count);
  }
}

void TCustomFtpClientEx::DisplayFileBlock(const char* data, qint64 size) {
  if (!OnDisplayFile) return;
  qint64 start = 0;
  for (qint64 i = 0; i <= size; ++i) {
    if (i < size && data[i] != '\r' && data[i] != '\n') continue;
    if (i > start) {
      QString line = DecodeWireText(QByteArray(data + start, i - start));
      OnDisplayFile(this, line);
    }
    start = i + 1;
  }
}

void TCustomFtpClientEx::DownloadClosed(int error) {
  if (LocalStream && !m_callerStream) {
    // Unwritten bytes that cannot reach the disk make the file incomplete.
    auto* file = qobject_cast<QFile*>(LocalStream);
    if (file && !file->flush() && m_localFailure.isEmpty())
      m_localFailure = QStringLiteral("Error writing local file ") + LocalFileName();
  }
  CloseLocalStream();
  m_receiveClosed = true;
  m_dataCloseError = error;
  TransferEndCheck(m_receiveClosed);
}

// ---- Upload

void TCustomFtpClientEx::StartUpload(bool append) {
  if (!Connected) {
    RaiseError(QStringLiteral("STOR/APPE: not connected"));
    return;
  }
  if (!m_callerStream && LocalFileName().isEmpty()) {
    RaiseError(QStringLiteral("LocalFileName empty"));
    return;
  }
  m_currentStep = append ? ftpStepAppend : ftpStepPut;
  SetRequestTypeAlone(append ? ftpAppendAsync : ftpPutAsync);
  m_appendFlag = append;
  m_replyComplete = false;
  m_storeClosed = false;
  m_dataAccepted = false;
  m_serverReady = false;
  m_sendingStarted = false;
  m_localFailure.clear();
  ClearDoneGuard();
  SetErrorMessage(QString());
  SetRequestResult(0);
  m_startTick = NowTick();
  ByteCount = 0;
  m_dataCloseError = 0;

  bool cancel = false;
  if (OnReadyToTransmit) OnReadyToTransmit(this, cancel);
  if (cancel) {
    FailTransfer(426, QStringLiteral("426 Transmit cancelled by application"), true);
    return;
  }
  m_dataSocket->OnSessionAvailable = [this](TWSocket*, int) { UploadAccept(); };

  CloseLocalStream();
  bool opened = LocalStream != nullptr;
  if (!opened) {
    auto file = std::make_unique<QFile>(QDir::current().absoluteFilePath(LocalFileName()));
    opened = file->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    if (opened) LocalStream = file.release();
  }
  m_endOfFile = false;
  if (opened && ResumeAt > 0) opened = LocalStream->seek(ResumeAt);
  if (!opened) {
    FailTransfer(426, QStringLiteral("426 Unable to open local file ") + LocalFileName(), true);
    return;
  }
  m_sendBuffer.clear();
  m_sendPosition = 0;
  m_sendQueued = -1;

  // Not ready while the connection is made or the command is out.
  SetState(ftpStateWaitReply);
  WatchServer();
  if (Passive) {
    m_dataSocket->OnSessionConnected = [this](TWSocket*, int error) { UploadConnected(error); };
    QString failure;
    if (!ConnectPassive(failure)) FailTransfer(426, QStringLiteral("426 ") + failure, false);
    return;
  }
  SetNextReplyHandler([this] { UploadFirstReply(); });
  SendCommand((append ? QStringLiteral("APPE ") : QStringLiteral("STOR ")) + HostFileName);
  if (m_controlSocket->State() != wsConnected) {
    FailTransfer(426, QStringLiteral("426 Connection closed by the server."), false);
    return;
  }
  UploadAccept();  // the server may have connected already
}

void TCustomFtpClientEx::UploadConnected(int error) {
  TWSocket* data = m_dataSocket.get();
  data->OnSessionClosed = [this](TWSocket*, int e) { UploadClosed(e); };
  data->OnDataAvailable = nullptr;
  data->OnDataSent = nullptr;
  data->OnCanSend = [this](TWSocket*, int) { SendBlocks(); };
  m_dataAccepted = true;
  m_startTick = NowTick();
  m_counter.Start();
  if (error != 0) {
    FailTransfer(550, QStringLiteral("Unable to establish data connection, error #%1").arg(error),
                 false);
    return;
  }
  ServerAlive();
  SetState(ftpStateWaitReply);
  SetNextReplyHandler([this] { UploadFirstReply(); });
  SendCommand((m_appendFlag ? QStringLiteral("APPE ") : QStringLiteral("STOR ")) + HostFileName);
  if (m_controlSocket->State() != wsConnected)
    FailTransfer(426, QStringLiteral("426 Connection closed by the server."), false);
}

void TCustomFtpClientEx::UploadAccept() {
  TWSocket* data = m_dataSocket.get();
  if (data->State() != wsListening) return;
  const qintptr handle = data->Accept();
  if (handle < 0) return;
  ClearDataHandlers();
  data->Close();
  data->OnSessionClosed = [this](TWSocket*, int e) { UploadClosed(e); };
  data->OnDataAvailable = [this](TWSocket* socket, int) {
    char drop[2048];
    while (socket->Receive(drop, sizeof drop) > 0) ServerAlive();
  };
  data->OnCanSend = [this](TWSocket*, int) { SendBlocks(); };
  data->Dup(handle);
  if (data->SendBufferSize() < 0) {
    RaiseError(QStringLiteral("winsock.getsockopt(SO_SNDBUF) failed"));
    return;
  }
  data->LingerOnOff = wsLingerOff;
  data->LingerTimeout = 10;
  data->ApplyLinger();
  m_dataAccepted = true;
  ServerAlive();
  if (m_serverReady && !m_sendingStarted) {
    m_sendingStarted = true;
    PostDeferred([this] { StartSending(); });
  }
}

void TCustomFtpClientEx::UploadFirstReply() {
  ShowReply();
  if (StatusCode == 150 || StatusCode == 125) {
    m_serverReady = true;
    SetNextReplyHandler([this] { UploadSecondReply(); });
    if (Passive) {
      if (!m_sendingStarted) {
        m_sendingStarted = true;
        m_startTick = NowTick();
        m_counter.Start();
        m_dataSocket->SetWantSend(true);
      }
    } else if (m_dataAccepted && !m_sendingStarted) {
      m_sendingStarted = true;
      PostDeferred([this] { StartSending(); });
    }
    return;
  }
  FailTransfer(StatusCode, LastResponse, false);
}

void TCustomFtpClientEx::StartSending() {
  if (!LocalStream || m_dataSocket->State() != wsConnected) return;
  m_startTick = NowTick();
  m_counter.Start();
  m_dataSocket->SetWantSend(true);
}

void TCustomFtpClientEx::SendBlocks() {
  TWSocket* data = m_dataSocket.get();
  for (int round = 0; round < kBlocksPerWake; ++round) {
    if (!LocalStream || m_endOfFile || !m_serverReady || !m_dataAccepted) {
      data->SetWantSend(false);
      return;
    }
    if (!DoProgress()) return;  // the data connection is closed
    const qint64 sent = SendBlock();
    if (sent < 0) return;  // the end, or a failure already handled
    if (sent == 0) break;  // the system is full; it says when it takes more
    ByteCount += sent;
    // The system only takes bytes while the peer reads them: a sign of life.
    ServerAlive();
    TransferTick();
  }
  m_sendQueued = data->UnacknowledgedBytes();
}

bool TCustomFtpClientEx::UploadDrained() {
  if (!m_sendingStarted || !LocalStream) return false;
  const qint64 queued = m_dataSocket->UnacknowledgedBytes();
  const bool drained = queued >= 0 && m_sendQueued >= 0 && queued < m_sendQueued;
  m_sendQueued = queued;
  return drained;
}

qint64 TCustomFtpClientEx::SendBlock() {
  TWSocket* data = m_dataSocket.get();
  if (m_sendPosition >= m_sendBuffer.size()) {
    m_sendBuffer.resize(static_cast<qsizetype>(kSendBlock));
    const qint64 count = LocalStream->read(m_sendBuffer.data(), kSendBlock);
    if (count < 0) return FailReading();
    m_sendBuffer.resize(static_cast<qsizetype>(count));
    m_sendPosition = 0;
    if (count == 0) return FinishSending();
  }
  const qint64 sent = data->SendDirect(m_sendBuffer.constData() + m_sendPosition,
                                       m_sendBuffer.size() - m_sendPosition);
  if (sent >= 0) {
    m_sendPosition += static_cast<qsizetype>(sent);
    return sent;
  }
  if (data->LastError() == SocketError::WouldBlock) return 0;
  DoDisplay(QStringLiteral("! Error #%1 sending data").arg(data->LastError()));
  data->Close();
  return -1;
}

qint64 TCustomFtpClientEx::FinishSending() {
  // Everything is with the system, which delivers it before the close it is asked for.
  m_endOfFile = true;
  m_dataSocket->SetWantSend(false);
  m_dataSocket->CloseDelayed();
  return -1;
}

qint64 TCustomFtpClientEx::FailReading() {
  DoDisplay(QStringLiteral("! Error reading file"));
  m_localFailure = QStringLiteral("Error reading local file ") + LocalFileName();
  m_dataSocket->Close();
  return -1;
}

void TCustomFtpClientEx::UploadSecondReply() {
  ShowReply();
  if (StatusCode == 226 || StatusCode == 250) {
    m_replyComplete = true;
    TransferEndCheck(m_storeClosed);
    return;
  }
  RecordErrorMessage();
  const int code = StatusCode;
  CloseLocalStream();
  CloseDataQuietly();
  DoDisplay(QStringLiteral("! STOR Failed"));
  ResumeAt = 0;
  SetRequestResult(code);
  FinishRequest(code);
}

void TCustomFtpClientEx::UploadClosed(int error) {
  CloseLocalStream();
  m_storeClosed = true;
  m_dataCloseError = error;
  TransferEndCheck(m_storeClosed);
}
