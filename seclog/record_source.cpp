#include "seclog/record_source.h"

namespace tav::seclog {

ReadResult RecordSource::ReadNextOldestFirst(std::span<std::uint8_t>)
{
    ReadResult result;
    result.error = kErrorNotSupported;
    return result;
}

}  // namespace tav::seclog
