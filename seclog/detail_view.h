// The detail view's text: every insertion string of one record, read again
// by its record number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "seclog/event_record.h"
#include "seclog/record_source.h"

namespace tav::seclog {

// The record number a row's ID caption holds: a signed 64-bit decimal
// integer, of which the low 32 bits count. nullopt when it is none.
std::optional<std::uint32_t> RecordNumberFromCaption(std::string_view caption);

// "'<caption>' is not a valid integer value".
std::string InvalidCaptionText(std::string_view caption);

// The strings in order, each followed by a carriage return; empty when the
// record has none or they are malformed.
std::string DetailText(const RecordView& record);

// Seek-reads the record (growing the buffer for a large one) and gives its
// detail text; empty when the read fails.
std::string ReadDetailText(RecordSource& source, std::uint32_t recordNumber);

}  // namespace tav::seclog
