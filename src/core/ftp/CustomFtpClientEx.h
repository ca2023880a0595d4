#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QIODevice>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "core/ftp/FtpException.h"
#include "core/ftp/FtpTypes.h"
#include "core/ftp/HrpCounter.h"
#include "core/ftp/WSocket.h"

class QTimer;

// One asynchronous FTP client connection: the control connection, reply reading, the request
// machinery with single commands and compound requests, and the connection types. Every
// operation starts a request and returns at once; the request ends with OnRequestDone, which
// is always delivered later through the event loop of the engine's thread, never inside the
// call or the socket event that ended it. Single-threaded: create, drive and destroy it on one
// thread that runs an event loop.
//
// The data side (PASV/PORT, transfers, resume, progress) lives in CustomFtpClientExData.cpp;
// every data step runs through StartDataStep.
class TCustomFtpClientEx {
 public:
  TCustomFtpClientEx();
  virtual ~TCustomFtpClientEx();
  TCustomFtpClientEx(const TCustomFtpClientEx&) = delete;
  TCustomFtpClientEx& operator=(const TCustomFtpClientEx&) = delete;

  // ---- Properties
  QString HostName;
  QString Port = QStringLiteral("ftp");
  QString LocalAddr = QStringLiteral("0.0.0.0");
  QString UserName;
  QString PassWord;
  QString HostDirName;
  QString HostFileName;
  bool DisplayFileFlag = false;
  TFtpShareMode ShareMode = ftpShareDenyWrite;
  TFtpOptions Options = ftpAcceptLF;
  QString ProxyServer;
  QString LsOption = QStringLiteral("-a");
  // Seconds without a byte from the server while a reply, a data connection or data is
  // awaited before the request fails and the connection is closed; 0 waits without limit.
  // Read whenever a wait starts, so a change takes effect with the next command.
  int InactivityTimeout = 0;

  QString LocalFileName() const { return m_localFileName; }
  void SetLocalFileName(const QString& name);
  bool Binary() const { return m_typeLetter == QLatin1Char('I'); }
  void SetBinary(bool binary) { m_typeLetter = binary ? QLatin1Char('I') : QLatin1Char('A'); }
  QString ErrorMessage() const { return m_errorMessage; }
  TFtpConnectionType ConnectionType() const { return m_connectionType; }
  void SetConnectionType(TFtpConnectionType type);
  QString SocksServer() const;
  void SetSocksServer(const QString& server);
  QString SocksPort() const;
  void SetSocksPort(const QString& port);
  QString SocksUserCode() const;
  void SetSocksUserCode(const QString& userCode);
  QString SocksPassword() const;
  void SetSocksPassword(const QString& password);

  // ---- Events
  TFtpDisplay OnDisplay;
  TFtpDisplay OnDisplayFile;
  TFtpDisplay OnUsageError;
  TFtpCommand OnCommand;
  TFtpNotifyEvent OnResponse;
  TSessionConnected OnSessionConnected;
  TSessionClosed OnSessionClosed;
  TFtpRequestDone OnRequestDone;
  TFtpNotifyEvent OnStateChange;
  TFtpProgress OnProgress;
  TFtpReadyToTransmit OnReadyToTransmit;
  TBgExceptionEvent OnBgException;
  TFtpTransferStateEvent OnTransferState;
  TFTPConnectStateEvent OnConnectState;
  // The inactivity limit ended the running request; Msg is the "! " line also shown through
  // OnDisplay. Fired before the connection closes (OnSessionClosed follows, then the request
  // ends with 421).
  TFtpDisplay OnInactivityTimeout;

  // ---- Public fields
  TFtpEngineState State() const { return m_state; }
  int StatusCode = 0;
  QString LastResponse;
  bool Connected = false;
  bool Passive = false;
  QString ProxyPort = QStringLiteral("ftp");
  qint64 SizeResult = 0;
  QString DirResult;
  QString ResolvedAddr;
  qint64 ResumeAt = 0;
  qint64 ByteCount = 0;
  QIODevice* LocalStream = nullptr;
  QString PasvReply;

  TFtpRequest RequestType() const { return m_requestType; }
  int RequestResult() const { return m_requestResult; }
  TWSocket* ControlSocket() const { return m_controlSocket.get(); }
  TWSocket* DataSocket() const { return m_dataSocket.get(); }

