// The lines PowerShell printed, as UTF-8 text, in the order they came.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tav::tsquery {

class RawOutputBuffer {
public:
    // Blanks that stand for one tab character in a stored line.
    static constexpr std::string_view kTabReplacement = "    ";

    void Clear();
    // Stores `line` with every tab replaced by kTabReplacement.
    void Append(std::string_view line);
    std::size_t Count() const { return lines_.size(); }
    // Throws std::out_of_range for an index at or beyond Count().
    const std::string& Line(std::size_t index) const { return lines_.at(index); }

private:
    std::vector<std::string> lines_;
};

}  // namespace tav::tsquery
