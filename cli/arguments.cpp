#include "cli/arguments.h"

#include <charconv>
#include <string_view>

#include "base/ascii.h"
#include "cli/inputs.h"
#include "base/iso_date.h"
#include "cli/platform.h"

namespace tav::cli {
namespace {

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
    const std::string lower = AsciiLower(name);
    for (const auto& entry : kNames)
        if (entry.name == lower)
            return entry.codePage;
    return std::nullopt;
}

std::optional<OutputFormat> FormatNamed(std::string_view name)
{
    const std::string lower = AsciiLower(name);
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
    if (AsciiLower(text) == "all")
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

// The commands an option goes with, one bit each.
using Commands = unsigned;

constexpr Commands Of(Command command)
{
    return 1u << static_cast<unsigned>(command);
}

constexpr Commands kRowCommands = Of(Command::Logons) | Of(Command::Sessions) | Of(Command::Last) |
                                  Of(Command::Lastb) | Of(Command::Report) | Of(Command::Rdp);
constexpr Commands kEveryCommand = kRowCommands | Of(Command::Record);
constexpr Commands kFilteredCommands =
    Of(Command::Logons) | Of(Command::Last) | Of(Command::Lastb) | Of(Command::Report) | Of(Command::Rdp);
constexpr Commands kLiveCommands =
    Of(Command::Logons) | Of(Command::Last) | Of(Command::Lastb) | Of(Command::Report) | Of(Command::Record);

struct Parse {
    Options& options;
    bool help = false;
    bool version = false;
};

// Applies an option's value (empty for a flag); a usage error, or empty.
using Apply = std::string (*)(Parse&, const std::string& name, const std::string& value);

// One option: its names, its value, the commands it goes with, whether it
// reads live logs (Windows only), what it does, and its help text (lines
// after the first indented; "{code page}" stands for the default one).
struct OptionSpec {
    std::string_view shortName;  // empty: none
    std::string_view name;
    const char* value;  // nullptr: a flag
    Commands commands;
    bool live;
    Apply apply;
    std::string_view help;
};

std::string DateError(std::string_view option, std::string_view text)
{
    return std::string(option) + ": '" + std::string(text) +
           "' is not a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS])";
}

const OptionSpec kOptions[] = {
    {{}, "--format", "table|csv|json", kEveryCommand, false,
     [](Parse& p, const std::string&, const std::string& value) -> std::string {
         const std::optional<OutputFormat> format = FormatNamed(value);
         if (!format)
             return "--format: '" + value + "' is none of table, csv, json";
         p.options.format = *format;
         return {};
     },
     "table: aligned columns (the default); csv: the program's export file\n"
     "(\";\"-separated, CR LF); json: one object per line, UTF-8; table\n"
     "and record show control characters of logs escaped (\\x1b, \\n, \\u202e)"},
    {{}, "--encoding", "CODEPAGE", kEveryCommand, false,
     [](Parse& p, const std::string&, const std::string& value) -> std::string {
         p.options.codePage = CodePageNamed(value);
         return p.options.codePage ? "" : "--encoding: '" + value + "' is none of utf-8, 1251, 866, 1252";
     },
     "code page of --format csv: utf-8, 1251, 866 or 1252 (default: {code page})"},
    {{}, "--since", "DATE", kRowCommands, false,
     [](Parse& p, const std::string& name, const std::string& value) -> std::string {
         const std::optional<IsoDate> date = ParseIsoDate(value);
         if (!date)
             return DateError(name, value);
         p.options.since = date->value;
         return {};
     },
     "only events at or after DATE"},
    {{}, "--until", "DATE", kRowCommands, false,
     [](Parse& p, const std::string& name, const std::string& value) -> std::string {
         const std::optional<IsoDate> date = ParseIsoDate(value);
         if (!date)
             return DateError(name, value);
         // Up to and including the day, minute or second given.
         p.options.until = AddMilliseconds(date->value, date->span);
         return {};
     },
     "only events up to and including DATE (a date alone: the whole day;\n"
     "a time without seconds: the whole minute)\n"
     "DATE is YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS] in the displayed time;\n"
     "events outside the range are left out before bursts are collapsed;\n"
     "last: the sessions that start in the range, wherever they end"},
    {{}, "--utc", nullptr, kEveryCommand, false,
     [](Parse& p, const std::string&, const std::string&) -> std::string {
         p.options.utc = true;
         return {};
     },
     "show and select times in UTC instead of local time"},
    {{}, "--user", "NAME", kFilteredCommands, false,
     [](Parse& p, const std::string& name, const std::string& value) -> std::string {
         if (value.empty())
             return name + " needs a name";
         p.options.user = value;
         return {};
     },
     "logons, last, lastb, report, rdp: only the rows of user NAME (or\n"
     "DOMAIN\\NAME)"},
    {{}, "--from", "TEXT", kFilteredCommands, false,
     [](Parse& p, const std::string& name, const std::string& value) -> std::string {
         if (value.empty())
             return name + " needs a name";
         p.options.from = value;
         return {};
     },
     "logons, last, lastb, report, rdp: only the rows from this address or\n"
     "workstation (rdp: or client computer)"},
    {{}, "--types", "LIST", Of(Command::Last) | Of(Command::Lastb) | Of(Command::Report), false,
     [](Parse& p, const std::string&, const std::string& value) -> std::string {
         p.options.types = LogonTypes(value);
         return p.options.types ? ""
                                : "--types: '" + value +
                                      "' is not a list of logon types from 2 to 13 (such as 2,10) or all";
     },
     "last, lastb, report: the logon types (2 to 13) to list, such as 2,3,10,\n"
     "or all\n"
     "(sessions: 2,10,11, people at a keyboard or over Remote Desktop;\n"
     "failed logons: all)"},
    {{}, "--all-accounts", nullptr, Of(Command::Last) | Of(Command::Report), false,
     [](Parse& p, const std::string&, const std::string&) -> std::string {
         p.options.allAccounts = true;
         return {};
     },
     "last, report: also computer accounts and the system's own service\n"
     "logons"},
    {{}, "--summary", nullptr, Of(Command::Lastb), false,
     [](Parse& p, const std::string&, const std::string&) -> std::string {
         p.options.summary = true;
         return {};
     },
     "lastb: one row per source, most attempts first"},
    {{}, "--connections", nullptr, Of(Command::Rdp), false,
     [](Parse& p, const std::string&, const std::string&) -> std::string {
         p.options.connections = true;
         return {};
     },
     "rdp: one row per connection instead of per session"},
    {{}, "--computer-column", nullptr,
     Of(Command::Logons) | Of(Command::Sessions) | Of(Command::Last) | Of(Command::Lastb) | Of(Command::Rdp), false,
     [](Parse& p, const std::string&, const std::string&) -> std::string {
         p.options.computerColumn = true;
         return {};
     },
     "logons, sessions, last, lastb, rdp: a Computer column first even when\n"
     "the rows are of one computer (it is there anyway when they are of several)"},
    {{}, "--jobs", "N", kEveryCommand, false,
     [](Parse& p, const std::string&, const std::string& value) -> std::string {
         p.options.jobs = JobCount(value);
         return p.options.jobs ? ""
                               : "--jobs: '" + value + "' is not a number of threads from 1 to " +
                                     std::to_string(kMaxJobs);
     },
     "read with N threads (default: the number of cores); the output is\n"
     "the same whatever N"},
    {"-o", "--output", "FILE.html", Of(Command::Report), false,
     [](Parse& p, const std::string& name, const std::string& value) -> std::string {
         if (value.empty())
             return name + " needs a file name";
         p.options.output = value;
         return {};
     },
     "report: the page to write (- for standard output); never an input"},
    {{}, "--lang", "ru|en", Of(Command::Report), false,
     [](Parse& p, const std::string&, const std::string& value) -> std::string {
         const std::string language = AsciiLower(value);
         if (language != "ru" && language != "en")
             return "--lang: '" + value + "' is neither ru nor en";
         p.options.english = language == "en";
         return {};
     },
     "report: the page's language (default: ru)"},
    {{}, "--computer", "NAME[,NAME]", kLiveCommands, true,
     [](Parse& p, const std::string&, const std::string& value) -> std::string {
         // A blank name is this computer.
         const std::vector<std::string> names = ComputerList(value);
         p.options.computers.insert(p.options.computers.end(), names.begin(), names.end());
         if (names.empty())
             p.options.computers.push_back("");
         return {};
     },
     "logons, last, lastb, report, record: read the Security log of computer\n"
     "NAME instead of files (an empty NAME: this computer); up to --jobs\n"
     "computers at once, rows in the order of the names"},
    {{}, "--computers", "FILE", kLiveCommands, true,
     [](Parse& p, const std::string&, const std::string& value) -> std::string {
         p.options.computersFile = value;
         return {};
     },
     "logons, last, lastb, report: also the computers named in FILE, one a\n"
     "line (# starts a comment; blank lines are left out)"},
    {{}, "--local", nullptr, kLiveCommands, true,
     [](Parse& p, const std::string&, const std::string&) -> std::string {
         p.options.computers.push_back("");
         return {};
     },
     "the same for this computer"},
    {"-h", "--help", nullptr, kEveryCommand, false,
     [](Parse& p, const std::string&, const std::string&) -> std::string {
         p.help = true;
         return {};
     },
     "show this help and exit"},
    {{}, "--version", nullptr, kEveryCommand, false,
     [](Parse& p, const std::string&, const std::string&) -> std::string {
         p.version = true;
         return {};
     },
     "show the version and exit"},
};

const OptionSpec* FindOption(std::string_view name)
{
    for (const OptionSpec& option : kOptions)
        if (option.name == name || (!option.shortName.empty() && option.shortName == name))
            return &option;
    return nullptr;
}

constexpr std::pair<Command, std::string_view> kCommandNames[] = {
    {Command::Logons, "logons"}, {Command::Sessions, "sessions"}, {Command::Last, "last"},
    {Command::Lastb, "lastb"},   {Command::Report, "report"},     {Command::Rdp, "rdp"},
    {Command::Record, "record"},
};

std::string CommandName(Command command)
{
    for (const auto& [c, name] : kCommandNames)
        if (c == command)
            return std::string(name);
    return {};
}

// "logons, last and report".
std::string CommandList(Commands commands)
{
    std::vector<std::string> names;
    for (const auto& [command, name] : kCommandNames)
        if ((commands & Of(command)) != 0)
            names.emplace_back(name);
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

// The options given, by the name they were given as, that the command does
// not take; an error for the first.
std::string CheckCommandOptions(const Options& options, const std::vector<std::string>& given)
{
    for (const std::string& name : given) {
        const OptionSpec& option = *FindOption(name);
        if ((option.commands & Of(options.command)) == 0)
            return name + " works with " + CommandList(option.commands) + " only";
    }
    if (options.codePage && options.format != OutputFormat::Csv)
        return "--encoding works with --format csv only";
    if (options.command == Command::Report && options.output.empty())
        return "report needs -o FILE.html";
    return {};
}

// Checks the inputs each command takes and fills them in.
std::string TakeInputs(Options& options, const std::vector<std::string>& inputs)
{
    const std::string name = CommandName(options.command);
    const bool live = ReadsLiveLogs(options);
    if (options.command != Command::Record) {
        if (live && !inputs.empty())
            return name + " reads either files or --computer, not both";
        if (!live && inputs.empty())
            return name + " needs at least one .evtx file";
        options.files = inputs;
        return {};
    }
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

// One option argument at `i` (its value the next argument when it needs one
// and has no "=value"), moving `i` past what it takes; a usage error, or empty.
std::string TakeOption(const std::vector<std::string>& arguments, std::size_t& i, bool liveLogs, Parse& parse,
                       std::vector<std::string>& given)
{
    const std::string& argument = arguments[i];
    const std::size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
    const std::string name = argument.substr(0, equals);
    const OptionSpec* option = FindOption(name);
    if (option == nullptr)
        return "unknown option '" + argument + "'";
    if (option->live && !liveLogs)
        return name + " reads the event log of a Windows computer: it works on Windows only";
    if (option->value == nullptr && equals != std::string::npos)
        return "option " + name + " takes no value";
    std::string value;
    if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
    } else if (option->value != nullptr) {
        if (i + 1 == arguments.size())
            return "option " + name + " needs a value";
        value = arguments[++i];
    }
    given.push_back(name);
    return option->apply(parse, name, value);
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
    Parse parse{options};
    std::vector<std::string> positional;
    std::vector<std::string> given;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-')
            positional.push_back(argument);
        else if (argument == "--")
            optionsEnded = true;
        else if (std::string error = TakeOption(arguments, i, liveLogs, parse, given); !error.empty())
            return fail(error);
    }
    if (parse.help)
        return parsed;
    if (parse.version) {
        options.command = Command::Version;
        return parsed;
    }
    if (positional.empty())
        return fail("no command given");
    const auto command = std::find_if(std::begin(kCommandNames), std::end(kCommandNames),
                                      [&](const auto& entry) { return entry.second == positional.front(); });
    if (command == std::end(kCommandNames))
        return fail("unknown command '" + positional.front() + "'");
    options.command = command->first;
    if (std::string error = CheckCommandOptions(options, given); !error.empty())
        return fail(error);
    if (options.since && options.until &&
        DateTimeToUnixMilliseconds(*options.since) >= DateTimeToUnixMilliseconds(*options.until))
        return fail("--since is not before --until");
    parsed.error = TakeInputs(options, std::vector<std::string>(positional.begin() + 1, positional.end()));
    return parsed;
}

namespace {

// The commands as help and the manual list them: how each is called, what
// it lists (lines after the first indented).
struct CommandHelp {
    std::string_view synopsis;
    std::string_view help;
};

constexpr CommandHelp kCommandHelp[] = {
    {"logons FILE.evtx...",
     "successful local and network logons in Security logs, newest first,\n"
     "with bursts of the same logon collapsed, as the program's workstation\n"
     "tab lists them (ID, Date, User Name, Logon From, Connection Type);\n"
     "several files: one scan per file, rows in the order of the files"},
    {"sessions FILE.evtx...",
     "Remote Desktop session logons (event 21) in\n"
     "TerminalServices-LocalSessionManager/Operational logs, newest first,\n"
     "as the terminal-server tab lists them (Date, User Name, Login From)"},
    {"last FILE.evtx...",
     "logon sessions in Security logs, newest first: user, from, type, start,\n"
     "end (or why it ended: down, crash, no logoff) and duration"},
    {"lastb FILE.evtx...", "failed logons in Security logs, newest first, with the reason"},
    {"report FILE.evtx... -o FILE.html",
     "one HTML page of the sessions and failed logons that opens offline in\n"
     "a browser: a timeline of sessions per user, logons per weekday and hour,\n"
     "failed logons per source over time, and both lists (10,000 rows each)"},
    {"rdp FILE.evtx...|FOLDER",
     "whole Remote Desktop sessions of terminal servers, newest first: logon,\n"
     "end, each connection (from where, which client, authenticated when,\n"
     "why it ended), time active and disconnected; from the\n"
     "LocalSessionManager, RemoteConnectionManager, Security and System\n"
     "logs among the inputs, the logs of each computer merged by time"},
    {"record FILE.evtx NUMBER", "every text field (insertion string) of one record, one per line"},
};

// "  NAME" and its text from column 27, or from the next line when NAME is longer.
void AppendItem(std::string& text, std::string_view name, std::string_view help)
{
    text += "  " + std::string(name);
    text += name.size() < 25 ? std::string(25 - name.size(), ' ') : "\n" + std::string(27, ' ');
    for (std::size_t start = 0; start <= help.size();) {
        const std::size_t end = std::min(help.find('\n', start), help.size());
        text += (start == 0 ? "" : std::string(27, ' ')) + std::string(help.substr(start, end - start)) + "\n";
        start = end + 1;
    }
}

std::string OptionLabel(const OptionSpec& option)
{
    std::string label = option.shortName.empty() ? "" : std::string(option.shortName) + ", ";
    return label + std::string(option.name) + (option.value ? " " + std::string(option.value) : "");
}

std::string OptionHelp(const OptionSpec& option, bool liveLogs)
{
    std::string help(option.help);
    if (const std::size_t at = help.find("{code page}"); at != std::string::npos)
        help.replace(at, 11, liveLogs ? "the ANSI code page" : "utf-8");
    return help;
}

}  // namespace

std::string HelpText(bool liveLogs)
{
    std::string text =
        "Usage: tavelin COMMAND [OPTION]... INPUT...\n"
        "Lists who logged on to a computer, when and from where, from saved event logs (.evtx).\n"
        "An INPUT may be a folder (every .evtx file under it, in name order) or a pattern of * and ?\n"
        "in the file name (expanded by tavelin itself).\n"
        "\n"
        "Commands:\n";
    for (const CommandHelp& command : kCommandHelp)
        AppendItem(text, command.synopsis, command.help);
    text += "\nOptions:\n";
    for (const OptionSpec& option : kOptions)
        if (!option.live || liveLogs)
            AppendItem(text, OptionLabel(option), OptionHelp(option, liveLogs));
    text +=
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

namespace {

// Text for roff: backslashes and a leading dot or quote kept as text,
// hyphens as minus signs (the option names are typed so).
std::string Roff(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

// The help lines as one paragraph of roff text.
std::string RoffParagraph(std::string_view help)
{
    std::string text;
    for (std::size_t start = 0; start <= help.size();) {
        const std::size_t end = std::min(help.find('\n', start), help.size());
        text += Roff(help.substr(start, end - start)) + "\n";
        start = end + 1;
    }
    return text;
}

}  // namespace

std::string ManualPage(std::string_view version)
{
    std::string page = ".TH TAVELIN 1 \"\" \"tavelin " + Roff(version) + "\" \"User Commands\"\n";
    page +=
        ".SH NAME\n"
        "tavelin \\- who logged on to a Windows computer, when and from where, from saved event logs\n"
        ".SH SYNOPSIS\n"
        ".B tavelin\n"
        ".I COMMAND\n"
        "[\\fIOPTION\\fR]... \\fIINPUT\\fR...\n"
        ".SH DESCRIPTION\n"
        "tavelin reads saved Windows event logs (.evtx files) without the Windows event-log service, on\n"
        "any system, and lists logons, logon sessions, failed logons and Remote Desktop sessions.\n"
        "An \\fIINPUT\\fR may be a file, a folder (every .evtx file under it, at any depth, in name order)\n"
        "or a pattern of * and ? in the file name, which tavelin expands itself.\n"
        "Files are read on several threads; the output is the same bytes whatever their number.\n"
        ".SH COMMANDS\n";
    for (const CommandHelp& command : kCommandHelp)
        page += ".TP\n.B " + Roff(command.synopsis) + "\n" + RoffParagraph(command.help);
    page += ".SH OPTIONS\n";
    for (const OptionSpec& option : kOptions)
        page += ".TP\n.B " + Roff(OptionLabel(option)) + "\n" + RoffParagraph(OptionHelp(option, false)) +
                (option.live ? "Windows only.\n" : "");
    page +=
        ".SH INPUTS THAT ARE NOT WHAT THEY SEEM\n"
        "What tavelin reads wrong it says once, on standard error, at the end of the run; never in the rows.\n"
        ".TP\n.B Damaged logs\n"
        "The checksums of every chunk are computed. A log cut short, chunks that fail a checksum (read\n"
        "anyway), chunks that are no chunk (skipped) and records that cannot be decoded are told, one line\n"
        "per input. The exit status stays 0 when all that was there was read.\n"
        ".TP\n.B Records read twice\n"
        "A record that an earlier input held (the same computer, channel and record id, with the same time\n"
        "and event id) is passed over before any rule sees it: a log and its copy, overlapping archives.\n"
        ".TP\n.B Logs of another kind\n"
        "An input that holds none of the events the command reads is named with its kind and the command\n"
        "that reads it.\n"
        ".SH OUTPUT\n"
        "Tables and \\fBrecord\\fR show the control and direction characters of log texts escaped\n"
        "(\\ex1b, \\en, \\eu202e). CSV is the program's export file, its fields guarded against formulas.\n"
        "JSON is one object per line, a contract for log platforms: fields are only ever added; each is\n"
        "described in docs/json.md, shipped with the program.\n"
        "Every write is checked; the page of \\fBreport\\fR is written whole beside its target, then\n"
        "renamed over it, and never over an input.\n"
        ".SH EXIT STATUS\n"
        ".TP\n.B 0\nevery input was read\n"
        ".TP\n.B 1\nan input could not be read (the others were) or the output could not be written\n"
        ".TP\n.B 2\na usage error\n"
        ".SH EXAMPLES\n"
        ".nf\n"
        "tavelin last Security.evtx\n"
        "tavelin lastb \\-\\-summary Security.evtx\n"
        "tavelin last \\-\\-user CORP\\e\\ej.smith collected/\n"
        "tavelin rdp \\-\\-connections TS01/\n"
        "tavelin report \\-o incident.html logs/\n"
        "tavelin logons \\-\\-format json \\-\\-utc Security.evtx > logons.jsonl\n"
        ".fi\n";
    return page;
}

}  // namespace tav::cli
