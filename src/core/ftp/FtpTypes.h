#pragma once

#include <QFlags>
#include <QString>
#include <exception>
#include <functional>

class TCustomFtpClientEx;

// Request kinds reported by OnRequestDone; the order is part of the interface.
enum TFtpRequest {
  ftpNone,
  ftpOpenAsync,
  ftpUserAsync,
  ftpPassAsync,
  ftpCwdAsync,
  ftpConnectAsync,
  ftpReceiveAsync,
  ftpDirAsync,
  ftpLsAsync,
  ftpPortAsync,
  ftpGetAsync,
  ftpDirectoryAsync,
  ftpListAsync,
  ftpSystemAsync,
  ftpSystAsync,
  ftpQuitAsync,
  ftpAbortXferAsync,
  ftpSizeAsync,
  ftpPutAsync,
  ftpAppendAsync,
  ftpFileSizeAsync,
  ftpRqAbort,
  ftpMkdAsync,
  ftpRmdAsync,
  ftpRenameAsync,
  ftpDeleAsync,
  ftpRenAsync,
  ftpRenToAsync,
  ftpRenFromAsync,
  ftpDeleteAsync,
  ftpMkdirAsync,
  ftpRmdirAsync,
  ftpPwdAsync,
  ftpQuoteAsync,
  ftpCDupAsync,
  ftpDoQuoteAsync,
  ftpTransmitAsync,
  ftpTypeSetAsync,
  ftpRestAsync,
  ftpRestGetAsync,
  ftpRestartGetAsync,
  ftpRestPutAsync,
  ftpRestartPutAsync
};

enum TFtpConnectionType { ftpDirect, ftpProxy, ftpSocks4, ftpSocks4A, ftpSocks5 };

enum TFtpShareMode {
  ftpShareCompat,
  ftpShareExclusive,
  ftpShareDenyWrite,
  ftpShareDenyRead,
  ftpShareDenyNone
};

enum TFtpOption {
  ftpAcceptLF = 0x1,        // a reply line may end with LF alone
  ftpNoAutoResumeAt = 0x2,  // the resume step does not take the local file's size
};
Q_DECLARE_FLAGS(TFtpOptions, TFtpOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFtpOptions)

enum TFTPConnectState {
  ftpConStateDNSLookup,
  ftpConStateDNSLookupDone,
  ftpConStateContact,
  ftpConStateContacted,
  ftpConStateConnected,
  ftpConStateClosed
};

enum TFtpEngineState {
  ftpStateNotConnected,
  ftpStateReady,
  ftpStateStepReady,
  ftpStateResolving,
  ftpStateConnected,
  ftpStateAborting,
  ftpStateUnused,  // kept so the values keep their numbers; never entered
  ftpStateWaitBanner,
  ftpStateWaitReply
};

// The steps of compound requests, in their numbering order (the running order is another).
enum TFtpStep {
  ftpStepNone,
  ftpStepOpen,
  ftpStepUser,
  ftpStepPass,
  ftpStepCwd,
  ftpStepSize,
  ftpStepMkd,
  ftpStepRmd,
  ftpStepRenFrom,
  ftpStepRenTo,
  ftpStepGet,
  ftpStepDir,
  ftpStepQuit,
  ftpStepSyst,
  ftpStepDele,
  ftpStepPwd,
  ftpStepQuote,
  ftpStepPut,
  ftpStepTypeSet,
  ftpStepRest,
  ftpStepCDup,
  ftpStepLs,
  ftpStepAppend,
  ftpStepPort,
  ftpStepAbortXfer
};

// A set of steps, one bit per step.
class TFtpSteps {
 public:
  TFtpSteps() = default;
  TFtpSteps(std::initializer_list<TFtpStep> steps) {
    for (TFtpStep step : steps) Include(step);
  }
  void Include(TFtpStep step) { m_bits |= Bit(step); }
  void Exclude(TFtpStep step) { m_bits &= ~Bit(step); }
  bool Contains(TFtpStep step) const { return (m_bits & Bit(step)) != 0; }
  bool IsEmpty() const { return m_bits == 0; }
  void Clear() { m_bits = 0; }

 private:
  static quint32 Bit(TFtpStep step) { return quint32(1) << static_cast<int>(step); }
  quint32 m_bits = 0;
};

// Event types; every handler gets the engine as Sender.
using TFtpDisplay = std::function<void(TCustomFtpClientEx* Sender, QString& Msg)>;
using TFtpCommand = std::function<void(TCustomFtpClientEx* Sender, QString& Cmd)>;
using TFtpNotifyEvent = std::function<void(TCustomFtpClientEx* Sender)>;
using TSessionConnected = std::function<void(TCustomFtpClientEx* Sender, int Error)>;
using TSessionClosed = std::function<void(TCustomFtpClientEx* Sender, int Error)>;
using TFtpRequestDone =
    std::function<void(TCustomFtpClientEx* Sender, TFtpRequest RqType, quint16 Error)>;
using TFtpProgress = std::function<void(TCustomFtpClientEx* Sender, qint64 Count, bool& Abort)>;
using TFtpReadyToTransmit = std::function<void(TCustomFtpClientEx* Sender, bool& bCancel)>;
using TBgExceptionEvent =
    std::function<void(TCustomFtpClientEx* Sender, const std::exception& E, bool& CanClose)>;
using TFtpTransferStateEvent = std::function<void(TCustomFtpClientEx* Sender, qint64 position,
                                                  qint64 transfered, double elapsed)>;
using TFTPConnectStateEvent =
    std::function<void(TCustomFtpClientEx* Sender, TFTPConnectState state)>;
