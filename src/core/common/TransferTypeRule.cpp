#include "core/common/TransferTypeRule.h"

#include <algorithm>

QString FileExtension(const QString& fileName) {
  const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
  const qsizetype slash =
      std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
  return dot < 0 || dot < slash ? QString() : fileName.mid(dot);
}

TFTPTransferType TransferTypeForFile(const QString& fileName, TFTPTransferType type,
                                     const QStringList& asciiExts) {
  if (type != ftpTypeAuto) return type;
  const QString ext = FileExtension(fileName).toLower();
  return asciiExts.contains(ext, Qt::CaseSensitive) ? ftpTypeASCII : ftpTypeBinary;
}
