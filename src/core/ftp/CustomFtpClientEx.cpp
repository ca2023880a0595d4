#include "core/ftp/CustomFtpClientEx.h"

#include <QHostAddress>
#include <QTimer>
#include <cstring>

#include "core/common/WireText.h"
#include "core/ftp/FtpReplyResults.h"
#include "core/ftp/SocketErrors.h"

namespace {

bool IsDottedAddress(const QString& name) {
  QHostAddress address;
  return address.setAddress(name.trimmed()) && address.protocol() == QAbstractSocket::IPv4Protocol;
}

// The number a reply line starts with, read after blanks and line ends, with an optional sign.
int LeadingNumber(const QString& line) {
  int i = 0;
  const int n = static_cast<int>(line.size());
  while (i < n && (line[i] == QLatin1Char(' ') || line[i] == QLatin1Char('\t') ||
                   line[i] == QLatin1Char('\r') || line[i] == QLatin1Char('\n'))) {
    ++i;
  }
  bool negative = false;
  if (i < n && (line[i] == QLatin1Char('-') || line[i] == QLatin1Char('+'))) {
    negative = line[i] == QLatin1Char('-');
    ++i;
  }
  qint64 value = 0;
  while (i < n && line[i] >= QLatin1Char('0') && line[i] <= QLatin1Char('9')) {
    if (value < 100000000) value = value * 10 + (line[i].unicode() - '0');
    ++i;
  }
  return static_cast<int>(negative ? -value : value);
}

// A final reply line starts with a digit and its number is not followed by "-".
bool IsFinalLine(const QString& line) {
  if (line.isEmpty() || !line[0].isDigit() || line[0].unicode() > '9') return false;
  int i = 0;
  while (i < line.size() && line[i] >= QLatin1Char('0') && line[i] <= QLatin1Char('9')) ++i;
  return i >= line.size() || line[i] != QLatin1Char('-');
}

}  // namespace

TCustomFtpClientEx::TCustomFtpClientEx()
    : m_notifier(std::make_unique<QObject>()),
      m_controlSocket(std::make_unique<TWSocket>()),
      m_dataSocket(std::make_unique<TWSocket>()),
      m_inactivityTimer(std::make_unique<QTimer>()) {
  m_inactivityTimer->setSingleShot(true);
  QObject::connect(m_inactivityTimer.get(), &QTimer::timeout, m_notifier.get(),
                   [this] { InactivityExpired(); });
  m_controlSocket->OnDnsLookupDone = [this](TWSocket*, int error) { ControlDnsLookupDone(error); };
  m_controlSocket->OnSessionConnected = [this](TWSocket*, int error) {
    ControlSessionConnected(error);
  };
  m_controlSocket->OnDataAvailable = [this](TWSocket*, int error) { ControlDataAvailable(error); };
  m_controlSocket->OnSessionClosed = [this](TWSocket*, int error) { ControlSessionClosed(error); };
  for (TWSocket* socket : {m_controlSocket.get(), m_dataSocket.get()}) socket->SocksEnabled = false;
}

TCustomFtpClientEx::~TCustomFtpClientEx() {
  m_inactivityTimer->stop();
  for (TWSocket* socket : {m_controlSocket.get(), m_dataSocket.get()}) {
    socket->OnDnsLookupDone = nullptr;
    socket->OnSessionConnected = nullptr;
    socket->OnDataAvailable = nullptr;
    socket->OnSessionClosed = nullptr;
    socket->OnDataSent = nullptr;
    socket->OnCanSend = nullptr;
    socket->OnSessionAvailable = nullptr;
  }
  CloseLocalStream();
}

// ---- Settings

void TCustomFtpClientEx::SetLocalFileName(const QString& name) {
  m_localFileName = name;
  if (!name.isEmpty() && m_callerStream) {
    // The caller's stream is forgotten, never freed.
    LocalStream = nullptr;
    m_callerStream = false;
  }
}

void TCustomFtpClientEx::SetLocalStream(QIODevice* stream) {
  if (!m_callerStream) CloseLocalStream();
  LocalStream = stream;
  m_callerStream = stream != nullptr;
  if (stream) m_localFileName.clear();
}

void TCustomFtpClientEx::CloseLocalStream() {
  if (m_callerStream) return;
  delete LocalStream;
  LocalStream = nullptr;
}

void TCustomFtpClientEx::ApplySocks(const std::function<void(TWSocket*)>& change) {
  change(m_controlSocket.get());
  change(m_dataSocket.get());
}

