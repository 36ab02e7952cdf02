#include "cli/arguments.h"

#include <algorithm>
#include <charconv>
#include <initializer_list>
#include <string_view>

#include "cli/inputs.h"
#include "cli/iso_date.h"
#include "cli/platform.h"

namespace tav::cli {
namespace {

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::optional<unsigned> CodePageNamed(std::string_view name)
{
    const struct {
        std::string_view name;
        unsigned codePage;
    } kNames[] = {
        {"utf-8", kUtf8CodePage}, {"utf8", kUtf8CodePage}, {"65001", kUtf8CodePage},
        {"1251", 1251}, {"cp1251", 1251}, {"windows-1251", 1251},
        {"866", 866}, {"cp866", 866},
        {"1252", 1252}, {"cp1252", 1252}, {"windows-1252", 1252},
    };
    const std::string lower = Lower(name);
    for (const auto& entry : kNames)
        if (entry.name == lower)
            return entry.codePage;
    return std::nullopt;
}

std::optional<OutputFormat> FormatNamed(std::string_view name)
{
    const std::string lower = Lower(name);
    if (lower == "table")
        return OutputFormat::Table;
    if (lower == "csv")
        return OutputFormat::Csv;
    if (lower == "json")
        return OutputFormat::Json;
    return std::nullopt;
}

std::optional<std::uint32_t> RecordNumber(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The logon types Windows writes: 2 (interactive) to 13 (cached unlock).
constexpr int kFirstLogonType = 2;
constexpr int kLastLogonType = 13;

// "2,3,10" or "all" (an empty list).
std::optional<std::vector<int>> LogonTypes(std::string_view text)
{
    if (Lower(text) == "all")
        return std::vector<int>{};
    std::vector<int> types;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos)
            end = text.size();
        int type = -1;
        const auto [last, error] = std::from_chars(text.data() + start, text.data() + end, type);
        if (start == end || error != std::errc() || last != text.data() + end || type < kFirstLogonType ||
            type > kLastLogonType)
            return std::nullopt;
        types.push_back(type);
        start = end + 1;
    }
    return types;
}

std::optional<unsigned> JobCount(std::string_view text)
{
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value == 0 || value > kMaxJobs)
        return std::nullopt;
    return value;
}

std::string DateError(std::string_view option, std::string_view text)
{
    return std::string(option) + ": '" + std::string(text) +
           "' is not a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS])";
}

std::string CommandName(Command command)
{
    switch (command) {
    case Command::Logons: return "logons";
    case Command::Sessions: return "sessions";
    case Command::Record: return "record";
    case Command::Last: return "last";
    case Command::Lastb: return "lastb";
    case Command::Report: return "report";
    default: return {};
    }
}

// The options that only some commands take; an error for any other.
std::string CheckCommandOptions(const Options& options)
{
    const Command c = options.command;
    if (options.types && c != Command::Last && c != Command::Lastb && c != Command::Report)
        return "--types works with last, lastb and report only";
    if (options.allAccounts && c != Command::Last && c != Command::Report)
        return "--all-accounts works with last and report only";
    if (options.summary && c != Command::Lastb)
        return "--summary works with lastb only";
    if ((options.user || options.from) && c != Command::Logons && c != Command::Last && c != Command::Lastb &&
        c != Command::Report)
        return "--user and --from work with logons, last, lastb and report only";
    if (options.computerColumn && (c == Command::Record || c == Command::Help || c == Command::Version ||
                                   c == Command::Report))
        return "--computer-column works with logons, sessions, last and lastb only";
    if (options.codePage && options.format != OutputFormat::Csv)
        return "--encoding works with --format csv only";
    if ((!options.output.empty() || options.english) && c != Command::Report)
        return "-o and --lang work with report only";
    if (c == Command::Report && options.output.empty())
        return "report needs -o FILE.html";
    return {};
}

