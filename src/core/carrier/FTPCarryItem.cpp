#include "core/carrier/FTPCarryItem.h"

QString TransferTypeName(quint8 type) {
  switch (type) {
    case ftpTypeASCII:
      return QStringLiteral("ASCII");
    case ftpTypeBinary:
      return QStringLiteral("Binary");
    case ftpTypeAuto:
      return QStringLiteral("Auto");
    default:
      return QString();
  }
}

QString TFTPCarryItem::CommandText() const {
  return IsFolder == 0 ? QStringLiteral("Carry") : QStringLiteral("Explore");
}

QString TFTPCarryItem::SizeText() const {
  return FileSize < 0 ? QString() : QString::number(FileSize);
}

QString TFTPCarryItem::TransferTypeText() const {
  switch (Direction) {
    case carryDownload:
      return TransferTypeName(SrcTransferType);
    case carryUpload:
      return TransferTypeName(DestTransferType);
    default:
      return QStringLiteral("%1 %2").arg(TransferTypeName(SrcTransferType),
                                         TransferTypeName(DestTransferType));
  }
}

QString TFTPCarryItem::ResumeText() const {
  return ResumeTransfer ? QStringLiteral("Yes") : QStringLiteral("No");
}

QString TFTPCarryItem::SourceText() const {
  return SrcHostName + SrcPath;
}

QString TFTPCarryItem::DestinationText() const {
  return DestHostName + DestPath;
}
