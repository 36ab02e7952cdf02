// Decoding of a record's binary XML into the fields of a Record.
//
// Templates are compiled once per chunk, so that a record only walks its
// template with its own values; walks that keep only some events take a
// shorter way still (binxml_internal.h tells how).
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>

#include "evtx/record.h"

namespace tav::evtx {

// Event ids (the low 16 bits, without qualifiers) a walk keeps.
using EventIdSet = std::bitset<65536>;

namespace binxml {
class Decoder;
}

class BinXmlDecoder {
public:
    BinXmlDecoder();
    ~BinXmlDecoder();

    // Start of a new chunk: forgets the names and templates of the last one.
    // `chunk` holds 64 KiB and stays in place while records are decoded.
    // With `keep`, records of other event ids are left undecoded where their
    // template tells the event id and time without expanding it. Only the
    // insertion strings in `strings` get their texts.
    void Reset(const std::uint8_t* chunk, const EventIdSet* keep = nullptr, StringSet strings = kAllStrings);

    enum class Outcome { Decoded, Skipped, Garbage };

    // Decodes the BinXml in [begin, end) (chunk-relative) into `record`'s
    // time created, event id, provider, channel, computer and strings.
    // `fallbackTime` (FILETIME) stands for a missing TimeCreated. Garbage
    // when the bytes are not well-formed BinXml; Skipped when its event id is
    // not kept: then only the event id (without qualifiers) and the time
    // created are filled in, the texts are left empty.
    Outcome Decode(std::uint32_t begin, std::uint32_t end, std::uint64_t fallbackTime, Record& record);

private:
    std::unique_ptr<binxml::Decoder> decoder_;
};

}  // namespace tav::evtx
