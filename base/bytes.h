// Little-endian loads and stores on raw bytes. Callers check bounds first.
#pragma once

#include <cstdint>
#include <cstring>

namespace tav {

inline std::uint16_t LoadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t LoadU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t LoadU64(const std::uint8_t* p)
{
    return static_cast<std::uint64_t>(LoadU32(p)) | (static_cast<std::uint64_t>(LoadU32(p + 4)) << 32);
}

inline void StoreU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void StoreU32(std::uint8_t* p, std::uint32_t v)
{
    StoreU16(p, static_cast<std::uint16_t>(v));
    StoreU16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

inline void StoreU64(std::uint8_t* p, std::uint64_t v)
{
    StoreU32(p, static_cast<std::uint32_t>(v));
    StoreU32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace tav
