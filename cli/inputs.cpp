#include "cli/inputs.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/ascii.h"
#include "evtx/log_file.h"

namespace tav::cli {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// `name` against `pattern` of * and ?, ASCII letters in any case; ? is one
// byte, so one character of ASCII.
bool Matches(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0, n = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool IsLog(const fs::path& path)
{
    return Matches("*.evtx", Utf8(path.filename()));
}

// The .evtx files under `folder` into `logs`; a folder under it that
// cannot be listed goes to `problems`, and the others are still listed.
// Links to folders are not followed: one to a folder above would never end.
void LogsUnder(const std::string& input, const fs::path& folder, std::vector<std::string>& logs,
               std::vector<InputProblem>& problems)
{
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code typeError;
        if (it->is_directory(typeError) && !it->is_symlink(typeError))
            LogsUnder(input, it->path(), logs, problems);
        else if (it->is_regular_file(typeError) && IsLog(it->path()))
            logs.push_back(Utf8(it->path()));
    }
    if (error)
        problems.push_back({input, "cannot list the folder " + Utf8(folder) + ": " + error.message()});
}

bool IsPattern(std::string_view name)
{
    return name.find_first_of("*?") != std::string_view::npos;
}

}  // namespace

namespace {

// A folder's logs, in name order, into `files`.
void AddFolder(const std::string& input, const fs::path& folder, std::vector<std::string>& files,
               std::vector<InputProblem>& problems)
{
    const std::size_t known = problems.size();
    std::vector<std::string> logs;
    LogsUnder(input, folder, logs, problems);
    std::sort(logs.begin(), logs.end());
    if (logs.empty() && problems.size() == known)
        problems.push_back({input, "the folder holds no event log files (.evtx)"});
    files.insert(files.end(), logs.begin(), logs.end());
}

// What a pattern matches: files as they are (a name that holds * or ? is
// never a pattern again), folders by their logs.
void AddPattern(const std::string& input, const fs::path& path, std::vector<std::string>& files,
                std::vector<InputProblem>& problems)
{
    const std::string name = Utf8(path.filename());
    if (!IsPattern(name) || IsPattern(Utf8(path.parent_path()))) {
        problems.push_back({input, "* and ? work in the file name only, not in folder names"});
        return;
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::vector<std::pair<std::string, fs::path>> matches;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        const fs::path entry = it->path().filename();
        if (Matches(name, Utf8(entry)))
            matches.emplace_back(Utf8(entry), path.has_parent_path() ? it->path() : entry);
    }
    if (error) {
        problems.push_back({input, "cannot list the folder: " + error.message()});
        return;
    }
    if (matches.empty()) {
        problems.push_back({input, "no file matches"});
        return;
    }
    std::sort(matches.begin(), matches.end());
    for (const auto& match : matches) {
        std::error_code typeError;
        if (fs::is_directory(match.second, typeError))
            AddFolder(Utf8(match.second), match.second, files, problems);
        else
            files.push_back(Utf8(match.second));
    }
}

}  // namespace

std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs, std::vector<InputProblem>& problems)
{
    std::vector<std::string> files;
    for (const std::string& input : inputs) {
        if (input.empty()) {
            problems.push_back({"''", "no such file"});
            continue;
        }
        const fs::path path = evtx::PathFromUtf8(input);
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (fs::is_directory(status))
            AddFolder(input, path, files, problems);
        else if (fs::exists(status) && !fs::is_regular_file(status))
            problems.push_back({input, "is not a regular file (a pipe or a device): save the log to a file first"});
        else if (fs::exists(status) || !IsPattern(input))
            files.push_back(input);
        else
            AddPattern(input, path, files, problems);
    }
    return files;
}

std::vector<std::string> ComputerList(std::string_view text)
{
    std::vector<std::string> names;
    for (std::size_t line = 0; line <= text.size();) {
        std::size_t lineEnd = text.find('\n', line);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        const std::string_view content = text.substr(line, std::min(text.find('#', line), lineEnd) - line);
        for (std::size_t start = 0; start <= content.size();) {
            std::size_t end = content.find(',', start);
            if (end == std::string_view::npos)
                end = content.size();
            const std::string_view name = content.substr(start, end - start);
            const std::size_t first = name.find_first_not_of(" \t\r");
            if (first != std::string_view::npos)
                names.emplace_back(name.substr(first, name.find_last_not_of(" \t\r") - first + 1));
            start = end + 1;
        }
        line = lineEnd + 1;
    }
    return names;
}

}  // namespace tav::cli