void TCustomFtpClientEx::SetConnectionType(TFtpConnectionType type) {
  if (Connected) {
    RaiseError(QStringLiteral("FTP component connected"));
    return;
  }
  switch (type) {
    case ftpSocks4:
    case ftpSocks4A:
    case ftpSocks5: {
      const QString level = type == ftpSocks4    ? QStringLiteral("4")
                            : type == ftpSocks4A ? QStringLiteral("4A")
                                                 : QStringLiteral("5");
      ApplySocks([&level](TWSocket* socket) {
        socket->SetSocksLevel(level);
        socket->SocksAuthentication = socksAuthenticateUsercode;
        socket->SocksEnabled = true;
      });
      m_connectionType = type;
      Passive = true;
      break;
    }
    case ftpProxy:
    case ftpDirect:
    default:
      // The SOCKS settings stay stored in the sockets, but a direct or proxy connection no
      // longer goes through the SOCKS server.
      ApplySocks([](TWSocket* socket) {
        socket->SocksAuthentication = socksNoAuthentication;
        socket->SocksEnabled = false;
      });
      m_connectionType = type == ftpProxy ? ftpProxy : ftpDirect;
      if (type == ftpProxy) Passive = true;
      break;
  }
}

void TCustomFtpClientEx::SetPassive(bool value) {
  Passive = m_connectionType == ftpDirect ? value : true;
}

QString TCustomFtpClientEx::SocksServer() const {
  return m_controlSocket->SocksServer();
}
void TCustomFtpClientEx::SetSocksServer(const QString& server) {
  ApplySocks([&server](TWSocket* socket) { socket->SetSocksServer(server); });
}
QString TCustomFtpClientEx::SocksPort() const {
  return m_controlSocket->SocksPort();
}
void TCustomFtpClientEx::SetSocksPort(const QString& port) {
  ApplySocks([&port](TWSocket* socket) { socket->SetSocksPort(port); });
}
QString TCustomFtpClientEx::SocksUserCode() const {
  return m_controlSocket->SocksUsercode;
}
void TCustomFtpClientEx::SetSocksUserCode(const QString& userCode) {
  ApplySocks([&userCode](TWSocket* socket) { socket->SocksUsercode = userCode; });
}
QString TCustomFtpClientEx::SocksPassword() const {
  return m_controlSocket->SocksPassword;
}
void TCustomFtpClientEx::SetSocksPassword(const QString& password) {
  ApplySocks([&password](TWSocket* socket) { socket->SocksPassword = password; });
}

// ---- Machinery

void TCustomFtpClientEx::SetState(TFtpEngineState state) {
  if (m_state == state) return;
  m_state = state;
  if (OnStateChange) OnStateChange(this);
}

void TCustomFtpClientEx::RaiseError(const QString& text) {
  m_usageError = true;
  m_lastUsageError = text;
  if (OnUsageError) {
    DoUsageError(text);
    return;
  }
  throw FtpException(text);
}

void TCustomFtpClientEx::DoUsageError(const QString& text) {
  if (!OnUsageError) return;
  QString message = text;
  OnUsageError(this, message);
}

bool TCustomFtpClientEx::CheckReady() {
  if (m_state == ftpStateReady || m_state == ftpStateStepReady) return true;
  RaiseError(QStringLiteral("FTP component not ready"));
  return false;
}

void TCustomFtpClientEx::DoDisplay(const QString& text) {
  if (!OnDisplay) return;
  QString message = text;
  OnDisplay(this, message);
}

void TCustomFtpClientEx::ShowReply() {
  DoDisplay(QStringLiteral("< ") + LastResponse);
}

void TCustomFtpClientEx::RecordErrorMessage() {
  if (m_errorMessage.isEmpty()) m_errorMessage = LastResponse;
}

void TCustomFtpClientEx::SetRequestTypeAlone(TFtpRequest kind) {
  if (!m_compound) m_requestType = kind;
}

void TCustomFtpClientEx::SocketFailure(int error) {
  LastResponse =
      QStringLiteral("500 %1 (Winsock error #%2)").arg(WSocketErrorDesc(error)).arg(error);
  StatusCode = 500;
  m_requestResult = 500;
  RecordErrorMessage();
}

void TCustomFtpClientEx::PostDeferred(std::function<void()> call) {
  QMetaObject::invokeMethod(m_notifier.get(), std::move(call), Qt::QueuedConnection);
}

void TCustomFtpClientEx::SendCommand(const QString& line) {
  QString command = line;
  if (OnCommand) OnCommand(this, command);
  DoDisplay(QStringLiteral("> ") + command);
  if (m_controlSocket->State() == wsConnected)
    m_controlSocket->Send(EncodeWireText(command) + QByteArrayLiteral("\r\n"));
}