  // ---- Operations
  virtual void OpenAsync();
  virtual void UserAsync();
  virtual void PassAsync();
  virtual void ConnectAsync();
  virtual void QuitAsync();
  virtual void Abort();
  virtual void TypeSetAsync();
  virtual void TypeBinaryAsync();
  virtual void TypeAsciiAsync();
  virtual void PwdAsync();
  virtual void CwdAsync();
  virtual void CDupAsync();
  virtual void SystAsync();
  virtual void SystemAsync();
  virtual void SizeAsync();
  virtual void FileSizeAsync();
  virtual void MkdAsync();
  virtual void MkdirAsync();
  virtual void RmdAsync();
  virtual void RmdirAsync();
  virtual void DeleAsync();
  virtual void DeleteAsync();
  virtual void RenFromAsync();
  virtual void RenToAsync();
  virtual void RenAsync();
  virtual void RenameAsync();
  virtual void QuoteAsync();
  virtual void DoQuoteAsync();
  virtual void AbortXferAsync();
  // Compound requests that carry a transfer; their data steps go through StartDataStep.
  virtual void ReceiveAsync();
  virtual void GetAsync();
  virtual void RestGetAsync();
  virtual void RestartGetAsync();
  virtual void PutAsync();
  virtual void RestPutAsync();
  virtual void RestartPutAsync();
  virtual void TransmitAsync();
  virtual void AppendAsync();
  virtual void TransmitAppendAsync();
  virtual void DirAsync();
  virtual void DirectoryAsync();
  virtual void LsAsync();
  virtual void ListAsync();
  // Data steps; each also runs alone (then it reports its own kind).
  virtual void PortAsync();
  virtual void RestAsync();
  virtual void DataRetrAsync();
  virtual void DataListAsync();
  virtual void DataNlstAsync();
  virtual void DataStorAsync();
  virtual void DataAppeAsync();

  // Data connections use PASV; forced on for every connection type but ftpDirect.
  void SetPassive(bool value);
  // Closes LocalStream when the engine opened it; a caller's stream is left alone.
  void CloseLocalStream();
  // A caller's stream for the next transfer; the engine never frees it. nullptr withdraws it.
  void SetLocalStream(QIODevice* stream);

 protected:
  using Handler = std::function<void()>;

  // Sends one command. `accepted` empty: any code below 500 is a success.
  void IssueCommand(TFtpRequest kind, const QString& line, std::initializer_list<int> accepted,
                    Handler doneHandler = nullptr);
  void FinishRequest(int error);
  void StartCompound(TFtpRequest kind, const TFtpSteps& steps);
  void RunNextStep();
  // Starts a step that belongs to the data side (Port, Rest, Get, Put, Append, Dir, Ls).
  virtual void StartDataStep(TFtpStep step);
  void RaiseError(const QString& text);
  bool CheckReady();
  void SetState(TFtpEngineState state);
  void ShowReply();
  void RecordErrorMessage();
  void SetErrorMessage(const QString& text) { m_errorMessage = text; }
  void SetRequestResult(int result) { m_requestResult = result; }
  void SetNextReplyHandler(Handler handler) { m_next = std::move(handler); }
  // The default reply handler.
  void HandleReply();
  // The request kind of an operation run alone; a compound request keeps its own.
  void SetRequestTypeAlone(TFtpRequest kind);
  void SetCurrentStep(TFtpStep step) { m_currentStep = step; }
  TFtpStep CurrentStep() const { return m_currentStep; }
  bool StepPending(TFtpStep step) const { return m_pendingSteps.Contains(step); }
  bool CompoundRunning() const { return m_compound; }
  TFtpStep PreviousStep() const { return m_previousStep; }
  void ClearDoneGuard() { m_doneGuard = false; }

  virtual void SendCommand(const QString& line);
  virtual void DoDisplay(const QString& text);
  virtual void DoUsageError(const QString& text);
  virtual bool DoProgress();
  virtual void HandleBackgroundException(const std::exception& error);
  // Runs `call` later on the engine's thread, after the current handler has returned.
  void PostDeferred(std::function<void()> call);

 private:
  void ControlDnsLookupDone(int error);
  void ControlSessionConnected(int error);
  void ControlDataAvailable(int error);
  void ControlSessionClosed(int error);
  void ProcessReplyLine(int dataError, bool& stop);
  void SocketFailure(int error);  // "500 <text> (Winsock error #n)"
  void CloseControl();
  void QuitDone();
  void DeliverRequestDone(int error);
  void StartStep(TFtpStep step);
  void ApplySocks(const std::function<void(TWSocket*)>& change);
  QString UserLine() const;

