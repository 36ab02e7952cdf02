// CRC-32 as zlib computes it (IEEE polynomial, reflected), used for the
// file-header and chunk checksums.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tav::evtx {

// Continues a running CRC; start with 0.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace tav::evtx