void TCustomFtpClientEx::IssueCommand(TFtpRequest kind, const QString& line,
                                      std::initializer_list<int> accepted, Handler doneHandler) {
  const bool unchecked = line == QLatin1String("ABOR") || line == QLatin1String("STAT") ||
                         line == QLatin1String("QUIT");
  if (!unchecked) {
    if (!CheckReady()) return;
    if (!Connected) {
      RaiseError(QStringLiteral("FTP component not connected"));
      return;
    }
  }
  SetRequestTypeAlone(kind);
  m_accepted.assign(accepted.begin(), accepted.end());
  if (m_accepted.size() > 16) m_accepted.resize(16);
  m_doneGuard = false;
  m_next = [this] { HandleReply(); };
  m_doneHandler = std::move(doneHandler);
  m_errorMessage.clear();
  SetState(ftpStateWaitReply);
  WatchServer();
  SendCommand(line);
  if (m_controlSocket->State() != wsConnected) {
    // Nothing was sent, so no reply can come: end the request now instead of waiting forever.
    m_next = nullptr;
    m_doneHandler = nullptr;
    SocketFailure(SocketError::NotConnected);
    FinishRequest(SocketError::NotConnected);
  }
}

void TCustomFtpClientEx::HandleReply() {
  ShowReply();
  if (!m_accepted.empty()) {
    const bool ok = std::find(m_accepted.begin(), m_accepted.end(), StatusCode) != m_accepted.end();
    m_requestResult = ok ? 0 : StatusCode;
  } else {
    m_requestResult = StatusCode < 500 ? 0 : StatusCode;
  }
  if (m_requestResult != 0) RecordErrorMessage();
  if (Passive && StatusCode == 227) PasvReply = LastResponse;
  if (m_requestResult == 0) {
    if (m_currentStep == ftpStepSize) {
      SizeResult = ParseSizeResult(LastResponse);
    } else if (m_currentStep == ftpStepCwd || m_currentStep == ftpStepMkd ||
               m_currentStep == ftpStepPwd || m_currentStep == ftpStepCDup) {
      DirResult = ParseDirResult(LastResponse);
    }
  }
  if (m_doneHandler) {
    const Handler done = m_doneHandler;
    done();
  } else {
    FinishRequest(m_requestResult);
  }
}

void TCustomFtpClientEx::FinishRequest(int error) {
  if (m_doneGuard) return;
  m_doneGuard = true;
  if (error == 0 && m_nextStep) {
    // A passive upload connects before it sends its command: the state must not read as
    // ready meanwhile. A Rest step in between still needs a ready state to start.
    const bool passivePutPending =
        m_pendingSteps.Contains(ftpStepPut) && !m_pendingSteps.Contains(ftpStepRest) && Passive;
    if (m_state != ftpStateAborting && !passivePutPending) SetState(ftpStateStepReady);
    const Handler next = m_nextStep;
    next();
    return;
  }
  StopWatching();
  SetState(ftpStateReady);
  ClearDataHandlers();
  if (m_dataSocket->State() != wsClosed) m_dataSocket->Close();
  CloseLocalStream();
  if (m_compound && m_savedCode != -1) {
    LastResponse = m_savedResponse;
    StatusCode = m_savedCode;
  }
  m_compound = false;
  m_nextStep = nullptr;
  PostDeferred([this, error] { DeliverRequestDone(error); });
}

void TCustomFtpClientEx::DeliverRequestDone(int error) {
  try {
    if (OnRequestDone) OnRequestDone(this, m_requestType, static_cast<quint16>(error));
  } catch (const std::exception& exception) {
    HandleBackgroundException(exception);
  } catch (...) {
    HandleBackgroundException(std::runtime_error("Unknown exception"));
  }
}

void TCustomFtpClientEx::HandleBackgroundException(const std::exception& error) {
  bool canClose = true;
  try {
    if (OnBgException) OnBgException(this, error, canClose);
  } catch (...) {
    // Nothing more can be done with an exception from the exception handler.
  }
}

bool TCustomFtpClientEx::DoProgress() {
  bool abort = false;
  if (OnProgress) OnProgress(this, ByteCount + ResumeAt, abort);
  if (!abort) return true;
  DoDisplay(QStringLiteral("! Abort requested"));
  DropDataConnection();
  return false;
}

// ---- Control connection

void TCustomFtpClientEx::OpenAsync() {
  if (!CheckReady()) return;
  if (Connected) {
    RaiseError(QStringLiteral("FTP component already connected"));
    return;
  }
  SetRequestTypeAlone(ftpOpenAsync);
  m_currentStep = ftpStepOpen;
  m_doneGuard = false;
  m_receiveCount = 0;
  m_skippingLongLine = false;
  m_requestResult = 0;
  ResolvedAddr.clear();
  SetState(ftpStateResolving);
  const QString name = m_connectionType == ftpProxy ? ProxyServer : HostName;
  m_controlSocket->DnsLookup(name);
  if (!IsDottedAddress(name) && OnConnectState) OnConnectState(this, ftpConStateDNSLookup);
}

