// Runs of the tool inside the test program: a platform of fixed formats and
// zone, captured output, and paths of the logs the tests read.
#pragma once

#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/codepage.h"
#include "cli/platform.h"
#include "sample/sample_logs.h"
#include "cli/tool.h"
#include "tests/samples.h"

namespace tav::cli::test {

// Default formats, times shown in UTC, UTF-8 by default, no event-log service.
inline Platform TestPlatform()
{
    Platform platform;
    platform.utcToLocal = [](DateTime utc) { return utc; };
    platform.zoneName = "UTC";
    platform.encode = [](std::string_view utf8, unsigned codePage, std::size_t& lost) {
        return EncodeCodePage(utf8, codePage, &lost);
    };
    platform.outputError = [] { return std::string("No space left on device"); };
    platform.errorText = [](std::uint32_t code) { return "error " + std::to_string(code); };
    return platform;
}

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline Outcome RunInProcess(const std::vector<std::string>& arguments, const Platform& platform = TestPlatform())
{
    std::ostringstream out;
    std::ostringstream err;
    Outcome outcome;
    outcome.status = RunTool(arguments, platform, out, err);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

inline std::string PathText(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

inline std::string SamplePath(const std::string& name) { return PathText(tav::test::SamplePath(name)); }

using tav::test::ProcessId;

// An empty folder in the test process's own scratch folder.
inline std::filesystem::path ScratchFolder(const std::string& name)
{
    const std::filesystem::path folder = tav::test::ScratchRoot() / ("cli-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

// The bundled sample logs, written once per test process.
inline const std::filesystem::path& SampleFolder()
{
    struct Written {
        std::filesystem::path folder = ScratchFolder("sample");
        Written()
        {
            std::string error;
            if (!sample::WriteSampleLogs(folder, error))
                throw std::runtime_error(error);
        }
    };
    static const Written written;
    return written.folder;
}

inline std::string SampleSecurityLog() { return PathText(SampleFolder() / sample::kSampleSecurityLog); }
inline std::string SampleSessionLog() { return PathText(SampleFolder() / sample::kSampleSessionLog); }

}  // namespace tav::cli::test