  // ---- Inactivity limit: one single-shot timer that runs while an open request awaits the
  // server and restarts on every sign of life from it.
  void WatchServer();  // a wait for the server begins now
  void ServerAlive();  // a byte came in, a data connection was made or the peer took data
  void StopWatching();
  void InactivityExpired();

  // ---- Data side
  enum class DataVerb { Retr, List, Nlst };
  void StartDownload(DataVerb verb);
  void StartUpload(bool append);
  // The data port of PasvReply; false when the reply does not hold a usable one.
  bool ReadPasvPort(quint16& port) const;
  // Points the data socket at the server's data port; false (with `failure`) when it cannot.
  bool ConnectPassive(QString& failure);
  // Ends the running transfer with `code` and `response` as the error line.
  void FailTransfer(int code, const QString& response, bool display);
  void ClearDataHandlers();
  void CloseDataQuietly();
  // Closes the data connection for an abort: whatever the system still holds is dropped.
  void DropDataConnection();
  void DownloadConnected(int error);
  void DownloadAccept();
  void DownloadFirstReply();
  void DownloadSecondReply();
  void ReceiveData();
  void DownloadClosed(int error);
  void TransferEndCheck(bool closedFlag);
  void UploadConnected(int error);
  void UploadAccept();
  void UploadFirstReply();
  void UploadSecondReply();
  void StartSending();
  // Sends blocks while the system takes them (the data socket's can-send event).
  void SendBlocks();
  // One block: the count the system took, 0 when it takes no more for now, -1 when sending
  // has ended (end of the source, or a failure already handled).
  qint64 SendBlock();
  qint64 FinishSending();
  qint64 FailReading();
  // True when the peer has acknowledged upload bytes since the last look: alive, though the
  // system's buffer may take many seconds to have room for another block.
  bool UploadDrained();
  void UploadClosed(int error);
  void TransferTick();
  void ShowTransferStats();
  void DisplayFileBlock(const char* data, qint64 size);
  QString DataCommandLine() const;
  static qint64 LocalFileSize(const QString& name);

  TFtpEngineState m_state = ftpStateReady;
  TFtpRequest m_requestType = ftpNone;
  int m_requestResult = 0;
  QString m_errorMessage;
  QString m_localFileName;
  QChar m_typeLetter = QLatin1Char('I');
  TFtpConnectionType m_connectionType = ftpDirect;

  std::unique_ptr<QObject> m_notifier;  // target of the deferred calls
  std::unique_ptr<TWSocket> m_controlSocket;
  std::unique_ptr<TWSocket> m_dataSocket;
  std::unique_ptr<QTimer> m_inactivityTimer;
  QElapsedTimer m_sinceServerLife;  // since the last sign of life of the server
  int m_watchSeconds = 0;           // the limit of the wait in progress

  // Compound request
  TFtpSteps m_pendingSteps;
  TFtpStep m_currentStep = ftpStepNone;
  TFtpStep m_previousStep = ftpStepNone;
  int m_finalError = 0;
  bool m_compound = false;
  QString m_savedResponse;
  int m_savedCode = -1;
  Handler m_nextStep;

  // Current command
  bool m_doneGuard = true;
  std::vector<int> m_accepted;
  Handler m_next;
  Handler m_doneHandler;
  bool m_usageError = false;
  QString m_lastUsageError;
  bool m_engineClosing = false;
  bool m_callerStream = false;

  // Transfer
  QString m_dataVerb;  // "RETR", "LIST -a", ...
  bool m_appendFlag = false;
  qint64 m_startTick = 0;
  qint64 m_endTick = 0;
  bool m_replyComplete = false;
  bool m_receiveClosed = false;
  bool m_storeClosed = false;
  int m_dataCloseError = 0;
  bool m_serverReady = false;
  bool m_dataAccepted = false;
  bool m_endOfFile = false;
  bool m_sendingStarted = false;
  QByteArray m_sendBuffer;  // the block read from the source, sent from m_sendPosition on
  qsizetype m_sendPosition = 0;
  qint64 m_sendQueued = -1;  // unacknowledged upload bytes at the last look
  // A local read or write failed: the transfer cannot end as a success whatever the server says.
  QString m_localFailure;
  THrpCounter m_counter;
  std::vector<char> m_dataBuffer;

  // Replies are cut into lines in place in this buffer; one byte stays free.
  static constexpr int kReceiveBufferSize = 4096;
  char m_receiveBuffer[kReceiveBufferSize] = {};
  int m_receiveCount = 0;
  bool m_skippingLongLine = false;
};