void TCustomFtpClientEx::ControlDnsLookupDone(int error) {
  if (error != 0) {
    SocketFailure(error);
    FinishRequest(error);
    return;
  }
  ResolvedAddr = m_controlSocket->DnsResult();
  TWSocket* socket = m_controlSocket.get();
  socket->Addr = ResolvedAddr;
  socket->LocalAddr = LocalAddr;
  socket->Proto = QStringLiteral("tcp");
  socket->Port = m_connectionType == ftpProxy && !ProxyPort.trimmed().isEmpty() ? ProxyPort : Port;
  const QString name = m_connectionType == ftpProxy ? ProxyServer : HostName;
  if (!IsDottedAddress(name) && OnConnectState) OnConnectState(this, ftpConStateDNSLookupDone);
  if (OnConnectState) OnConnectState(this, ftpConStateContact);
  SetState(ftpStateWaitBanner);
  WatchServer();
  QString failure;
  try {
    socket->Connect();
    return;
  } catch (const SocketException& exception) {
    failure = SocketException::ClassName() + QStringLiteral(": ") + exception.Message();
  } catch (const std::exception& exception) {
    failure = QStringLiteral("Exception: ") + QString::fromUtf8(exception.what());
  }
  LastResponse = QStringLiteral("500 ") + failure;
  StatusCode = 500;
  m_requestResult = 500;
  RecordErrorMessage();
  FinishRequest(500);
}

void TCustomFtpClientEx::ControlSessionConnected(int error) {
  if (error == 0) {
    ServerAlive();
    if (OnConnectState) OnConnectState(this, ftpConStateContacted);
    Connected = true;
    return;
  }
  SocketFailure(error);
  m_nextStep = nullptr;
  FinishRequest(error);
  CloseControl();
  SetState(ftpStateReady);
}

void TCustomFtpClientEx::CloseControl() {
  const bool wasClosing = m_engineClosing;
  m_engineClosing = true;
  m_controlSocket->Close();
  m_engineClosing = wasClosing;
}

void TCustomFtpClientEx::ControlDataAvailable(int error) {
  constexpr int kLimit = kReceiveBufferSize - 1;
  const qint64 count =
      m_controlSocket->Receive(m_receiveBuffer + m_receiveCount, kLimit - m_receiveCount);
  if (count <= 0) return;
  ServerAlive();
  m_receiveCount += static_cast<int>(count);
  const bool acceptLF = Options.testFlag(ftpAcceptLF);
  bool stop = false;
  while (m_receiveCount > 0 && !stop) {
    int end = -1;
    int next = -1;
    if (acceptLF) {
      const void* lf = std::memchr(m_receiveBuffer, '\n', static_cast<size_t>(m_receiveCount));
      if (lf) {
        end = static_cast<int>(static_cast<const char*>(lf) - m_receiveBuffer);
        next = end + 1;
      }
    } else {
      for (int i = 0; i + 1 < m_receiveCount; ++i) {
        if (m_receiveBuffer[i] == '\r' && m_receiveBuffer[i + 1] == '\n') {
          end = i;
          next = i + 2;
          break;
        }
      }
    }
    bool cut = false;
    if (end < 0) {
      if (m_receiveCount < kLimit) break;  // wait for the rest of the line
      // A line longer than the buffer: take what fits as the line and drop the rest of it.
      end = next = m_receiveCount;
      cut = true;
    }
    if (m_skippingLongLine) {
      std::memmove(m_receiveBuffer, m_receiveBuffer + next,
                   static_cast<size_t>(m_receiveCount - next));
      m_receiveCount -= next;
      if (!cut) m_skippingLongLine = false;
      continue;
    }
    int length = end;
    while (length > 0 &&
           (m_receiveBuffer[length - 1] == '\r' || m_receiveBuffer[length - 1] == '\n'))
      --length;
    LastResponse = DecodeWireText(QByteArray(m_receiveBuffer, length));
    std::memmove(m_receiveBuffer, m_receiveBuffer + next,
                 static_cast<size_t>(m_receiveCount - next));
    m_receiveCount -= next;
    if (cut) {
      m_skippingLongLine = true;
      DoDisplay(
          QStringLiteral("! Reply line longer than %1 bytes, the rest is dropped").arg(kLimit));
    }
    if (OnResponse) OnResponse(this);
    ProcessReplyLine(error, stop);
    if (m_controlSocket->State() != wsConnected) {
      m_receiveCount = 0;
      break;
    }
  }
}

