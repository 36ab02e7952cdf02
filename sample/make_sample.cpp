// Writes the bundled sample logs into a folder: make_sample FOLDER
#include <cstdio>
#include <filesystem>
#include <string>

#include "sample/sample_logs.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sample FOLDER\n");
        return 2;
    }
    std::error_code created;
    std::filesystem::create_directories(argv[1], created);
    std::string error;
    if (!tav::sample::WriteSampleLogs(argv[1], error)) {
        std::fprintf(stderr, "make_sample: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
