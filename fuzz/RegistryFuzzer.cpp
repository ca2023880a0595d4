// The settings-file reader: read, save, read again; see RegistryRoundTrip.h.
#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "RegistryRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString fault = RegistryRoundTripFault(bytes);
  FuzzCheck(fault.isEmpty(), fault);
  return 0;
}
