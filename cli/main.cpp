// tavelin: who logged on, from saved event logs, on the command line.
#include <iostream>

#include "cli/platform.h"
#include "cli/tool.h"

int main(int argc, char** argv)
{
    const tav::cli::Platform platform = tav::cli::HostPlatform();
    return tav::cli::RunTool(tav::cli::CommandLineArguments(argc, argv), platform, std::cout, std::cerr);
}
