#include "tsquery/raw_output.h"

namespace tav::tsquery {

void RawOutputBuffer::Clear()
{
    lines_.clear();
}

void RawOutputBuffer::Append(std::string_view line)
{
    std::string& stored = lines_.emplace_back();
    std::size_t position = 0;
    for (std::size_t tab = line.find('\t'); tab != std::string_view::npos;
         tab = line.find('\t', position)) {
        stored.append(line.substr(position, tab - position));
        stored.append(kTabReplacement);
        position = tab + 1;
    }
    stored.append(line.substr(position));
}

}  // namespace tav::tsquery
