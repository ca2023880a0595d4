#pragma once

#include <QByteArray>
#include <QString>

// What the settings fuzzer checks and the regression test replays: a file is read, saved and
// read again. The second reading must find the keys and values of the first and no problem,
// and saving it again must give the same text. Returns what went wrong, or an empty text.
QString RegistryRoundTripFault(const QByteArray& bytes);
