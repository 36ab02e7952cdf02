// JSON written value by value: the commas and colons between them come by
// themselves, and every key and text is escaped as AppendJsonString does.
#pragma once

#include <concepts>
#include <string>
#include <string_view>

namespace tav {

enum class JsonEscaping {
    Plain,
    InScript,  // also <, >, & and U+2028/2029: the JSON can stand inside an HTML <script> element
};

class JsonWriter {
public:
    explicit JsonWriter(JsonEscaping escaping = JsonEscaping::Plain) : escaping_(escaping) {}

    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }
    // In an object, before each value.
    JsonWriter& Key(std::string_view key);

    JsonWriter& Text(std::string_view utf8);
    template <std::integral Integer>
    JsonWriter& Number(Integer value)
    {
        return Literal(std::to_string(value));
    }
    JsonWriter& Null() { return Literal("null"); }

    // What was written; the writer starts again empty.
    std::string Take();

private:
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);
    JsonWriter& Literal(std::string_view text);
    void Separate();

    std::string out_;
    JsonEscaping escaping_;
    bool first_ = true;  // no comma before the next value: the first of its array or object, or a key's
};

}  // namespace tav