// Checks the inputs each command takes and fills them in.
std::string TakeInputs(Options& options, const std::vector<std::string>& inputs)
{
    switch (options.command) {
    case Command::Logons:
    case Command::Last:
    case Command::Lastb:
    case Command::Report: {
        const std::string name = CommandName(options.command);
        if (ReadsLiveLogs(options) && !inputs.empty())
            return name + " reads either files or --computer, not both";
        if (!ReadsLiveLogs(options) && inputs.empty())
            return name + " needs at least one .evtx file";
        options.files = inputs;
        return {};
    }
    case Command::Sessions:
        if (ReadsLiveLogs(options))
            return "--computer works with logons, last, lastb, report and record only";
        if (inputs.empty())
            return "sessions needs at least one .evtx file";
        options.files = inputs;
        return {};
    case Command::Record: {
        if (options.since || options.until)
            return "--since and --until do not apply to record";
        const bool live = ReadsLiveLogs(options);
        if (options.computersFile || options.computers.size() > 1)
            return "record reads the log of one computer";
        const std::size_t wanted = live ? 1 : 2;
        if (inputs.size() != wanted)
            return live ? "record needs a record number" : "record needs a file and a record number";
        const std::optional<std::uint32_t> number = RecordNumber(inputs.back());
        if (!number)
            return "'" + inputs.back() + "' is not a record number";
        options.recordNumber = *number;
        if (!live)
            options.files = {inputs.front()};
        return {};
    }
    default:
        return {};
    }
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& arguments, bool liveLogs)
{
    ParsedArguments parsed;
    Options& options = parsed.options;
    const auto fail = [&](std::string error) {
        parsed.error = std::move(error);
        return parsed;
    };
    std::vector<std::string> positional;
    bool help = false;
    bool version = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        const std::size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
        const std::string name = argument.substr(0, equals);
        std::optional<std::string> value;
        if (equals != std::string::npos)
            value = argument.substr(equals + 1);
        const bool takesValue =
            OneOf(name, {"--format", "--encoding", "--since", "--until", "--computer", "--computers", "--types", "--user",
                         "--from", "--jobs", "-o", "--output", "--lang"});
        const bool isFlag = OneOf(name, {"-h", "--help", "--version", "--utc", "--local", "--all-accounts", "--summary",
                                         "--computer-column"});
        if (!takesValue && !isFlag)
            return fail("unknown option '" + argument + "'");
        if ((name == "--computer" || name == "--computers" || name == "--local") && !liveLogs)
            return fail(name + " reads the event log of a Windows computer: it works on Windows only");
        if (isFlag && value)
            return fail("option " + name + " takes no value");
        if (takesValue && !value) {
            if (i + 1 == arguments.size())
                return fail("option " + name + " needs a value");
            value = arguments[++i];
        }
        if (name == "-h" || name == "--help") {
            help = true;
        } else if (name == "--version") {
            version = true;
        } else if (name == "--utc") {
            options.utc = true;
        } else if (name == "--local") {
            options.computers.push_back("");
        } else if (name == "--computer") {
            // A blank name is this computer.
            const std::vector<std::string> names = ComputerList(*value);
            options.computers.insert(options.computers.end(), names.begin(), names.end());
            if (names.empty())
                options.computers.push_back("");
        } else if (name == "--computers") {
            options.computersFile = *value;
        } else if (name == "--computer-column") {
            options.computerColumn = true;
        } else if (name == "--jobs") {
            options.jobs = JobCount(*value);
            if (!options.jobs)
                return fail("--jobs: '" + *value + "' is not a number of threads from 1 to " +
                            std::to_string(kMaxJobs));
        } else if (name == "--all-accounts") {
            options.allAccounts = true;
        } else if (name == "--summary") {
            options.summary = true;
        } else if (name == "--user" || name == "--from") {
            if (value->empty())
                return fail(name + " needs a name");
            (name == "--user" ? options.user : options.from) = *value;
        } else if (name == "-o" || name == "--output") {
            if (value->empty())
                return fail(name + " needs a file name");
            options.output = *value;
        } else if (name == "--lang") {
            const std::string language = Lower(*value);
            if (language != "ru" && language != "en")
                return fail("--lang: '" + *value + "' is neither ru nor en");
            options.english = language == "en";
        } else if (name == "--types") {
            options.types = LogonTypes(*value);
            if (!options.types)
                return fail("--types: '" + *value + "' is not a list of logon types from 2 to 13 (such as 2,10) or all");
        } else if (name == "--format") {
            const std::optional<OutputFormat> format = FormatNamed(*value);
            if (!format)
                return fail("--format: '" + *value + "' is none of table, csv, json");
            options.format = *format;
        } else if (name == "--encoding") {
            options.codePage = CodePageNamed(*value);
            if (!options.codePage)
                return fail("--encoding: '" + *value + "' is none of utf-8, 1251, 866, 1252");
        } else {
            const std::optional<IsoDate> date = ParseIsoDate(*value);
            if (!date)
                return fail(DateError(name, *value));
            if (name == "--since")
                options.since = date->value;
            else  // up to and including the day, minute or second given
                options.until = AddMilliseconds(date->value, date->span);
        }
    }
    if (help)
        return parsed;
    if (version) {
        options.command = Command::Version;
        return parsed;
    }
    if (positional.empty())
        return fail("no command given");
    const std::string& command = positional.front();
    if (command == "logons")
        options.command = Command::Logons;
    else if (command == "sessions")
        options.command = Command::Sessions;
    else if (command == "record")
        options.command = Command::Record;
    else if (command == "last")
        options.command = Command::Last;
    else if (command == "lastb")
        options.command = Command::Lastb;
    else if (command == "report")
        options.command = Command::Report;
    else
        return fail("unknown command '" + command + "'");
    if (std::string error = CheckCommandOptions(options); !error.empty())
        return fail(error);
    if (options.since && options.until &&
        DateTimeToUnixMilliseconds(*options.since) >= DateTimeToUnixMilliseconds(*options.until))
        return fail("--since is not before --until");
    parsed.error = TakeInputs(options, std::vector<std::string>(positional.begin() + 1, positional.end()));
    return parsed;
}

