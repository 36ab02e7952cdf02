// Cuts the bytes a child process writes into lines. The bytes arrive in
// chunks as the pipe delivers them, split anywhere, even between the CR and
// the LF of one line end.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace tav::tsquery {

class LineAssembler {
public:
    // Receives each completed line without its line end, bytes unchanged
    // (still in the child's code page). The view lives until the call returns.
    using LineSink = std::function<void(std::string_view)>;

    explicit LineAssembler(LineSink sink) : sink_(std::move(sink)) {}

    // A CR, an LF or the pair CR LF ends a line; empty lines are delivered.
    void Feed(std::string_view chunk);
    // Delivers a last line that had no line end, unless it is empty, and
    // makes the assembler ready for a new stream.
    void Finish();

private:
    void EndLine(std::string_view chunkPart);

    LineSink sink_;
    std::string partial_;  // bytes of the unfinished line from earlier chunks
    bool afterCarriageReturn_ = false;  // an LF next belongs to the last line end
};

}  // namespace tav::tsquery
