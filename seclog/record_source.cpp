#include "seclog/record_source.h"

#include <algorithm>

#include "base/ascii.h"

namespace tav::seclog {

bool NamesSavedLog(std::string_view text)
{
    if (EndsWithIgnoringAsciiCase(text, ".evtx"))
        return true;
    const bool uncComputer =
        text.starts_with("\\\\") && text.find_first_of("\\/", 2) == std::string_view::npos;
    return !uncComputer && text.find_first_of("\\/") != std::string_view::npos;
}

namespace {

ReadResult NotSupported()
{
    ReadResult result;
    result.error = kErrorNotSupported;
    return result;
}

}  // namespace

ReadResult RecordSource::ReadNextOldestFirst(std::span<std::uint8_t>)
{
    return NotSupported();
}

ReadResult RecordSource::ReadNextDecoded(const DecodedTake&)
{
    return NotSupported();
}

}  // namespace tav::seclog
