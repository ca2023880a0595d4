#pragma once

#include <cstdint>

// Stored as a 32-bit integer 0, 1 or 2 in site records; values outside are kept as they are.
enum TFTPTransferType : std::uint8_t {
  ftpTypeASCII = 0,
  ftpTypeBinary = 1,
  ftpTypeAuto = 2,
};