void TCustomFtpClientEx::ProcessReplyLine(int dataError, bool& stop) {
  switch (m_state) {
    case ftpStateWaitBanner: {
      ShowReply();
      if (!IsFinalLine(LastResponse)) return;
      StatusCode = LeadingNumber(LastResponse);
      if (StatusCode != 220) {
        RecordErrorMessage();
        m_requestResult = StatusCode;
        m_receiveCount = 0;
        stop = true;
        CloseControl();
        return;
      }
      SetState(ftpStateConnected);
      if (OnSessionConnected) OnSessionConnected(this, dataError);
      if (OnConnectState) OnConnectState(this, ftpConStateConnected);
      FinishRequest(0);
      return;
    }
    case ftpStateWaitReply: {
      if (!IsFinalLine(LastResponse)) {
        ShowReply();
        return;
      }
      StatusCode = LeadingNumber(LastResponse);
      if (!m_next) {
        RaiseError(QStringLiteral("Program error: FNext is nil"));
        return;
      }
      const Handler next = m_next;
      next();
      return;
    }
    default:
      ShowReply();  // unsolicited
      return;
  }
}

void TCustomFtpClientEx::ControlSessionClosed(int error) {
  // A greeting or reply still awaited when the server goes away must not end as a success.
  const bool lostWhileWaiting = !m_engineClosing && !m_doneGuard && m_requestResult == 0 &&
                                (m_state == ftpStateWaitBanner ||
                                 (m_state == ftpStateWaitReply && m_currentStep != ftpStepQuit));
  if (Connected) {
    Connected = false;
    if (m_state != ftpStateAborting) SetState(ftpStateNotConnected);
    if (OnSessionClosed) OnSessionClosed(this, error);
    if (OnConnectState) OnConnectState(this, ftpConStateClosed);
  }
  if (m_state != ftpStateAborting) SetState(ftpStateStepReady);
  if (lostWhileWaiting) {
    if (error != 0) {
      SocketFailure(error);
      m_requestResult = error;
    } else {
      LastResponse = QStringLiteral("426 Connection closed by the server.");
      StatusCode = 426;
      m_requestResult = 426;
      RecordErrorMessage();
    }
  }
  FinishRequest(m_requestResult);
}

void TCustomFtpClientEx::QuitAsync() {
  CloseLocalStream();
  m_currentStep = ftpStepQuit;
  IssueCommand(ftpQuitAsync, QStringLiteral("QUIT"), {221}, [this] { QuitDone(); });
}

void TCustomFtpClientEx::QuitDone() {
  CloseControl();
  FinishRequest(0);
}

void TCustomFtpClientEx::Abort() {
  const TFtpEngineState old = m_state;
  SetState(ftpStateAborting);
  CloseLocalStream();
  // A single command cut off before its reply ends as aborted, not as a success.
  if (!m_doneGuard && !m_compound && m_requestResult == 0 &&
      (old == ftpStateWaitReply || old == ftpStateWaitBanner)) {
    m_requestResult = 426;
    StatusCode = 426;
    m_errorMessage = QStringLiteral("426 Operation aborted.");
  }
  if (old == ftpStateResolving) {
    try {
      m_controlSocket->CancelDnsLookup();
    } catch (...) {
      // The lookup may have ended meanwhile.
    }
  }
  // The data connection first: closing the control connection ends the request, which would
  // close it gently and let the bytes the system holds go out.
  ClearDataHandlers();
  DropDataConnection();
  if (m_controlSocket->State() != wsClosed) CloseControl();
  CloseLocalStream();
  ResumeAt = 0;
  Connected = false;
  StopWatching();
  SetState(ftpStateReady);
}

// ---- Inactivity limit

void TCustomFtpClientEx::WatchServer() {
  // 24 days of milliseconds still fit the timer's interval.
  m_watchSeconds = qBound(0, InactivityTimeout, 2000000);
  m_sinceServerLife.start();
  if (m_watchSeconds == 0) {
    m_inactivityTimer->stop();
    return;
  }
  m_inactivityTimer->start(m_watchSeconds * 1000);
}

void TCustomFtpClientEx::ServerAlive() {
  // Only the moment is noted: re-arming the timer for every block of a fast transfer would
  // cost more than the transfer. The timer looks at the moment when it fires.
  m_sinceServerLife.start();
}

void TCustomFtpClientEx::StopWatching() {
  m_inactivityTimer->stop();
}

