#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "core/settings/RegistryStore.h"

// The .reg text form of the store: a header line, then one "[HKEY_CURRENT_USER\...]" section
// per key followed by its values ("Name"="text", "Name"=dword:0000002a, @="default").
// Strings escape "\" and '"' with a backslash, and line breaks as \n and \r. Values of other
// types ("hex:...") may run over several lines, each but the last ending in a backslash; they
// are kept on one line, without a trailing backslash, so a saved file reads back the same.
namespace RegistryFormat {

inline constexpr char kHeader[] = "Windows Registry Editor Version 5.00";
inline constexpr char kHive[] = "HKEY_CURRENT_USER";

// Deeper keys are refused on load (the file counts as damaged) and by the store, which keeps
// every walk over the tree shallow and the size of a saved file bounded.
inline constexpr int kMaxKeyDepth = 256;

// Fills `root` with what can be read from `bytes` and lists what could not in `problems`.
void Parse(const QByteArray& bytes, RegistryStore::Key& root, QStringList& problems);

QString Serialize(const RegistryStore::Key& root);

// Splits a key path at backslashes, skipping empty parts.
QStringList SplitPath(const QString& path);

}  // namespace RegistryFormat
