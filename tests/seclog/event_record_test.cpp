#include "seclog/event_record.h"

#include <gtest/gtest.h>

#include "base/codepage.h"
#include "seclog/utf16le.h"
#include "test_records.h"

namespace tav::seclog {
namespace {

using test::Encoded;
using test::ExactBytes;
using Bytes = std::vector<std::uint8_t>;

std::uint32_t U32At(const Bytes& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | bytes[offset + i];
    return value;
}

void PutU32At(Bytes& bytes, std::size_t offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The fixed header (Length, NumStrings, StringOffset set) followed by `tail`.
Bytes RawRecord(const Bytes& tail, std::uint16_t numStrings, std::uint32_t stringOffset = 56)
{
    Bytes bytes(kRecordHeaderSize + tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        bytes[kRecordHeaderSize + i] = tail[i];
    PutU32At(bytes, 0, static_cast<std::uint32_t>(bytes.size()));
    bytes[26] = static_cast<std::uint8_t>(numStrings);
    bytes[27] = static_cast<std::uint8_t>(numStrings >> 8);
    PutU32At(bytes, 36, stringOffset);
    return bytes;
}

TEST(EventRecord, EncodesAndDecodesEveryField)
{
    LegacyRecord first;
    first.recordNumber = 4294967295u;
    first.timeGenerated = 1700000000;
    first.timeWritten = 1700000003;
    first.eventId = 0x00011210;  // qualifiers 1, event 4624
    first.sourceName = "Security";
    first.computerName = "ПК-01";
    first.strings = {"", "Пётр Иванов", "\xF0\x9D\x84\x9E clef", "-", ""};
    Bytes bytes = Encoded(first);
    ASSERT_EQ(bytes.size() % 4, 0u);
    EXPECT_EQ(U32At(bytes, 0), bytes.size());
    EXPECT_EQ(U32At(bytes, bytes.size() - 4), bytes.size());
    EXPECT_EQ(U32At(bytes, 4), kRecordSignature);
    EXPECT_EQ(U32At(bytes, 48), 0u);  // DataLength

    const LegacyRecord second = test::OtherEvent(7, 8, 4634, 0, 0);
    EncodeRecord(second, bytes);
    const ExactBytes exact(bytes);
    RecordWalker walker(exact.Span());
    RecordView view;
    ASSERT_EQ(walker.Next(view), WalkStep::Record);
    EXPECT_EQ(view.bytes.size(), U32At(bytes, 0));
    EXPECT_EQ(view.recordNumber, 4294967295u);
    EXPECT_EQ(view.timeGenerated, 1700000000u);
    EXPECT_EQ(view.timeWritten, 1700000003u);
    EXPECT_EQ(view.eventId, 0x00011210u);
    EXPECT_EQ(view.numStrings, 5);
    EXPECT_EQ(InsertionStrings(view), first.strings);

    ASSERT_EQ(walker.Next(view), WalkStep::Record);
    EXPECT_EQ(view.recordNumber, 7u);
    EXPECT_EQ(view.eventId, 4634u);
    EXPECT_EQ(InsertionStrings(view), std::vector<std::string>{});
    EXPECT_EQ(walker.Next(view), WalkStep::End);
    EXPECT_EQ(walker.Next(view), WalkStep::End);
}

TEST(EventRecord, MalformedLengthsStopTheWalk)
{
    const Bytes one = Encoded(test::Logon(1, 100, "anna", "2", "PC1"));
    const Bytes two = [&] {
        Bytes both = one;
        EncodeRecord(test::Logon(2, 90, "boris", "3", "PC2"), both);
        return both;
    }();
    struct Case {
        const char* name;
        Bytes bytes;
        int recordsBefore;
    };
    Bytes zero = two, short55 = two, huge = two, tooLong = two;
    PutU32At(zero, 0, 0);
    PutU32At(short55, 0, 55);
    PutU32At(huge, 0, 0xFFFFFFFF);
    PutU32At(tooLong, one.size(), static_cast<std::uint32_t>(two.size() - one.size() + 4));
    Bytes cut(two.begin(), two.end() - 1);
    Bytes shortTail = one;
    shortTail.resize(one.size() + 20);
    const Case cases[] = {
        {"Length 0", zero, 0},
        {"Length below the header", short55, 0},
        {"Length 0xFFFFFFFF", huge, 0},
        {"Length past the bytes read", tooLong, 1},
        {"last record cut short", cut, 1},
        {"fewer bytes than a header left", shortTail, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ExactBytes exact(c.bytes);
        RecordWalker walker(exact.Span());
        RecordView view;
        for (int i = 0; i < c.recordsBefore; ++i)
            ASSERT_EQ(walker.Next(view), WalkStep::Record);
        EXPECT_EQ(walker.Next(view), WalkStep::Malformed);
        EXPECT_EQ(walker.Next(view), WalkStep::Malformed);
    }
}

TEST(EventRecord, InsertionStringsStayInsideTheRecord)
{
    using Strings = std::optional<std::vector<std::string>>;
    struct Case {
        const char* name;
        Bytes record;
        Strings expected;
    };
    const Case cases[] = {
        {"empty strings", RawRecord({0, 0, 0, 0}, 2), std::vector<std::string>{"", ""}},
        {"no strings, offset outside", RawRecord({}, 0, 9999), std::vector<std::string>{}},
        {"offset past the record", RawRecord({'a', 0, 0, 0}, 1, 62), std::nullopt},
        {"offset inside the header", RawRecord({'a', 0, 0, 0}, 1, 8), std::nullopt},
        {"unterminated", RawRecord({'a', 0, 'b', 0}, 1), std::nullopt},
        {"odd trailing byte", RawRecord({'a', 0, 'b'}, 1), std::nullopt},
        {"second unterminated", RawRecord({'a', 0, 0, 0, 'b', 0}, 2), std::nullopt},
        {"more strings than there are", RawRecord({'a', 0, 0, 0}, 2), std::nullopt},
        {"unpaired surrogate", RawRecord({0x00, 0xD8, 'a', 0, 0, 0}, 1),
         std::vector<std::string>{"\xEF\xBF\xBD" "a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ExactBytes exact(c.record);
        RecordWalker walker(exact.Span());
        RecordView view;
        ASSERT_EQ(walker.Next(view), WalkStep::Record);
        EXPECT_EQ(InsertionStrings(view), c.expected);
    }
}

TEST(EventRecord, StringWalkerReportsWhereTheStringsBreak)
{
    const ExactBytes exact(RawRecord({'a', 0, 0, 0, 'b', 0}, 2));
    RecordWalker walker(exact.Span());
    RecordView view;
    ASSERT_EQ(walker.Next(view), WalkStep::Record);
    StringWalker strings(view);
    EXPECT_EQ(strings.Next(), "a");
    EXPECT_FALSE(strings.Malformed());
    EXPECT_EQ(strings.Next(), std::nullopt);
    EXPECT_TRUE(strings.Malformed());
    EXPECT_EQ(strings.Next(), std::nullopt);
}

}  // namespace
}  // namespace tav::seclog

namespace tav::seclog {
namespace {

// The texts of a legacy record are written as UTF-16LE: ASCII widened in
// place, the rest (and what follows it) as the UTF-8 reader takes it.
TEST(EventRecord, TextsBecomeUtf16le)
{
    const struct {
        std::string utf8;
        std::u16string utf16;
    } kCases[] = {
        {"", u""},
        {"CORP\\admin", u"CORP\\admin"},
        {"\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", u"\u0418\u0432\u0430\u043D"},
        {"ab\xD0\x98" "cd", u"ab\u0418cd"},
        {"x\xF0\x9F\x98\x80", u"x\U0001F600"},
        {"ok\xFFz", u"ok\uFFFDz"},
    };
    for (const auto& c : kCases) {
        Bytes out = {0x7F};
        AppendUtf16le(c.utf8, out);
        Bytes expected = {0x7F};
        for (const char16_t unit : c.utf16) {
            expected.push_back(static_cast<std::uint8_t>(unit & 0xFF));
            expected.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        EXPECT_EQ(out, expected) << c.utf8;
        EXPECT_EQ(Utf16leToUtf8({out.data() + 1, out.size() - 1}), Utf16ToUtf8(c.utf16)) << c.utf8;
    }
}

}  // namespace
}  // namespace tav::seclog