void TCustomFtpClientEx::InactivityExpired() {
  if (m_doneGuard) return;  // the request ended while the timeout was queued
  const int seconds = m_watchSeconds;
  if (UploadDrained()) ServerAlive();
  const qint64 silentMs = m_sinceServerLife.elapsed();
  if (silentMs < qint64(seconds) * 1000) {
    m_inactivityTimer->start(static_cast<int>(qint64(seconds) * 1000 - silentMs));
    return;
  }
  QString line =
      QStringLiteral("! No data from the server for %1 seconds: connection closed").arg(seconds);
  DoDisplay(line);
  if (OnInactivityTimeout) OnInactivityTimeout(this, line);
  if (m_doneGuard) return;  // a handler ended the request itself (an abort, say)
  // The silent server may still answer later; nothing it says may reach this request, so both
  // connections go and no step of a compound request follows.
  m_next = nullptr;
  m_doneHandler = nullptr;
  m_nextStep = nullptr;
  m_pendingSteps.Clear();
  m_savedCode = -1;
  LastResponse =
      QStringLiteral("421 Timeout: no data from the server for %1 seconds.").arg(seconds);
  StatusCode = 421;
  m_errorMessage = LastResponse;
  m_requestResult = 421;
  CloseDataQuietly();
  CloseLocalStream();
  ResumeAt = 0;
  if (m_controlSocket->State() != wsClosed) CloseControl();  // ends the request, as a hang-up
  Connected = false;
  FinishRequest(421);
}

// ---- Compound requests

void TCustomFtpClientEx::StartCompound(TFtpRequest kind, const TFtpSteps& steps) {
  if (Connected && steps.Contains(ftpStepOpen)) {
    RaiseError(QStringLiteral("FTP component already connected"));
    return;
  }
  if (!CheckReady()) return;
  m_savedResponse = LastResponse;
  m_savedCode = -1;
  m_requestType = kind;
  m_requestResult = 0;
  m_pendingSteps = steps;
  m_currentStep = ftpStepNone;
  m_previousStep = ftpStepNone;
  m_finalError = 0;
  m_compound = true;
  LastResponse.clear();
  m_errorMessage.clear();
  m_nextStep = nullptr;
  RunNextStep();
}

void TCustomFtpClientEx::RunNextStep() {
  m_nextStep = [this] { RunNextStep(); };
  if (m_state == ftpStateAborting) {
    m_pendingSteps.Clear();
    m_finalError = 426;
    m_errorMessage = QStringLiteral("426 Operation aborted.");
  }
  if (m_requestResult != 0) m_finalError = m_requestResult;
  static const TFtpStep kOrder[] = {
      ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd,       ftpStepCDup,    ftpStepTypeSet,
      ftpStepPort, ftpStepRest, ftpStepGet,  ftpStepPut,       ftpStepAppend,  ftpStepDir,
      ftpStepLs,   ftpStepSyst, ftpStepMkd,  ftpStepRmd,       ftpStepRenFrom, ftpStepRenTo,
      ftpStepSize, ftpStepDele, ftpStepPwd,  ftpStepAbortXfer, ftpStepQuote,   ftpStepQuit};
  for (TFtpStep step : kOrder) {
    if (!m_pendingSteps.Contains(step)) continue;
    m_pendingSteps.Exclude(step);
    if (step == ftpStepPass && m_currentStep == ftpStepUser && StatusCode != 331) continue;
    if (step == ftpStepCwd && HostDirName.isEmpty()) continue;
    if (step == ftpStepGet && (m_currentStep != ftpStepRest || ResumeAt < 0 || StatusCode != 350))
      ResumeAt = 0;
    if (step == ftpStepQuit) {
      m_savedResponse = LastResponse;
      m_savedCode = StatusCode;
    }
    m_previousStep = m_currentStep;
    m_usageError = false;
    QString failure;
    try {
      StartStep(step);
    } catch (const FtpException& exception) {
      failure = exception.Message();
    }
    if (!m_usageError) return;
    // A step that cannot start (an empty argument, say) ends the request at once rather than
    // leaving it open with nothing on the wire.
    if (failure.isEmpty()) failure = m_lastUsageError;
    LastResponse = QStringLiteral("500 ") + failure;
    StatusCode = 500;
    m_requestResult = 500;
    RecordErrorMessage();
    m_pendingSteps.Clear();
    m_nextStep = nullptr;
    m_doneGuard = false;
    FinishRequest(500);
    return;
  }
  m_pendingSteps.Clear();
  m_nextStep = nullptr;
  m_doneGuard = false;
  FinishRequest(m_finalError);
}

