#include "tsquery/line_assembler.h"
#include "tsquery/raw_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav::tsquery {
namespace {

using Lines = std::vector<std::string>;

// Every kind of line end, empty lines, code page 866 bytes ("Пользователь"),
// a tab, and a last line without a line end.
const std::string kStream =
    "first\r\nsecond\rthird\nfourth\r\r\nfifth\n\n\x8F\xAE\xAB\xEC\xA7\xAE\xA2\xA0\xE2\xA5\xAB\xEC"
    "\r\na\tb\r\n\r\nlast";
const Lines kStreamLines = {"first", "second", "third", "fourth", "", "fifth", "",
                            "\x8F\xAE\xAB\xEC\xA7\xAE\xA2\xA0\xE2\xA5\xAB\xEC", "a\tb", "", "last"};

Lines Assemble(const std::vector<std::string>& chunks)
{
    Lines lines;
    LineAssembler assembler([&lines](std::string_view line) { lines.emplace_back(line); });
    for (const std::string& chunk : chunks)
        assembler.Feed(chunk);
    assembler.Finish();
    return lines;
}

TEST(LineAssembler, SplitsTheStreamTheSameAtEveryOffset)
{
    for (std::size_t split = 0; split <= kStream.size(); ++split) {
        EXPECT_EQ(Assemble({kStream.substr(0, split), kStream.substr(split)}), kStreamLines)
            << "split at " << split;
    }
    std::vector<std::string> bytes;
    for (const char c : kStream)
        bytes.emplace_back(1, c);
    EXPECT_EQ(Assemble(bytes), kStreamLines);
}

TEST(LineAssembler, EndsOfTheStream)
{
    EXPECT_EQ(Assemble({}), Lines{});
    EXPECT_EQ(Assemble({"only"}), Lines{"only"});
    EXPECT_EQ(Assemble({"a\r"}), Lines{"a"});
    EXPECT_EQ(Assemble({"a\r", "\n"}), Lines{"a"});
    EXPECT_EQ(Assemble({"\r\n"}), Lines{""});
    EXPECT_EQ(Assemble({"a\n\r"}), (Lines{"a", ""}));
}

TEST(LineAssembler, FinishStartsAFreshStream)
{
    Lines lines;
    LineAssembler assembler([&lines](std::string_view line) { lines.emplace_back(line); });
    assembler.Feed("one\r");
    assembler.Finish();
    assembler.Feed("\ntwo");
    assembler.Finish();
    EXPECT_EQ(lines, (Lines{"one", "", "two"}));
}

TEST(RawOutputBuffer, StoresLinesWithTabsAsFourBlanks)
{
    RawOutputBuffer buffer;
    buffer.Append("a\tb");
    buffer.Append("\t\tend\t");
    buffer.Append("");
    ASSERT_EQ(buffer.Count(), 3u);
    EXPECT_EQ(buffer.Line(0), "a    b");
    EXPECT_EQ(buffer.Line(1), "        end    ");
    EXPECT_EQ(buffer.Line(2), "");
    EXPECT_THROW(buffer.Line(3), std::out_of_range);
    buffer.Clear();
    EXPECT_EQ(buffer.Count(), 0u);
}

}  // namespace
}  // namespace tav::tsquery