std::string HelpText(bool liveLogs)
{
    std::string text =
        "Usage: tavelin COMMAND [OPTION]... INPUT...\n"
        "Lists who logged on to a computer, when and from where, from saved event logs (.evtx).\n"
        "An INPUT may be a folder (every .evtx file under it, in name order) or a pattern of * and ?\n"
        "in the file name (expanded by tavelin itself).\n"
        "\n"
        "Commands:\n"
        "  logons FILE.evtx...      successful local and network logons in Security logs, newest first,\n"
        "                           with bursts of the same logon collapsed, as the program's workstation\n"
        "                           tab lists them (ID, Date, User Name, Logon From, Connection Type);\n"
        "                           several files: one scan per file, rows in the order of the files\n"
        "  sessions FILE.evtx...    Remote Desktop session logons (event 21) in\n"
        "                           TerminalServices-LocalSessionManager/Operational logs, newest first,\n"
        "                           as the terminal-server tab lists them (Date, User Name, Login From)\n"
        "  last FILE.evtx...        logon sessions in Security logs, newest first: user, from, type, start,\n"
        "                           end (or why it ended: down, crash, no logoff) and duration\n"
        "  lastb FILE.evtx...       failed logons in Security logs, newest first, with the reason\n"
        "  report FILE.evtx... -o FILE.html\n"
        "                           one HTML page of the sessions and failed logons that opens offline in\n"
        "                           a browser: a timeline of sessions per user, logons per weekday and hour,\n"
        "                           failed logons per source over time, and both lists (10,000 rows each)\n"
        "  record FILE.evtx NUMBER  every text field (insertion string) of one record, one per line\n"
        "\n"
        "Options:\n"
        "  --format table|csv|json  table: aligned columns (the default); csv: the program's export file\n"
        "                           (\";\"-separated, CR LF); json: one object per line, UTF-8; table\n"
        "                           and record show control characters of logs escaped (\\x1b, \\n, \\u202e)\n"
        "  --encoding CODEPAGE      code page of --format csv: utf-8, 1251, 866 or 1252 (default: ";
    text += liveLogs ? "the ANSI code page" : "utf-8";
    text +=
        ")\n"
        "  --since DATE             only events at or after DATE\n"
        "  --until DATE             only events up to and including DATE (a date alone: the whole day;\n"
        "                           a time without seconds: the whole minute)\n"
        "                           DATE is YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS] in the displayed time;\n"
        "                           events outside the range are left out before bursts are collapsed;\n"
        "                           last: the sessions that start in the range, wherever they end\n"
        "  --utc                    show and select times in UTC instead of local time\n"
        "  --user NAME              logons, last, lastb, report: only the rows of user NAME (or\n"
        "                           DOMAIN\\NAME)\n"
        "  --from TEXT              logons, last, lastb, report: only the rows from this address or\n"
        "                           workstation\n"
        "  --types LIST             last, lastb, report: the logon types (2 to 13) to list, such as 2,3,10,\n"
        "                           or all\n"
        "                           (sessions: 2,10,11, people at a keyboard or over Remote Desktop;\n"
        "                           failed logons: all)\n"
        "  --all-accounts           last, report: also computer accounts and the system's own service\n"
        "                           logons\n"
        "  --summary                lastb: one row per source, most attempts first\n"
        "  --computer-column        logons, sessions, last, lastb: a Computer column first even when the rows\n"
        "                           are of one computer (it is there anyway when they are of several)\n"
        "  --jobs N                 read with N threads (default: the number of cores); the output is\n"
        "                           the same whatever N\n"
        "  -o, --output FILE.html   report: the page to write (- for standard output); never an input\n"
        "  --lang ru|en             report: the page's language (default: ru)\n";
    if (liveLogs)
        text +=
            "  --computer NAME[,NAME]   logons, last, lastb, report, record: read the Security log of computer\n"
            "                           NAME instead of files (an empty NAME: this computer); up to --jobs\n"
            "                           computers at once, rows in the order of the names\n"
            "  --computers FILE         logons, last, lastb, report: also the computers named in FILE, one a\n"
            "                           line (# starts a comment; blank lines are left out)\n"
            "  --local                  the same for this computer\n";
    text +=
        "  -h, --help               show this help and exit\n"
        "  --version                show the version and exit\n"
        "\n"
        "A folder among the inputs of last, lastb and report stands for the .evtx files in it.\n"
        "Dates and times are shown in the regional formats";
    text += liveLogs ? " of the user" : " dd.MM.yyyy H:mm:ss";
    text +=
        ".\n"
        "Damaged inputs, records an earlier input held (passed over) and logs of another kind are said\n"
        "on standard error at the end, never in the rows.\n"
        "Exit status: 0 when every input was read, 1 when an input could not be read (the others are\n"
        "still read) or the output could not be written, 2 for a usage error.\n";
    return text;
}

}  // namespace tav::cli
