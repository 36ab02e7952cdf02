// Character columns of one UTF-8 line, counted from 1 as the console showed
// them, mapped to byte offsets. Pure ASCII lines, the usual case, need no
// table: column and byte offset then differ by one.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace tav::tsquery {

class LineColumns {
public:
    // Measures `line`, which must outlive the following calls. Reusing one
    // object keeps the table's storage from line to line.
    void Reset(std::string_view line);

    // The line's length in characters.
    std::size_t Length() const { return ascii_ ? line_.size() : starts_.size() - 1; }
    // The column of the character that holds the byte at `byteOffset`.
    std::size_t ColumnAt(std::size_t byteOffset) const;
    // Up to `count` characters from column `startColumn` (at least 1) on,
    // ending with the line; empty when the line ends before `startColumn`.
    std::string_view Copy(std::size_t startColumn, std::size_t count) const;

private:
    std::string_view line_;
    bool ascii_ = true;
    // For a line with other characters: the byte offset where each character
    // begins, then the line's size.
    std::vector<std::size_t> starts_;
};

}  // namespace tav::tsquery
