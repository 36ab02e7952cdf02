#include "evtx/file_source.h"

#include <algorithm>

namespace tav::evtx {

std::size_t FileSource::ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size)
{
    if (offset >= size_)
        return 0;
    size = static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - offset));
    std::size_t got = 0;
    while (got < size) {
        const std::size_t n = ReadSome(offset + got, out + got, size - got);
        if (n == 0)
            break;
        got += n;
    }
    if (got != size)
        failed_ = true;
    return got;
}

}  // namespace tav::evtx
