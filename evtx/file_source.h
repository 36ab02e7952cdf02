// The bytes of an .evtx file on disk, for the reader: read at offsets
// without moving a shared file position, so that the decoding threads
// never seek.
#pragma once

#include <filesystem>
#include <memory>

#include "evtx/reader.h"

namespace tav::evtx {

// nullptr when the file cannot be opened for reading.
std::unique_ptr<ByteSource> OpenFileSource(const std::filesystem::path& path);

}  // namespace tav::evtx
