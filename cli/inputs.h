// The inputs a command line names: files, folders and patterns of files,
// and lists of computers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tav::cli {

struct InputProblem {
    std::string input;   // as given
    std::string reason;  // English
};

// The files `inputs` name, in their order: a folder stands for every .evtx
// file under it, at any depth, in name order; a name with * or ? in its
// last part that is no existing file stands for the files it matches
// there, in name order (any case, as Windows matches). Anything else is
// taken as a file, to be opened (and reported) when it is read. A folder
// without logs, a folder that cannot be listed and a pattern that matches
// nothing go to `problems`.
std::vector<std::string> ExpandInputs(const std::vector<std::string>& inputs, std::vector<InputProblem>& problems);

// Computer names: one a line (or comma-separated in `text`), blanks around
// them and empty names left out, from # to the end of a line a comment.
std::vector<std::string> ComputerList(std::string_view text);

}  // namespace tav::cli
