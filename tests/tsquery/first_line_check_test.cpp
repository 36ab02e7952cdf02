#include "tsquery/first_line_check.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace tav::tsquery {
namespace {

RawOutputBuffer Buffer(std::initializer_list<const char*> lines)
{
    RawOutputBuffer buffer;
    for (const char* line : lines)
        buffer.Append(line);
    return buffer;
}

TEST(FirstLineCheck, LooksForTheFailureSignaturesInLineZero)
{
    const struct {
        RawOutputBuffer buffer;
        FirstLineFailure expected;
    } cases[] = {
        {Buffer({}), FirstLineFailure::None},
        {Buffer({"Get-WinEvent : The RPC server is unavailable"}), FirstLineFailure::Unreachable},
        {Buffer({"Get-WinEvent : No events were found that match the specified selection "
                 "criteria."}),
         FirstLineFailure::NotTerminalServer},
        {Buffer({"rpc server is unavailable"}), FirstLineFailure::None},
        {Buffer({"get-winevent : error"}), FirstLineFailure::None},
        {Buffer({""}), FirstLineFailure::None},
        {Buffer({"", "Get-WinEvent : The RPC server is unavailable"}), FirstLineFailure::None},
        {Buffer({"TimeCreated : 14.10.2016 9:05:11", "RPC"}), FirstLineFailure::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckFirstLine(c.buffer), c.expected)
            << (c.buffer.Count() != 0 ? c.buffer.Line(0) : "(empty buffer)");
    }
}

}  // namespace
}  // namespace tav::tsquery
