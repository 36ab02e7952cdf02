#include "sample/sample_logs.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

#include "base/iso_date.h"
#include "evtx/writer.h"

namespace tav::sample {
namespace {

constexpr char kComputer[] = "FIN-WS07.corp.example.com";
constexpr char kDomainSid[] = "S-1-5-21-2977773840-2930198165-1551093962-";
constexpr char kLocalSid[] = "S-1-5-21-1390067357-1202660629-682003330-";
constexpr char kSecurityProvider[] = "Microsoft-Windows-Security-Auditing";
constexpr char kSessionProvider[] = "Microsoft-Windows-TerminalServices-LocalSessionManager";
constexpr char kSessionChannel[] = "Microsoft-Windows-TerminalServices-LocalSessionManager/Operational";
constexpr std::uint64_t kFirstSecurityRecord = 48211;
constexpr std::uint64_t kFirstSessionRecord = 1730;
// The terminal server's three logs.
constexpr char kTerminalServer[] = "FIN-TS01.corp.example.com";
constexpr char kConnectionProvider[] = "Microsoft-Windows-TerminalServices-RemoteConnectionManager";
constexpr char kConnectionChannel[] = "Microsoft-Windows-TerminalServices-RemoteConnectionManager/Operational";
constexpr std::uint64_t kFirstServerSessionRecord = 2001;
constexpr std::uint64_t kFirstConnectionRecord = 501;
constexpr std::uint64_t kFirstServerSecurityRecord = 77001;

std::int64_t UnixSeconds(const char* utc)
{
    return DateTimeToUnixMilliseconds(ParseIsoDate(utc).value().value) / 1000;
}

// "YYYY-MM-DDTHH:MM:SS" of a UTC instant.
std::string IsoUtc(std::int64_t seconds)
{
    std::string text = FormatIsoTime(seconds, std::nullopt);
    text.pop_back();  // the Z
    return text;
}

std::string Hex(std::uint64_t value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

struct Account {
    const char* user;
    const char* domain;
    std::string sid;
};

const Account kIvanov{"a.ivanov", "CORP", std::string(kDomainSid) + "1107"};
const Account kSmith{"j.smith", "CORP", std::string(kDomainSid) + "1112"};
const Account kGarcia{"m.garcia", "CORP", std::string(kDomainSid) + "1120"};
const Account kPetrov{"Петров", "CORP", std::string(kDomainSid) + "1131"};
const Account kSmirnova{"Смирнова.О", "CORP", std::string(kDomainSid) + "1133"};
const Account kAdministrator{"Администратор", "FIN-WS07", std::string(kLocalSid) + "500"};
const Account kServer{"FIN-SRV01$", "CORP", std::string(kDomainSid) + "1001"};
const Account kWorkstation{"FIN-WS07$", "CORP", std::string(kDomainSid) + "1002"};
const Account kAnonymous{"ANONYMOUS LOGON", "NT AUTHORITY", "S-1-5-7"};
const Account kSystem{"SYSTEM", "NT AUTHORITY", "S-1-5-18"};
const Account kFontDriver{"UMFD-0", "Font Driver Host", "S-1-5-96-0-0"};
const Account kWindowManager{"DWM-1", "Window Manager", "S-1-5-90-0-1"};

enum class Auth { Interactive, Ntlm, Kerberos, Service };

struct Logon {
    const char* utc;
    const Account* account;
    int type;
    const char* workstation;
    const char* address;
    Auth auth;
    bool privileged;  // a 4672 follows
    const char* logoffUtc;  // a 4634 then (a 4647 before it for a person's own logon), or nullptr
    int twin = 0;  // the other token of the same logon is this many entries further (0: none)
};

// The workstation's logons, oldest first but for the last one.
const Logon kLogons[] = {
    // A Monday: boot, a user at the console, network bursts, an RDP session.
    {"2023-02-06T06:55:01", &kFontDriver, 2, "-", "-", Auth::Service, false, nullptr},
    {"2023-02-06T06:55:02", &kWindowManager, 2, "-", "-", Auth::Service, false, nullptr},
    {"2023-02-06T06:55:05", &kSystem, 5, "-", "-", Auth::Service, true, nullptr},
    {"2023-02-06T06:58:12", &kIvanov, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, false, "2023-02-06T17:40:10"},
    {"2023-02-06T07:15:40", &kSmith, 3, "HR-LAPTOP12", "10.20.30.52", Auth::Ntlm, false, nullptr},
    {"2023-02-06T07:15:44", &kSmith, 3, "HR-LAPTOP12", "10.20.30.52", Auth::Ntlm, false, nullptr},
    {"2023-02-06T07:15:51", &kSmith, 3, "HR-LAPTOP12", "10.20.30.52", Auth::Ntlm, false, "2023-02-06T07:15:52"},
    {"2023-02-06T07:30:02", &kServer, 3, "-", "10.20.0.5", Auth::Kerberos, false, nullptr},
    {"2023-02-06T07:30:02", &kAnonymous, 3, "", "10.20.30.99", Auth::Ntlm, false, nullptr},
    // An administrator over Remote Desktop: two tokens that name each other
    // (the other one is the last of the table).
    {"2023-02-06T09:12:29", &kPetrov, 10, "DEV-PC03", "10.20.31.17", Auth::Interactive, true, "2023-02-06T12:30:05", 26},
    {"2023-02-06T12:00:00", &kGarcia, 3, "DEV-PC03", "10.20.31.17", Auth::Ntlm, false, nullptr},
    {"2023-02-06T12:00:20", &kGarcia, 3, "DEV-PC03", "10.20.31.17", Auth::Ntlm, false, "2023-02-06T12:01:00"},
    // Tuesday: a cached logon, a console burst, a Cyrillic workstation, Kerberos.
    {"2023-02-07T08:01:05", &kIvanov, 11, "FIN-WS07", "127.0.0.1", Auth::Interactive, false, nullptr},
    {"2023-02-07T08:03:00", &kPetrov, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, true, nullptr},
    {"2023-02-07T08:03:12", &kPetrov, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, true, nullptr},
    {"2023-02-07T08:03:33", &kPetrov, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, true, "2023-02-07T16:20:00"},
    {"2023-02-07T10:45:00", &kSmirnova, 3, "БУХ-ПК01", "10.20.32.8", Auth::Ntlm, false, "2023-02-07T10:45:01"},
    {"2023-02-07T11:00:00", &kSmith, 3, "-", "10.20.30.52", Auth::Kerberos, false, "2023-02-07T11:00:00"},
    // The local administrator: an elevated token and its linked twin.
    {"2023-02-09T07:05:00", &kAdministrator, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, true, "2023-02-09T07:35:00",
     1},
    {"2023-02-09T07:05:00", &kAdministrator, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, false,
     "2023-02-09T07:35:00", -1},
    // United States, clocks forward at 07:00 UTC.
    {"2023-03-12T06:59:50", &kGarcia, 3, "DEV-PC03", "10.20.31.17", Auth::Ntlm, false, nullptr},
    {"2023-03-12T07:00:05", &kGarcia, 3, "DEV-PC03", "10.20.31.17", Auth::Ntlm, false, nullptr},
    // Europe, clocks forward at 01:00 UTC.
    {"2023-03-26T00:59:30", &kIvanov, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, false, nullptr},
    {"2023-03-26T01:00:30", &kSmith, 3, "HR-LAPTOP12", "10.20.30.52", Auth::Ntlm, false, nullptr},
    {"2023-04-18T06:50:00", &kIvanov, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, false, nullptr},
    {"2023-04-18T09:29:58", &kSmith, 3, "HR-LAPTOP12", "10.20.30.52", Auth::Ntlm, false, nullptr},
    {"2023-04-18T09:30:00", &kSmith, 10, "HR-LAPTOP12", "10.20.30.52", Auth::Interactive, false, "2023-04-18T17:55:00"},
    {"2023-06-01T12:00:00", &kGarcia, 3, "DEV-PC03", "2001:db8:10::25", Auth::Ntlm, false, nullptr},
    {"2023-07-14T08:15:00", &kSmirnova, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, false, "2023-07-14T17:02:11"},
    {"2023-09-01T10:00:00", &kPetrov, 11, "FIN-WS07", "127.0.0.1", Auth::Interactive, true, nullptr},
    {"2023-09-01T10:00:07", &kWorkstation, 3, "-", "::1", Auth::Kerberos, false, nullptr},
    // Europe, clocks back at 01:00 UTC: both show as 02:30 there.
    {"2023-10-29T00:30:00", &kPetrov, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, true, "2023-10-29T01:10:00"},
    {"2023-10-29T01:30:00", &kPetrov, 2, "FIN-WS07", "127.0.0.1", Auth::Interactive, true, nullptr},
    // United States, clocks back at 06:00 UTC: both show as 01:30 there.
    {"2023-11-05T05:30:00", &kSmith, 3, "HR-LAPTOP12", "10.20.30.52", Auth::Ntlm, false, nullptr},
    {"2023-11-05T06:30:00", &kSmith, 3, "HR-LAPTOP12", "10.20.30.52", Auth::Ntlm, false, nullptr},
    {"2023-02-06T09:12:29", &kPetrov, 10, "DEV-PC03", "10.20.31.17", Auth::Interactive, false, "2023-02-06T12:30:05",
     -26},
};

evtx::WriterEvent SecurityEvent(const char* utc, std::uint32_t eventId, const char* computer = kComputer)
{
    evtx::WriterEvent e;
    e.record.timeCreated = UnixSeconds(utc);
    e.record.timeWritten = e.record.timeCreated;
    e.record.eventId = eventId;
    e.record.provider = kSecurityProvider;
    e.record.channel = "Security";
    e.record.computer = computer;
    return e;
}

// The computer's account: its host name with a $.
std::string MachineAccount(const char* computer)
{
    const std::string name = computer;
    return name.substr(0, name.find('.')) + "$";
}

// Event 4624 as Windows 10 writes it (version 2, 27 strings).
evtx::WriterEvent LogonEvent(const Logon& logon, std::uint64_t logonId, std::uint64_t linkedId, std::size_t index,
                             const char* computer = kComputer)
{
    const bool local = logon.auth == Auth::Interactive || logon.auth == Auth::Service;
    const bool ntlm = logon.auth == Auth::Ntlm;
    const char* process = logon.auth == Auth::Interactive ? "C:\\Windows\\System32\\svchost.exe"
                          : logon.auth == Auth::Service   ? "C:\\Windows\\System32\\services.exe"
                                                          : "-";
    const char* logonProcess = logon.auth == Auth::Interactive ? "User32 "
                               : logon.auth == Auth::Service   ? "Advapi  "
                               : ntlm                          ? "NtLmSsp "
                                                               : "Kerberos";
    char guid[40];
    std::snprintf(guid, sizeof guid, "{%08llX-1F3C-4E0B-9A77-%012llX}",
                  static_cast<unsigned long long>(0x5B2E9D40 + index),
                  static_cast<unsigned long long>(0x3C91AE5D2000 + index * 0x11));
    evtx::WriterEvent e = SecurityEvent(logon.utc, 4624, computer);
    e.record.strings = {local ? "S-1-5-18" : "S-1-0-0",
                        local ? MachineAccount(computer) : "-",
                        local ? "CORP" : "-",
                        local ? "0x3e7" : "0x0",
                        logon.account->sid,
                        logon.account->user,
                        logon.account->domain,
                        Hex(logonId),
                        std::to_string(logon.type),
                        logonProcess,
                        ntlm ? "NTLM" : logon.auth == Auth::Kerberos ? "Kerberos" : "Negotiate",
                        logon.workstation,
                        logon.auth == Auth::Kerberos ? guid : "{00000000-0000-0000-0000-000000000000}",
                        "-",
                        ntlm ? "NTLM V2" : "-",
                        ntlm ? "128" : "0",
                        local ? (logon.auth == Auth::Service ? "0x2b4" : "0x3c8") : "0x0",
                        process,
                        logon.address,
                        local ? "0" : std::to_string(49152 + (index * 7919) % 16000),
                        "%%1833",
                        logon.type == 10 ? "%%1843" : "-",
                        "-",
                        "-",
                        logon.auth == Auth::Service && logon.account != &kSystem ? "%%1842" : "%%1843",
                        Hex(linkedId),
                        logon.privileged ? "%%1842" : "%%1843"};
    e.names.assign(std::begin(evtx::kLogonDataNames), std::end(evtx::kLogonDataNames));
    return e;
}

evtx::WriterEvent PrivilegesEvent(const Logon& logon, std::uint64_t logonId)
{
    evtx::WriterEvent e = SecurityEvent(logon.utc, 4672);
    e.record.strings = {logon.account->sid, logon.account->user, logon.account->domain, Hex(logonId),
                        "SeSecurityPrivilege\r\n\t\t\tSeTakeOwnershipPrivilege\r\n\t\t\tSeLoadDriverPrivilege\r\n"
                        "\t\t\tSeBackupPrivilege\r\n\t\t\tSeRestorePrivilege\r\n\t\t\tSeDebugPrivilege\r\n"
                        "\t\t\tSeSystemEnvironmentPrivilege\r\n\t\t\tSeImpersonatePrivilege\r\n"
                        "\t\t\tSeDelegateSessionUserImpersonatePrivilege"};
    e.names = {"SubjectUserSid", "SubjectUserName", "SubjectDomainName", "SubjectLogonId", "PrivilegeList"};
    return e;
}

// 4634 `delay` seconds after the logoff time; 4647, the user's own
// logoff, at that time.
evtx::WriterEvent LogoffEvent(const Logon& logon, std::uint64_t logonId, std::uint32_t eventId, int delay,
                              const char* computer = kComputer)
{
    evtx::WriterEvent e = SecurityEvent(logon.logoffUtc, eventId, computer);
    e.record.timeCreated += delay;
    e.record.timeWritten = e.record.timeCreated;
    e.record.strings = {logon.account->sid, logon.account->user, logon.account->domain, Hex(logonId)};
    e.names = {"TargetUserSid", "TargetUserName", "TargetDomainName", "TargetLogonId"};
    if (eventId == 4634) {
        e.record.strings.push_back(std::to_string(logon.type));
        e.names.push_back("LogonType");
    }
    return e;
}

std::uint64_t LogonId(std::size_t index)
{
    return 0x3a6f00 + index * 0x1d3;
}

// Windows starting (4608) and the event log service stopping before a
// shutdown (1100); a start with no stop before it is a power cut.
struct SystemEvent {
    const char* utc;
    std::uint32_t eventId;
};

const SystemEvent kSystemEvents[] = {
    {"2023-02-06T03:10:00", 4608},
    {"2023-02-07T02:00:10", 1100}, {"2023-02-07T02:01:40", 4608},  // updates
    {"2023-02-09T13:20:00", 4608},                                 // power cut
    {"2023-03-25T23:30:00", 1100}, {"2023-03-26T00:50:00", 4608},
    {"2023-04-18T23:30:00", 1100}, {"2023-06-01T03:00:00", 4608},
    {"2023-07-14T23:30:00", 1100}, {"2023-09-01T03:00:00", 4608},
    {"2023-10-28T23:30:00", 1100}, {"2023-10-29T00:10:00", 4608},
};

evtx::WriterEvent SystemEventOf(const SystemEvent& system, const char* computer = kComputer)
{
    evtx::WriterEvent e = SecurityEvent(system.utc, system.eventId, computer);
    if (system.eventId == 1100)
        e.record.provider = "Microsoft-Windows-Eventlog";
    return e;
}

// Remote Desktop disconnects (4779) and reconnects (4778) of the logon at
// `logon` in kLogons.
struct Reconnect {
    const char* utc;
    std::uint32_t eventId;
    std::size_t logon;
};

const Reconnect kReconnects[] = {
    {"2023-02-06T11:40:00", 4779, 9}, {"2023-02-06T11:55:00", 4778, 9},
    {"2023-04-18T10:05:00", 4779, 26}, {"2023-04-18T13:40:00", 4778, 26},
};

evtx::WriterEvent ReconnectEventOf(const char* utc, std::uint32_t eventId, const Account& account,
                                   std::uint64_t logonId, const char* sessionName, const char* clientName,
                                   const char* clientAddress, const char* computer)
{
    evtx::WriterEvent e = SecurityEvent(utc, eventId, computer);
    e.record.strings = {account.user, account.domain, Hex(logonId), sessionName, clientName, clientAddress};
    e.names = {"AccountName", "AccountDomain", "LogonID", "SessionName", "ClientName", "ClientAddress"};
    return e;
}

evtx::WriterEvent ReconnectEvent(const Reconnect& reconnect)
{
    const Logon& logon = kLogons[reconnect.logon];
    return ReconnectEventOf(reconnect.utc, reconnect.eventId, *logon.account, LogonId(reconnect.logon), "RDP-Tcp#3",
                            logon.workstation, logon.address, kComputer);
}

// A failed logon (4625): `subStatus` says why.
struct Failure {
    std::string utc;
    std::string user;
    int type;
    const char* workstation;
    const char* address;
    const char* subStatus;
};

// A few mistyped passwords of the office, and two machines of the internet
// guessing names and passwords over the network one night.
std::vector<Failure> Failures()
{
    std::vector<Failure> failures = {
        {"2023-02-07T08:02:41", "Петров", 2, "FIN-WS07", "127.0.0.1", "0xc000006a"},
        {"2023-03-12T06:59:40", "m.garcia", 3, "DEV-PC03", "10.20.31.17", "0xc000006a"},
        {"2023-04-18T09:29:40", "j.smith", 10, "HR-LAPTOP12", "10.20.30.52", "0xc000006a"},
        {"2023-04-18T09:29:50", "J.Smith", 10, "HR-LAPTOP12", "10.20.30.52", "0xc000006a"},
        {"2023-07-14T08:14:30", "Смирнова.О", 2, "FIN-WS07", "127.0.0.1", "0xc0000071"},
        {"2023-10-29T00:29:50", "Петров", 2, "FIN-WS07", "127.0.0.1", "0xc000006a"},
    };
    const char* const names[] = {"administrator", "admin", "Administrator", "user", "test", "scanner", "backup",
                                 "sql", "Администратор", "guest"};
    std::int64_t time = UnixSeconds("2023-06-01T02:14:05");
    for (int i = 0; i < 36; ++i, time += 7) {
        const std::string user = names[i % std::size(names)];
        const bool real = user == "Администратор" || user == "guest";
        failures.push_back({IsoUtc(time), user, 3, "-", "203.0.113.45",
                            i == 35 ? "0xc0000234" : user == "guest" ? "0xc0000072" : real ? "0xc000006a" : "0xc0000064"});
    }
    time = UnixSeconds("2023-06-01T02:31:17");
    for (const char* user : {"a.ivanov", "ivanov", "aivanov", "a.ivanov", "A.Ivanov", "a.ivanov", "ivanov.a", "a.ivanov"}) {
        failures.push_back({IsoUtc(time), user, 3, "WIN-7Q2M4K", "198.51.100.23",
                            std::string(user).find('.') == 1 || user[0] == 'A' ? "0xc000006a" : "0xc0000064"});
        time += 13;
    }
    return failures;
}

evtx::WriterEvent FailureEvent(const Failure& failure)
{
    const bool locked = std::string(failure.subStatus) == "0xc0000234";
    const bool local = failure.type == 2;
    evtx::WriterEvent e = SecurityEvent(failure.utc.c_str(), 4625);
    e.record.strings = {local ? "S-1-5-18" : "S-1-0-0", local ? "FIN-WS07$" : "-", local ? "CORP" : "-",
                        local ? "0x3e7" : "0x0", "S-1-0-0", failure.user, local ? "CORP" : "",
                        locked ? "0xc0000234" : "0xc000006d", locked ? "%%2307" : "%%2313",
                        locked ? "0x0" : failure.subStatus, std::to_string(failure.type),
                        local || failure.type == 10 ? "User32 " : "NtLmSsp ", local ? "Negotiate" : "NTLM",
                        failure.workstation, "-", "-", "0", local ? "0x3c8" : "0x0",
                        local ? "C:\\Windows\\System32\\svchost.exe" : "-", failure.address,
                        local ? "0" : "50112"};
    e.names = {"SubjectUserSid", "SubjectUserName", "SubjectDomainName", "SubjectLogonId", "TargetUserSid",
               "TargetUserName", "TargetDomainName", "Status", "FailureReason", "SubStatus", "LogonType",
               "LogonProcessName", "AuthenticationPackageName", "WorkstationName", "TransmittedServices",
               "LmPackageName", "KeyLength", "ProcessId", "ProcessName", "IpAddress", "IpPort"};
    return e;
}

struct Session {
    const char* utc;
    std::uint32_t eventId;  // 21 logon, 22 shell start, 23 logoff, 24 disconnect, 25 reconnect; 39, 40
    const char* user;       // none for 39 and 40
    int session;
    // None for 23; for 39 the session that disconnected this one, for 40
    // the reason code.
    const char* address;
};

// The session manager's events, oldest first.
const Session kSessions[] = {
    {"2023-02-06T06:58:14", 21, "CORP\\a.ivanov", 1, "LOCAL"},
    {"2023-02-06T06:58:15", 22, "CORP\\a.ivanov", 1, "LOCAL"},
    {"2023-02-06T09:12:31", 21, "CORP\\Петров", 2, "10.20.31.17"},
    {"2023-02-06T09:12:32", 22, "CORP\\Петров", 2, "10.20.31.17"},
    {"2023-02-06T11:40:00", 24, "CORP\\Петров", 2, "10.20.31.17"},
    {"2023-02-06T11:55:00", 25, "CORP\\Петров", 2, "10.20.31.17"},
    {"2023-02-06T17:40:12", 23, "CORP\\a.ivanov", 1, nullptr},
    {"2023-02-07T08:03:02", 21, "CORP\\Петров", 1, "LOCAL"},
    {"2023-02-09T07:05:02", 21, "FIN-WS07\\Администратор", 1, "LOCAL"},
    {"2023-04-18T09:30:02", 21, "CORP\\j.smith", 3, "10.20.30.52"},
    {"2023-04-18T09:35:00", 21, "CORP\\m.garcia", 4, ""},
    {"2023-04-18T09:35:01", 22, "CORP\\m.garcia", 4, ""},
    {"2023-07-14T08:15:03", 21, "CORP\\Смирнова.О", 1, "LOCAL"},
    {"2023-10-29T00:30:02", 21, "CORP\\Петров", 1, "LOCAL"},
    {"2023-10-29T01:30:02", 21, "CORP\\Петров", 1, "LOCAL"},
    {"2023-11-05T05:30:05", 21, "CORP\\j.smith", 2, "10.20.30.52"},
    {"2023-11-05T06:30:05", 21, "CORP\\j.smith", 2, "2001:db8:10::25"},
    {"2023-11-05T06:45:00", 24, "CORP\\j.smith", 2, "2001:db8:10::25"},
};

evtx::WriterEvent SessionEvent(const Session& session, const char* computer = kComputer)
{
    evtx::WriterEvent e;
    e.record.timeCreated = UnixSeconds(session.utc);
    e.record.timeWritten = e.record.timeCreated;
    e.record.eventId = session.eventId;
    e.record.provider = kSessionProvider;
    e.record.channel = kSessionChannel;
    e.record.computer = computer;
    e.record.strings = {session.user, std::to_string(session.session)};
    e.names = {"User", "SessionID"};
    if (session.address) {
        e.record.strings.push_back(session.address);
        e.names.push_back("Address");
    }
    e.userDataWrapper = "EventXML";
    return e;
}

// Writes `events` in time order (stable), numbering them from `firstId`.
bool WriteLog(const std::filesystem::path& path, std::vector<evtx::WriterEvent> events, std::uint64_t firstId,
              std::string& error)
{
    std::stable_sort(events.begin(), events.end(), [](const evtx::WriterEvent& a, const evtx::WriterEvent& b) {
        return a.record.timeCreated < b.record.timeCreated;
    });
    evtx::Error failure;
    auto writer = evtx::Writer::Create(path, failure);
    bool ok = writer != nullptr;
    for (std::size_t i = 0; ok && i < events.size(); ++i) {
        events[i].record.recordId = firstId + i;
        ok = writer->Add(events[i], failure);
    }
    ok = ok && writer->Close(failure);
    if (!ok)
        error = failure.message;
    return ok;
}

// Services start under SYSTEM a few times on every day the log has logons:
// most of a real Security log, and enough to fill several chunks.
std::vector<std::string> ServiceLogonTimes()
{
    std::set<std::string> days;
    for (const Logon& logon : kLogons)
        days.insert(std::string(logon.utc).substr(0, 10));
    std::vector<std::string> times;
    for (const std::string& day : days)
        for (const char* time : {"T03:17:42", "T07:47:09", "T11:02:55", "T14:38:21", "T18:11:36", "T22:29:03"})
            times.push_back(day + time);
    return times;
}

void AddLogon(std::vector<evtx::WriterEvent>& events, const Logon& logon, std::size_t index,
              std::uint64_t logonId, const char* computer = kComputer)
{
    events.push_back(LogonEvent(logon, logonId, logon.twin != 0 ? LogonId(index + logon.twin) : 0, index, computer));
    if (logon.privileged)
        events.push_back(PrivilegesEvent(logon, logonId));
    if (!logon.logoffUtc)
        return;
    // A person signs out once (4647); each token then ends (4634).
    const bool person = logon.auth == Auth::Interactive;
    if (person && logon.twin >= 0)
        events.push_back(LogoffEvent(logon, logonId, 4647, 0, computer));
    events.push_back(LogoffEvent(logon, logonId, 4634, person ? 2 : 0, computer));
}

// The terminal server FIN-TS01 over three days of May 2023: what rebuilding
// whole Remote Desktop sessions from its logs has to get right. A session
// disconnected and taken up again from another address, one left
// disconnected by the idle time-out to the end, one that began before the
// logs did, an authentication with no session after it, a console session
// cut by a shutdown, and a session id used again after the restart.

// a.ivanov's logon, before the logs begin.
constexpr std::uint64_t kIvanovLogonId = 0x2c41d07;
constexpr std::uint64_t kSmithLogonId = 0x3b70a15;
constexpr std::uint64_t kPetrovLogonId = 0x4d1e6f3;
// After the restart the numbers begin anew.
constexpr std::uint64_t kSmirnovaLogonId = 0x1e3a40;
constexpr std::uint64_t kGarciaLogonId = 0x2f0b91;

// The session manager's events, oldest first. 39 and 40 name no user: 39
// the session and the one that disconnected it, 40 the session and why
// (3 idle time-out, 11 disconnected by the user, 12 logged off by the user).
const Session kServerSessions[] = {
    // a.ivanov's session 5, logged on before the log begins, is taken up again.
    {"2023-05-15T06:40:04", 25, "CORP\\a.ivanov", 5, "10.20.30.60"},
    // j.smith's session 2 from the office laptop, disconnected by closing the window;
    {"2023-05-15T07:58:13", 21, "CORP\\j.smith", 2, "10.20.30.52"},
    {"2023-05-15T07:58:14", 22, "CORP\\j.smith", 2, "10.20.30.52"},
    {"2023-05-15T09:45:00", 40, nullptr, 2, "11"},
    {"2023-05-15T09:45:01", 24, "CORP\\j.smith", 2, "10.20.30.52"},
    // a.ivanov disconnects from the Start menu: his own session did it.
    {"2023-05-15T11:20:00", 39, nullptr, 5, "5"},
    {"2023-05-15T11:20:00", 40, nullptr, 5, "11"},
    {"2023-05-15T11:20:01", 24, "CORP\\a.ivanov", 5, "10.20.30.60"},
    // j.smith comes back from home two hours later;
    {"2023-05-15T11:45:12", 25, "CORP\\j.smith", 2, "198.51.100.7"},
    // the limit on disconnected sessions logs a.ivanov off;
    {"2023-05-15T13:20:01", 23, "CORP\\a.ivanov", 5, nullptr},
    // j.smith logs off: the disconnect follows the logoff.
    {"2023-05-15T16:30:00", 40, nullptr, 2, "12"},
    {"2023-05-15T16:30:01", 23, "CORP\\j.smith", 2, nullptr},
    {"2023-05-15T16:30:02", 24, "CORP\\j.smith", 2, "198.51.100.7"},
    // Петров at the console; the server goes down that evening with his
    // session open.
    {"2023-05-16T07:30:42", 21, "CORP\\Петров", 4, "LOCAL"},
    {"2023-05-16T07:30:43", 22, "CORP\\Петров", 4, "LOCAL"},
    // After the restart: session 2 again, for someone else.
    {"2023-05-17T08:05:22", 21, "CORP\\Смирнова.О", 2, "10.20.32.8"},
    {"2023-05-17T08:05:23", 22, "CORP\\Смирнова.О", 2, "10.20.32.8"},
    // m.garcia is disconnected by the idle time-out and never comes back.
    {"2023-05-17T09:10:32", 21, "CORP\\m.garcia", 3, "10.20.31.17"},
    {"2023-05-17T09:10:33", 22, "CORP\\m.garcia", 3, "10.20.31.17"},
    {"2023-05-17T11:40:33", 40, nullptr, 3, "3"},
    {"2023-05-17T11:40:34", 24, "CORP\\m.garcia", 3, "10.20.31.17"},
    {"2023-05-17T16:50:00", 40, nullptr, 2, "12"},
    {"2023-05-17T16:50:01", 23, "CORP\\Смирнова.О", 2, nullptr},
    {"2023-05-17T16:50:02", 24, "CORP\\Смирнова.О", 2, "10.20.32.8"},
};

evtx::WriterEvent ServerSessionEvent(const Session& session)
{
    if (session.user)
        return SessionEvent(session, kTerminalServer);
    evtx::WriterEvent e = SessionEvent(Session{session.utc, session.eventId, "", session.session, nullptr},
                                       kTerminalServer);
    e.record.strings = {std::to_string(session.session), session.address};
    if (session.eventId == 39)
        e.names = {"TargetSession", "Source"};
    else
        e.names = {"Session", "Reason"};
    return e;
}

// Remote Desktop authentications the connection manager accepted (1149),
// a second or two before the session they open or take up again.
struct Authentication {
    const char* utc;
    const char* user;
    const char* domain;  // often empty
    const char* address;
};

const Authentication kAuthentications[] = {
    {"2023-05-15T06:40:02", "a.ivanov", "CORP", "10.20.30.60"},
    {"2023-05-15T07:58:11", "j.smith", "CORP", "10.20.30.52"},
    {"2023-05-15T11:45:10", "j.smith", "CORP", "198.51.100.7"},
    // From outside, and no session follows.
    {"2023-05-15T22:13:07", "admin", "", "203.0.113.45"},
    {"2023-05-17T08:05:20", "Смирнова.О", "CORP", "10.20.32.8"},
    {"2023-05-17T09:10:30", "m.garcia", "CORP", "10.20.31.17"},
};

evtx::WriterEvent AuthenticationEvent(const Authentication& authentication)
{
    evtx::WriterEvent e;
    e.record.timeCreated = UnixSeconds(authentication.utc);
    e.record.timeWritten = e.record.timeCreated;
    e.record.eventId = 1149;
    e.record.provider = kConnectionProvider;
    e.record.channel = kConnectionChannel;
    e.record.computer = kTerminalServer;
    e.record.strings = {authentication.user, authentication.domain, authentication.address};
    e.names = {"Param1", "Param2", "Param3"};
    e.userDataWrapper = "EventXML";
    return e;
}

struct ServerLogon {
    Logon logon;
    std::uint64_t logonId;
};

const ServerLogon kServerLogons[] = {
    {{"2023-05-15T07:58:12", &kSmith, 10, "HR-LAPTOP12", "10.20.30.52", Auth::Interactive, false,
      "2023-05-15T16:30:00"},
     kSmithLogonId},
    {{"2023-05-16T07:30:40", &kPetrov, 2, "FIN-TS01", "127.0.0.1", Auth::Interactive, false, nullptr},
     kPetrovLogonId},
    {{"2023-05-17T08:05:21", &kSmirnova, 10, "БУХ-ПК01", "10.20.32.8", Auth::Interactive, false,
      "2023-05-17T16:50:00"},
     kSmirnovaLogonId},
    {{"2023-05-17T09:10:31", &kGarcia, 10, "DEV-PC03", "10.20.31.17", Auth::Interactive, false, nullptr},
     kGarciaLogonId},
};

// a.ivanov's session, logged off while disconnected: a 4634 with no 4647.
const Logon kIvanovSession{"2023-05-12T07:02:00", &kIvanov, 10, "ACC-PC08", "10.20.30.60", Auth::Interactive, false,
                           "2023-05-15T13:20:01"};

// Windows writes 4778 when a session is taken up again and 4779 when it is
// disconnected; a first connection has neither, so its client's name shows
// only at its disconnect. The connection numbers begin anew after a restart.
struct ServerReconnect {
    const char* utc;
    std::uint32_t eventId;
    const Account* account;
    std::uint64_t logonId;
    const char* sessionName;
    const char* clientName;
    const char* clientAddress;
};

const ServerReconnect kServerReconnects[] = {
    {"2023-05-15T06:40:05", 4778, &kIvanov, kIvanovLogonId, "RDP-Tcp#7", "ACC-PC08", "10.20.30.60"},
    {"2023-05-15T09:45:01", 4779, &kSmith, kSmithLogonId, "RDP-Tcp#8", "HR-LAPTOP12", "10.20.30.52"},
    {"2023-05-15T11:20:01", 4779, &kIvanov, kIvanovLogonId, "RDP-Tcp#7", "ACC-PC08", "10.20.30.60"},
    {"2023-05-15T11:45:13", 4778, &kSmith, kSmithLogonId, "RDP-Tcp#9", "HOME-PC", "198.51.100.7"},
    {"2023-05-17T11:40:34", 4779, &kGarcia, kGarciaLogonId, "RDP-Tcp#1", "DEV-PC03", "10.20.31.17"},
};

// The shutdown with Петров still at the console, and the restart.
const SystemEvent kServerSystemEvents[] = {
    {"2023-05-16T19:02:00", 1100},
    {"2023-05-16T19:04:30", 4608},
};

std::vector<evtx::WriterEvent> ServerSecurityEvents()
{
    std::vector<evtx::WriterEvent> events;
    for (const ServerLogon& logon : kServerLogons)
        AddLogon(events, logon.logon, 0, logon.logonId, kTerminalServer);
    events.push_back(LogoffEvent(kIvanovSession, kIvanovLogonId, 4634, 2, kTerminalServer));
    for (const ServerReconnect& r : kServerReconnects)
        events.push_back(ReconnectEventOf(r.utc, r.eventId, *r.account, r.logonId, r.sessionName, r.clientName,
                                          r.clientAddress, kTerminalServer));
    for (const SystemEvent& system : kServerSystemEvents)
        events.push_back(SystemEventOf(system, kTerminalServer));
    return events;
}

}  // namespace

bool WriteSampleLogs(const std::filesystem::path& folder, std::string& error)
{
    std::vector<evtx::WriterEvent> security;
    std::size_t index = 0;
    for (const Logon& logon : kLogons) {
        AddLogon(security, logon, index, LogonId(index));
        ++index;
    }
    const std::vector<std::string> serviceTimes = ServiceLogonTimes();
    for (const std::string& time : serviceTimes) {
        AddLogon(security, Logon{time.c_str(), &kSystem, 5, "-", "-", Auth::Service, true, nullptr}, index,
                 LogonId(index));
        ++index;
    }
    for (const SystemEvent& system : kSystemEvents)
        security.push_back(SystemEventOf(system));
    for (const Reconnect& reconnect : kReconnects)
        security.push_back(ReconnectEvent(reconnect));
    for (const Failure& failure : Failures())
        security.push_back(FailureEvent(failure));
    std::vector<evtx::WriterEvent> sessions;
    for (const Session& session : kSessions)
        sessions.push_back(SessionEvent(session));
    std::vector<evtx::WriterEvent> serverSessions;
    for (const Session& session : kServerSessions)
        serverSessions.push_back(ServerSessionEvent(session));
    std::vector<evtx::WriterEvent> connections;
    for (const Authentication& authentication : kAuthentications)
        connections.push_back(AuthenticationEvent(authentication));
    return WriteLog(folder / kSampleSecurityLog, std::move(security), kFirstSecurityRecord, error) &&
           WriteLog(folder / kSampleSessionLog, std::move(sessions), kFirstSessionRecord, error) &&
           WriteLog(folder / kSampleServerSessionLog, std::move(serverSessions), kFirstServerSessionRecord, error) &&
           WriteLog(folder / kSampleServerConnectionLog, std::move(connections), kFirstConnectionRecord, error) &&
           WriteLog(folder / kSampleServerSecurityLog, ServerSecurityEvents(), kFirstServerSecurityRecord, error);
}

}  // namespace tav::sample
