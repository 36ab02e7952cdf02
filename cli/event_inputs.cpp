#include "cli/event_inputs.h"

#include <fstream>
#include <sstream>

#include "cli/inputs.h"

namespace tav::cli {

bool InputFiles(const Run& run, std::vector<std::string>& files)
{
    std::vector<InputProblem> problems;
    files = ExpandInputs(run.options.files, problems);
    for (const InputProblem& problem : problems)
        run.Unread(problem.input, problem.reason);
    return problems.empty();
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

}  // namespace tav::cli
