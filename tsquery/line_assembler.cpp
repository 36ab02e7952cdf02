#include "tsquery/line_assembler.h"

namespace tav::tsquery {

void LineAssembler::Feed(std::string_view chunk)
{
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        const char c = chunk[i];
        if (c != '\r' && c != '\n') {
            afterCarriageReturn_ = false;
            continue;
        }
        if (c == '\n' && afterCarriageReturn_) {
            // The LF of a CR LF pair: the line already ended at the CR.
            afterCarriageReturn_ = false;
            lineStart = i + 1;
            continue;
        }
        EndLine(chunk.substr(lineStart, i - lineStart));
        afterCarriageReturn_ = c == '\r';
        lineStart = i + 1;
    }
    partial_.append(chunk.substr(lineStart));
}

void LineAssembler::Finish()
{
    if (!partial_.empty())
        sink_(partial_);
    partial_.clear();
    afterCarriageReturn_ = false;
}

void LineAssembler::EndLine(std::string_view chunkPart)
{
    // A line that lies within one chunk goes out without a copy.
    if (partial_.empty()) {
        sink_(chunkPart);
        return;
    }
    partial_.append(chunkPart);
    sink_(partial_);
    partial_.clear();
}

}  // namespace tav::tsquery