void TCustomFtpClientEx::StartStep(TFtpStep step) {
  switch (step) {
    case ftpStepOpen:
      OpenAsync();
      break;
    case ftpStepUser:
      UserAsync();
      break;
    case ftpStepPass:
      PassAsync();
      break;
    case ftpStepCwd:
      CwdAsync();
      break;
    case ftpStepCDup:
      CDupAsync();
      break;
    case ftpStepTypeSet:
      TypeSetAsync();
      break;
    case ftpStepSyst:
      SystAsync();
      break;
    case ftpStepMkd:
      MkdAsync();
      break;
    case ftpStepRmd:
      RmdAsync();
      break;
    case ftpStepRenFrom:
      RenFromAsync();
      break;
    case ftpStepRenTo:
      RenToAsync();
      break;
    case ftpStepSize:
      SizeAsync();
      break;
    case ftpStepDele:
      DeleAsync();
      break;
    case ftpStepPwd:
      PwdAsync();
      break;
    case ftpStepAbortXfer:
      AbortXferAsync();
      break;
    case ftpStepQuote:
      QuoteAsync();
      break;
    case ftpStepQuit:
      QuitAsync();
      break;
    default:
      StartDataStep(step);
      break;
  }
}

// ---- Single commands

QString TCustomFtpClientEx::UserLine() const {
  if (m_connectionType != ftpProxy) return QStringLiteral("USER ") + UserName;
  const QString port = Port.trimmed();
  if (port.compare(QLatin1String("ftp"), Qt::CaseInsensitive) == 0 || port == QLatin1String("21"))
    return QStringLiteral("USER %1@%2").arg(UserName, HostName);
  return QStringLiteral("USER %1@%2:%3").arg(UserName, HostName, Port);
}

void TCustomFtpClientEx::UserAsync() {
  if (UserName.isEmpty()) {
    RaiseError(QStringLiteral("UserName emtpy"));
    return;
  }
  m_currentStep = ftpStepUser;
  IssueCommand(ftpUserAsync, UserLine(), {331, 230});
}

void TCustomFtpClientEx::PassAsync() {
  if (PassWord.isEmpty()) {
    RaiseError(QStringLiteral("Password emtpy"));
    return;
  }
  m_currentStep = ftpStepPass;
  IssueCommand(ftpPassAsync, QStringLiteral("PASS ") + PassWord, {230});
}

void TCustomFtpClientEx::CwdAsync() {
  if (HostDirName.isEmpty()) {
    RaiseError(QStringLiteral("HostDirName emtpy"));
    return;
  }
  m_currentStep = ftpStepCwd;
  IssueCommand(ftpCwdAsync, QStringLiteral("CWD ") + HostDirName, {200, 250, 257});
}

void TCustomFtpClientEx::SizeAsync() {
  SizeResult = 0;
  m_currentStep = ftpStepSize;
  IssueCommand(ftpSizeAsync, QStringLiteral("SIZE ") + HostFileName, {213});
}

void TCustomFtpClientEx::MkdAsync() {
  m_currentStep = ftpStepMkd;
  IssueCommand(ftpMkdAsync, QStringLiteral("MKD ") + HostFileName, {250, 257});
}

void TCustomFtpClientEx::RmdAsync() {
  m_currentStep = ftpStepRmd;
  IssueCommand(ftpRmdAsync, QStringLiteral("RMD ") + HostFileName, {250, 257});
}

void TCustomFtpClientEx::RenFromAsync() {
  m_currentStep = ftpStepRenFrom;
  IssueCommand(ftpRenFromAsync, QStringLiteral("RNFR ") + HostFileName, {350});
}

void TCustomFtpClientEx::RenToAsync() {
  m_currentStep = ftpStepRenTo;
  IssueCommand(ftpRenToAsync, QStringLiteral("RNTO ") + m_localFileName, {200, 250, 257});
}

void TCustomFtpClientEx::SystAsync() {
  m_currentStep = ftpStepSyst;
  IssueCommand(ftpSystAsync, QStringLiteral("SYST"), {215});
}

void TCustomFtpClientEx::DeleAsync() {
  m_currentStep = ftpStepDele;
  IssueCommand(ftpDeleAsync, QStringLiteral("DELE ") + HostFileName, {250, 257});
}

void TCustomFtpClientEx::PwdAsync() {
  m_currentStep = ftpStepPwd;
  IssueCommand(ftpPwdAsync, QStringLiteral("PWD"), {250, 257});
}

void TCustomFtpClientEx::QuoteAsync() {
  m_currentStep = ftpStepQuote;
  IssueCommand(ftpQuoteAsync, m_localFileName, {});
}

void TCustomFtpClientEx::TypeSetAsync() {
  m_currentStep = ftpStepTypeSet;
  IssueCommand(ftpTypeSetAsync, QStringLiteral("TYPE ") + m_typeLetter, {200});
}

void TCustomFtpClientEx::TypeBinaryAsync() {
  SetBinary(true);
  TypeSetAsync();
}

