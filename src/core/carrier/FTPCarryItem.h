#pragma once

#include <QString>
#include <QtGlobal>

#include "core/common/FtpTransferType.h"

class ICarrier;

enum TFTPCarryDirection : quint8 {
  carryDownload = 0,  // server to local folder
  carryUpload = 1,    // local folder to server
  carryServerToServer = 2,
};

// One file or folder the transfer queue is to carry. Server paths end in "/", local paths in
// the native path delimiter; the full source is SrcPath + FileName, the full destination
// DestPath + FileName.
class TFTPCarryItem {
 public:
  quint8 IsFolder = 0;  // 1: explored folder, 0: file carried directly
  quint8 Direction = carryDownload;
  QString FileName;
  QString SrcHostName;
  QString SrcPort;
  QString SrcUserName;
  QString SrcPassword;
  QString SrcPath;
  quint8 SrcTransferType = ftpTypeAuto;
  QString SrcLsOption;
  QString DestHostName;
  QString DestPort;
  QString DestUserName;
  QString DestPassword;
  QString DestPath;
  quint8 DestTransferType = ftpTypeAuto;
  QString DestLsOption;
  bool ResumeTransfer = false;
  qint64 FileSize = -1;  // -1 when unknown (folders)
  int ImageIndex = -1;
  QString TypeName;
  bool PassiveMode = true;
  ICarrier* Carrier = nullptr;  // set while a carrier runs the item; not owned
  // Set by an explore for an entry that must never be carried (a server name that is not a
  // safe single name): the queue lists the item as failed with this text.
  QString Refusal;

  QString SourcePath() const { return SrcPath + FileName; }
  QString DestinationPath() const { return DestPath + FileName; }

  // The texts the queue lists show.
  QString CommandText() const;       // "Carry" or "Explore"
  QString SizeText() const;          // decimal, empty below 0
  QString TransferTypeText() const;  // by direction; "%s %s" for server to server
  QString ResumeText() const;        // "Yes" or "No"
  QString SourceText() const;        // SrcHostName + SrcPath
  QString DestinationText() const;   // DestHostName + DestPath
};

// "ASCII", "Binary" or "Auto".
QString TransferTypeName(quint8 type);
