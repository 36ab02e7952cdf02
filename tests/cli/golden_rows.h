// The golden files of the sample set: rows of records written by an
// independent reader (record id, created, written, event id, provider,
// strings, tab-separated, with \t \r \n escaped).
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "cli_test_support.h"

namespace tav::cli::test {

struct GoldenRecord {
    std::uint64_t id = 0;
    std::int64_t created = 0;
    std::int64_t written = 0;
    std::uint32_t eventId = 0;
    std::vector<std::string> strings;
};

inline std::string Unescaped(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && std::string("trn").find(text[i + 1]) != std::string::npos) {
            out += text[i + 1] == 't' ? '\t' : text[i + 1] == 'r' ? '\r' : '\n';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The records of a golden file, by id descending.
inline std::vector<GoldenRecord> GoldenNewestFirst(const std::string& name)
{
    std::ifstream in(std::filesystem::u8path(SamplePath("golden/" + name)), std::ios::binary);
    std::vector<GoldenRecord> records;
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        for (std::size_t start = 0;;) {
            const std::size_t tab = line.find('\t', start);
            fields.push_back(Unescaped(line.substr(start, tab - start)));
            if (tab == std::string::npos)
                break;
            start = tab + 1;
        }
        GoldenRecord record;
        record.id = std::stoull(fields.at(0));
        record.created = std::stoll(fields.at(1));
        record.written = std::stoll(fields.at(2));
        record.eventId = static_cast<std::uint32_t>(std::stoul(fields.at(3)));
        record.strings.assign(fields.begin() + 5, fields.end());
        records.push_back(std::move(record));
    }
    std::sort(records.begin(), records.end(), [](const auto& a, const auto& b) { return a.id > b.id; });
    return records;
}

}  // namespace tav::cli::test