void TCustomFtpClientEx::TypeAsciiAsync() {
  SetBinary(false);
  TypeSetAsync();
}

void TCustomFtpClientEx::CDupAsync() {
  m_currentStep = ftpStepCDup;
  IssueCommand(ftpCDupAsync, QStringLiteral("CDUP"), {250});
}

void TCustomFtpClientEx::AbortXferAsync() {
  m_currentStep = ftpStepAbortXfer;
  IssueCommand(ftpAbortXferAsync, QStringLiteral("ABOR"), {});
}

// ---- Compound requests without data transfer

void TCustomFtpClientEx::ConnectAsync() {
  StartCompound(ftpConnectAsync, {ftpStepOpen, ftpStepUser, ftpStepPass});
}

void TCustomFtpClientEx::SystemAsync() {
  StartCompound(ftpSystemAsync, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepSyst, ftpStepQuit});
}

void TCustomFtpClientEx::FileSizeAsync() {
  StartCompound(ftpSizeAsync,
                {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepSize, ftpStepQuit});
}

void TCustomFtpClientEx::MkdirAsync() {
  StartCompound(ftpMkdirAsync,
                {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepMkd, ftpStepQuit});
}

void TCustomFtpClientEx::RmdirAsync() {
  StartCompound(ftpRmdirAsync,
                {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepRmd, ftpStepQuit});
}

void TCustomFtpClientEx::DeleteAsync() {
  StartCompound(ftpDeleteAsync,
                {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepDele, ftpStepQuit});
}

void TCustomFtpClientEx::DoQuoteAsync() {
  StartCompound(ftpDoQuoteAsync,
                {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepQuote, ftpStepQuit});
}

void TCustomFtpClientEx::RenameAsync() {
  StartCompound(ftpRenameAsync, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepRenFrom,
                                 ftpStepRenTo, ftpStepQuit});
}

void TCustomFtpClientEx::RenAsync() {
  StartCompound(ftpRenAsync, {ftpStepRenFrom, ftpStepRenTo});
}

// ---- Compound requests with a transfer

void TCustomFtpClientEx::ReceiveAsync() {
  StartCompound(ftpReceiveAsync, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepTypeSet,
                                  ftpStepPort, ftpStepGet, ftpStepQuit});
}

void TCustomFtpClientEx::GetAsync() {
  StartCompound(ftpGetAsync, {ftpStepPort, ftpStepGet});
}

void TCustomFtpClientEx::RestGetAsync() {
  StartCompound(ftpRestGetAsync, {ftpStepPort, ftpStepRest, ftpStepGet});
}

void TCustomFtpClientEx::RestartGetAsync() {
  StartCompound(ftpRestartGetAsync,
                {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepTypeSet, ftpStepPort,
                 ftpStepRest, ftpStepGet, ftpStepQuit});
}

void TCustomFtpClientEx::PutAsync() {
  StartCompound(ftpPutAsync, {ftpStepPort, ftpStepPut});
}

void TCustomFtpClientEx::RestPutAsync() {
  StartCompound(ftpRestPutAsync, {ftpStepPort, ftpStepRest, ftpStepPut});
}

void TCustomFtpClientEx::RestartPutAsync() {
  StartCompound(ftpRestartPutAsync,
                {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepTypeSet, ftpStepPort,
                 ftpStepRest, ftpStepPut, ftpStepQuit});
}

void TCustomFtpClientEx::TransmitAsync() {
  StartCompound(ftpTransmitAsync, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd,
                                   ftpStepTypeSet, ftpStepPort, ftpStepPut, ftpStepQuit});
}

void TCustomFtpClientEx::AppendAsync() {
  StartCompound(ftpAppendAsync, {ftpStepPort, ftpStepAppend});
}

void TCustomFtpClientEx::TransmitAppendAsync() {
  StartCompound(ftpTransmitAsync, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd,
                                   ftpStepTypeSet, ftpStepPort, ftpStepAppend, ftpStepQuit});
}

void TCustomFtpClientEx::DirAsync() {
  StartCompound(ftpDirAsync, {ftpStepPort, ftpStepDir});
}

void TCustomFtpClientEx::DirectoryAsync() {
  StartCompound(ftpDirectoryAsync, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepPort,
                                    ftpStepDir, ftpStepQuit});
}

void TCustomFtpClientEx::LsAsync() {
  StartCompound(ftpLsAsync, {ftpStepPort, ftpStepLs});
}

void TCustomFtpClientEx::ListAsync() {
  StartCompound(ftpListAsync, {ftpStepOpen, ftpStepUser, ftpStepPass, ftpStepCwd, ftpStepPort,
                               ftpStepLs, ftpStepQuit});
}
