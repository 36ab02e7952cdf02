// CRC-32 as zlib computes it (IEEE polynomial, reflected), used for the
// file-header and chunk checksums.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tav::evtx {

// Continues a running CRC; start with 0. Every chunk's data is checked, so
// this folds with carry-less multiplies where the processor has them and
// falls back to tables elsewhere.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

// The table version on every processor, for comparing the two.
std::uint32_t Crc32Table(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace tav::evtx
