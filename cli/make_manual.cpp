// Writes tavelin's manual page, from the same tables as its --help:
// make_manual FILE
#include <cstdio>
#include <fstream>

#include "cli/arguments.h"
#include "version.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_manual FILE\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out << tav::cli::ManualPage(TAVELIN_VERSION_TEXT);
    out.close();
    if (!out) {
        std::fprintf(stderr, "make_manual: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
