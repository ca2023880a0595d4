#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>

// A broken property is a finding like a crash: say what broke and stop, so libFuzzer keeps the
// input as a crash file.
inline void FuzzCheck(bool ok, const QString& what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", qPrintable(what));
  std::abort();
}
