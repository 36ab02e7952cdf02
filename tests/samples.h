// Where the test programs find the real sample logs of tests/data/evtx.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace tav::test {

// The folder of the sample logs. Under Wine the Linux root is drive Z:.
inline std::filesystem::path SamplesFolder()
{
#ifdef _WIN32
    return std::filesystem::path("Z:" TAVELIN_SAMPLES_DIR "/evtx");
#else
    return std::filesystem::path(TAVELIN_SAMPLES_DIR "/evtx");
#endif
}

// The path of one sample file. A missing file (a damaged checkout) ends the
// test at once with a message that names it, instead of a crash or a wait
// further on.
inline std::filesystem::path SamplePath(const std::string& name)
{
    std::filesystem::path path = SamplesFolder() / name;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        throw std::runtime_error("sample file missing: " + path.string());
    return path;
}

}  // namespace tav::test
