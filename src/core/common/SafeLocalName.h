#pragma once

#include <QString>

// Names that come from a server (listings, queue items made from listings) become local paths
// only through these helpers, so a hostile server cannot write outside the folder the user
// chose ("../x", "/etc/x", "a/../../x").

// True when `name` is one safe path component: not empty, not "." or "..", without "/" or NUL
// (nor "\" or ":" on Windows).
bool IsSafeLocalName(const QString& name);

// `folder` joined with `name` by the native separator when the name is safe and the result
// stays inside `folder` (an empty folder is the working folder); empty otherwise.
QString SafeLocalPath(const QString& folder, const QString& name);

// The log text for a skipped name, with control characters shown as \xNN so the line stays
// one line: "Unsafe file name from the server skipped: [..]".
QString UnsafeNameText(const QString& name);
