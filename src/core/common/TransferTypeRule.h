#pragma once

#include <QString>
#include <QStringList>

#include "core/common/FtpTransferType.h"

// The extension of a file name from its last "." on, dot included; empty without a dot.
QString FileExtension(const QString& fileName);

// The type a file goes as: ASCII and Binary stand as they are; Auto is ASCII exactly when the
// lower-case extension equals an entry of `asciiExts`.
TFTPTransferType TransferTypeForFile(const QString& fileName, TFTPTransferType type,
                                     const QStringList& asciiExts);
