#include "cli/event_inputs.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/terminal_events.h"
#include "cli/inputs.h"
#include "evtx/log_file.h"

namespace tav::cli {

bool InputFiles(const Run& run, std::vector<std::string>& files)
{
    std::vector<InputProblem> problems;
    files = ExpandInputs(run.options.files, problems);
    for (const InputProblem& problem : problems)
        run.Unread(problem.input, problem.reason);
    return problems.empty();
}

void MoveLargestLast(std::vector<std::string>& files)
{
    std::size_t largest = files.size();
    std::uintmax_t largestSize = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::error_code unknown;
        const std::uintmax_t size = std::filesystem::file_size(evtx::PathFromUtf8(files[i]), unknown);
        if (!unknown && size >= largestSize) {
            largest = i;
            largestSize = size;
        }
    }
    if (largest < files.size())
        std::rotate(files.begin() + static_cast<std::ptrdiff_t>(largest),
                    files.begin() + static_cast<std::ptrdiff_t>(largest) + 1, files.end());
}

bool InputComputers(const Run& run, std::vector<std::string>& computers)
{
    computers = run.options.computers;
    if (!run.options.computersFile)
        return true;
    std::ifstream file(evtx::PathFromUtf8(*run.options.computersFile), std::ios::binary);
    std::ostringstream text;
    if (!file || !(text << file.rdbuf()) || file.bad()) {
        run.Unread(*run.options.computersFile, "cannot read the list of computers");
        return false;
    }
    const std::vector<std::string> named = ComputerList(text.str());
    if (named.empty()) {
        run.Unread(*run.options.computersFile, "the list names no computer");
        return false;
    }
    computers.insert(computers.end(), named.begin(), named.end());
    return true;
}

namespace {

// "1 chunk failed", "2 chunks failed"...
std::string Count(std::uint64_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

std::string DamageText(const evtx::Reader& reader)
{
    std::vector<std::string> parts;
    const std::uint64_t chunks = reader.ChunkCount();
    const std::uint64_t claimed = reader.Header().chunkCount;
    const std::string of = claimed > chunks ? " of " + std::to_string(claimed) : "";
    if (chunks > 0 && (reader.FileSize() - evtx::kFileHeaderSize) % evtx::kChunkSize != 0)
        parts.push_back("the file ends inside chunk " + std::to_string(chunks) + of + " (cut short?)");
    else if (claimed > chunks)
        parts.push_back("the file ends after chunk " + std::to_string(chunks) + of + " (cut short?)");
    const evtx::Stats& stats = reader.GetStats();
    if (stats.chunkHeaderChecksumErrors > 0)
        parts.push_back(Count(stats.chunkHeaderChecksumErrors, "chunk failed its header checksum and was read anyway",
                              "chunks failed their header checksum and were read anyway"));
    if (stats.chunkDataChecksumErrors > 0)
        parts.push_back(Count(stats.chunkDataChecksumErrors, "chunk failed its data checksum and was read anyway",
                              "chunks failed their data checksum and were read anyway"));
    if (stats.chunksBadMagic > 0)
        parts.push_back(Count(stats.chunksBadMagic, "chunk was no chunk and was skipped",
                              "chunks were no chunks and were skipped"));
    if (stats.recordsUnreadable > 0)
        parts.push_back(Count(stats.recordsUnreadable, "record could not be decoded and was skipped",
                              "records could not be decoded and were skipped"));
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : "; ") + part;
    return text;
}

std::string PassedOverText(std::uint64_t count, const std::string& where)
{
    return Count(count, "record read before from another input was passed over: ",
                 "records read before from another input were passed over: ") +
           where;
}

std::string FirstChannel(const std::string& path)
{
    std::uint32_t error = 0;
    std::string message;
    const std::unique_ptr<evtx::Reader> reader = evtx::OpenLogFile(path, error, message);
    std::string channel;
    if (reader)
        reader->ForEachRecord([&](const evtx::Record& record) {
            channel = record.channel;
            return channel.empty();
        });
    return channel;
}

std::string WrongKindText(const std::string& input, const std::string& channel,
                          std::span<const std::string_view> wantedChannels, const char* what)
{
    if (std::find(wantedChannels.begin(), wantedChannels.end(), channel) != wantedChannels.end())
        return {};
    if (channel.empty())
        return input + " holds no events";
    const bool vowel = std::string_view("AEIOUaeiou").find(channel.front()) != std::string_view::npos;
    std::string text = input + (vowel ? " is an " : " is a ") + channel + " log and holds no " + what;
    if (channel == "Security")
        text += "; try 'tavelin last'";
    else if (channel == terminal::kSessionChannel)
        text += "; try 'tavelin sessions'";
    else
        text += "; tavelin reads Security and " + std::string(terminal::kSessionChannel) + " logs";
    return text;
}

}  // namespace tav::cli
