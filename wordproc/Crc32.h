// The CRC-32 that zip packages store for each part (the reflected
// polynomial 0xEDB88320, as gzip and PNG use).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaly::wordproc {

// The CRC of the bytes so far (crc, 0 before any) followed by n more.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t n);

}  // namespace tessaly::wordproc
