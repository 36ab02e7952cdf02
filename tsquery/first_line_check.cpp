#include "tsquery/first_line_check.h"

#include <string_view>

namespace tav::tsquery {

FirstLineFailure CheckFirstLine(const RawOutputBuffer& buffer)
{
    if (buffer.Count() == 0)
        return FirstLineFailure::None;
    const std::string_view line = buffer.Line(0);
    if (line.find("RPC") != std::string_view::npos)
        return FirstLineFailure::Unreachable;
    if (line.find("Get-WinEvent") != std::string_view::npos)
        return FirstLineFailure::NotTerminalServer;
    return FirstLineFailure::None;
}

}  // namespace tav::tsquery
