// Writes a synthetic Security log of at least the given size in MiB (0: a
// log of no records), for timing: 4624 logons (27 strings), each logged off (4634) 64 logons later,
// mixed with 4672 privilege lists, 4625 failed logons and
// LocalSessionManager 21 events (UserData).
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>

#include "evtx/writer.h"

namespace {

std::string LogonId(std::uint64_t id)
{
    return "0x" + std::to_string(100000 + id);
}

tav::evtx::WriterEvent Logon(std::uint64_t id)
{
    tav::evtx::WriterEvent e;
    e.record.eventId = 4624;
    e.record.provider = "Microsoft-Windows-Security-Auditing";
    e.record.channel = "Security";
    const std::string n = std::to_string(id % 97);
    e.record.strings = {"S-1-5-18", "WS" + n + "$", "CORP", "0x3e7", "S-1-5-21-1004336348-1177238915-682003330-" + n,
                        "user" + n, "CORP", LogonId(id), id % 3 == 0 ? "10" : "3",
                        "User32 ", "Negotiate", "CLIENT-" + n, "{00000000-0000-0000-0000-000000000000}", "-", "-",
                        "0", "0x2a8", "C:\\Windows\\System32\\svchost.exe", "10.0.0." + n, "0", "%%1833", "-",
                        "-", "-", "%%1843", "0x0", "%%1842"};
    for (const char* name : tav::evtx::kLogonDataNames)
        e.names.push_back(name);
    return e;
}

tav::evtx::WriterEvent Logoff(std::uint64_t logonId)
{
    tav::evtx::WriterEvent e;
    e.record.eventId = 4634;
    e.record.provider = "Microsoft-Windows-Security-Auditing";
    e.record.channel = "Security";
    const std::string n = std::to_string(logonId % 97);
    e.record.strings = {"S-1-5-21-1004336348-1177238915-682003330-" + n, "user" + n, "CORP", LogonId(logonId),
                        logonId % 3 == 0 ? "10" : "3"};
    e.names = {"TargetUserSid", "TargetUserName", "TargetDomainName", "TargetLogonId", "LogonType"};
    return e;
}

tav::evtx::WriterEvent Failed(std::uint64_t id)
{
    tav::evtx::WriterEvent e;
    e.record.eventId = 4625;
    e.record.provider = "Microsoft-Windows-Security-Auditing";
    e.record.channel = "Security";
    const std::string n = std::to_string(id % 89);
    e.record.strings = {"S-1-0-0", "-", "-", "0x0", "S-1-0-0", "guess" + n, "", "0xc000006d", "%%2313",
                        id % 2 ? "0xc000006a" : "0xc0000064", "3", "NtLmSsp ", "NTLM", "-", "-", "-", "0", "0x0", "-",
                        "203.0.113." + std::to_string(id / 13 % 17), "50112"};
    e.names = {"SubjectUserSid", "SubjectUserName", "SubjectDomainName", "SubjectLogonId", "TargetUserSid",
               "TargetUserName", "TargetDomainName", "Status", "FailureReason", "SubStatus", "LogonType",
               "LogonProcessName", "AuthenticationPackageName", "WorkstationName", "TransmittedServices",
               "LmPackageName", "KeyLength", "ProcessId", "ProcessName", "IpAddress", "IpPort"};
    return e;
}

tav::evtx::WriterEvent Privileges()
{
    tav::evtx::WriterEvent e;
    e.record.eventId = 4672;
    e.record.provider = "Microsoft-Windows-Security-Auditing";
    e.record.channel = "Security";
    e.record.strings = {"S-1-5-18", "SYSTEM", "NT AUTHORITY", "0x3e7",
                        "SeAssignPrimaryTokenPrivilege\r\n\t\t\tSeTcbPrivilege\r\n\t\t\tSeSecurityPrivilege"};
    e.names = {"SubjectUserSid", "SubjectUserName", "SubjectDomainName", "SubjectLogonId", "PrivilegeList"};
    return e;
}

tav::evtx::WriterEvent SessionLogon(std::uint64_t id)
{
    tav::evtx::WriterEvent e;
    e.record.eventId = 21;
    e.record.provider = "Microsoft-Windows-TerminalServices-LocalSessionManager";
    e.record.channel = "Microsoft-Windows-TerminalServices-LocalSessionManager/Operational";
    e.record.strings = {"CORP\\user" + std::to_string(id % 97), std::to_string(id % 5 + 1), "10.0.0.7"};
    e.names = {"User", "SessionID", "Address"};
    e.userDataWrapper = "EventXML";
    return e;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: evtx_synth OUT.evtx MIB [COMPUTER]\n");
        return 2;
    }
    const std::string computer = argc == 4 ? argv[3] : "WS-0042.corp.example";
    const std::uint64_t target = std::strtoull(argv[2], nullptr, 10) << 20;
    tav::evtx::Error error;
    auto writer = tav::evtx::Writer::Create(argv[1], error);
    if (!writer) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        return 1;
    }
    // Until the chunks written reach the size asked for.
    std::uint64_t id = 1;
    std::uint64_t record = 0;
    std::deque<std::uint64_t> open;  // logons not logged off yet
    const auto add = [&](tav::evtx::WriterEvent e) {
        e.record.recordId = ++record;
        e.record.timeCreated = 1600000000 + static_cast<std::int64_t>(id / 4);
        e.record.timeWritten = e.record.timeCreated;
        e.record.computer = computer;
        if (writer->Add(e, error))
            return true;
        std::fprintf(stderr, "%s\n", error.message.c_str());
        return false;
    };
    for (; target > 0 && (id % 10000 != 0 || std::filesystem::file_size(argv[1]) < target); ++id) {
        const bool logon = id % 5 != 0 && id % 7 != 0 && id % 13 != 0;
        if (!add(id % 5 == 0 ? Privileges() : id % 7 == 0 ? SessionLogon(id) : id % 13 == 0 ? Failed(id) : Logon(id)))
            return 1;
        if (!logon)
            continue;
        open.push_back(id);
        if (open.size() > 64) {
            if (!add(Logoff(open.front())))
                return 1;
            open.pop_front();
        }
    }
    if (!writer->Close(error)) {
        std::fprintf(stderr, "%s\n", error.message.c_str());
        return 1;
    }
    std::printf("%llu events\n", static_cast<unsigned long long>(record));
    return 0;
}
