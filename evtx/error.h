// Why a file could not be read or written.
#pragma once

#include <string>

namespace tav::evtx {

enum class ErrorCode {
    None,
    CannotOpen,          // the file cannot be opened or created
    ReadFailed,          // reading failed part way
    WriteFailed,         // writing failed part way
    TooShort,            // shorter than the 128 bytes of the file header
    NotEvtx,             // no "ElfFile" magic
    UnsupportedVersion,  // major version other than 3
    RecordTooLarge,      // an event that does not fit in one chunk
};

struct Error {
    ErrorCode code = ErrorCode::None;
    std::string message;  // English, names the file
};

}  // namespace tav::evtx
