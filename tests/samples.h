// Where the test programs find the real sample logs of tests/data/evtx.
#pragma once

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

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

inline int ProcessId()
{
#ifdef _WIN32
    return _getpid();
#else
    return getpid();
#endif
}

// A folder of this test process alone in the system's temporary folder
// (ctest runs test cases side by side), removed with all it holds when the
// process ends: tests leave nothing behind.
inline const std::filesystem::path& ScratchRoot()
{
    struct Root {
        std::filesystem::path folder =
            std::filesystem::temp_directory_path() / ("tavelin-test-" + std::to_string(ProcessId()));
        Root()
        {
            std::filesystem::remove_all(folder);
            std::filesystem::create_directories(folder);
        }
        ~Root()
        {
            std::error_code ignored;
            std::filesystem::remove_all(folder, ignored);
        }
    };
    static const Root root;
    return root.folder;
}

}  // namespace tav::test
