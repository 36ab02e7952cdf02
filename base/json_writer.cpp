#include "base/json_writer.h"

#include <utility>

#include "base/json_string.h"

namespace tav {

JsonWriter& JsonWriter::Key(std::string_view key)
{
    Text(key);
    out_ += ':';
    first_ = true;
    return *this;
}

JsonWriter& JsonWriter::Text(std::string_view utf8)
{
    Separate();
    AppendJsonString(out_, utf8, escaping_ == JsonEscaping::InScript);
    return *this;
}

std::string JsonWriter::Take()
{
    first_ = true;
    return std::exchange(out_, {});
}

JsonWriter& JsonWriter::Open(char bracket)
{
    Separate();
    out_ += bracket;
    first_ = true;
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket)
{
    out_ += bracket;
    first_ = false;
    return *this;
}

JsonWriter& JsonWriter::Literal(std::string_view text)
{
    Separate();
    out_ += text;
    return *this;
}

void JsonWriter::Separate()
{
    if (!first_)
        out_ += ',';
    first_ = false;
}

}  // namespace tav
