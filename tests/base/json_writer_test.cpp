// The JSON writer: commas and colons in their places however values nest,
// numbers of every width, and the escaping chosen for keys and texts alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <limits>

#include "base/json_writer.h"

namespace tav {
namespace {

TEST(JsonWriter, WritesWhatIsAsked)
{
    const struct {
        JsonEscaping escaping;
        std::function<void(JsonWriter&)> write;
        const char* json;
    } kCases[] = {
        {JsonEscaping::Plain,
         [](JsonWriter& j) {
             j.BeginObject().Key("a").BeginArray().Number(1).BeginArray().EndArray().BeginObject().EndObject().EndArray();
             j.Key("b").BeginObject().Key("c").Null().EndObject().Key("d").Text("x").EndObject();
         },
         R"({"a":[1,[],{}],"b":{"c":null},"d":"x"})"},
        {JsonEscaping::Plain,
         [](JsonWriter& j) {
             j.BeginArray().Number(std::numeric_limits<std::int64_t>::min()).Number(-1);
             j.Number(std::numeric_limits<std::uint64_t>::max()).EndArray();
         },
         "[-9223372036854775808,-1,18446744073709551615]"},
        {JsonEscaping::Plain, [](JsonWriter& j) { j.BeginObject().Key("<\n>").Text("&\"").EndObject(); },
         R"({"<\n>":"&\""})"},
        {JsonEscaping::InScript, [](JsonWriter& j) { j.BeginObject().Key("</script>").Text("a&b\u2028").EndObject(); },
         R"({"\u003c/script\u003e":"a\u0026b\u2028"})"},
        // Runs of plain ASCII between what is escaped or decoded: controls,
        // DEL as it is, UTF-8, a byte of no character as U+FFFD.
        {JsonEscaping::Plain, [](JsonWriter& j) { j.Text("ab\x01" "cd\x7f\xc3\xa9\xff z\\"); },
         "\"ab\\u0001cd\x7f\xc3\xa9\xef\xbf\xbd z\\\\\""},
        // Taken, the writer starts a new value with no comma before it.
        {JsonEscaping::Plain, [](JsonWriter& j) { j.BeginArray().Number(1).EndArray().Take(); j.Text("x"); }, R"("x")"},
    };
    for (const auto& c : kCases) {
        JsonWriter j(c.escaping);
        c.write(j);
        EXPECT_EQ(j.Take(), c.json);
    }
}

}  // namespace
}  // namespace tav
