// The rules of logon sessions, each as one row of a table: records in, the
// sessions they make out, as last lists them.
#include "sessions/session_tracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/security_events.h"
#include "sessions/security_events.h"
#include "tests/sessions/day_times.h"

namespace tav::sessions {
namespace {

using test::At;
using test::Clock;

evtx::Record Event(const char* time, std::uint16_t id, std::vector<std::string> strings, const char* computer = "PC1")
{
    evtx::Record r;
    r.timeCreated = r.timeWritten = At(time);
    r.eventId = id;
    r.provider = id == security::kLogShutdown ? kEventLogProvider : kSecurityProvider;
    r.channel = "Security";
    r.computer = computer;
    r.strings = std::move(strings);
    return r;
}

struct LogonSpec {
    const char* user = "ann";
    const char* id = "0x10";
    int type = 2;
    const char* linked = "0x0";  // nullptr: an older 4624 without the field
    const char* ip = "-";
    const char* sid = "S-1-5-21-1-2-3-1001";
    const char* computer = "PC1";
};

evtx::Record Logon(const char* time, const LogonSpec& l)
{
    std::vector<std::string> s = {"S-1-5-18", "PC1$", "CORP", "0x3e7", l.sid, l.user, "CORP", l.id,
                                  std::to_string(l.type), "User32 ", "Negotiate", "PC1", "{0}", "-", "-", "0",
                                  "0x3c8", "C:\\Windows\\System32\\svchost.exe", l.ip, "0"};
    if (l.linked)
        s.insert(s.end(), {"%%1833", "-", "-", "-", "%%1843", l.linked, "%%1842"});
    return Event(time, security::kLogon, std::move(s), l.computer);
}

evtx::Record Logoff(const char* time, std::uint16_t event, const char* id, const char* computer = "PC1")
{
    if (event == security::kReconnect || event == security::kDisconnect)
        return Event(time, event, {"ann", "CORP", id, "RDP-Tcp#1", "HOST", "10.0.0.9"}, computer);
    return Event(time, event, {"S-1-5-21-1-2-3-1001", "ann", "CORP", id, "2"}, computer);
}

evtx::Record Boot(const char* time, const char* computer = "PC1") { return Event(time, security::kBoot, {}, computer); }
evtx::Record Shutdown(const char* time) { return Event(time, security::kLogShutdown, {}); }

// The sessions of `records` in the order they end: user, from, start, end, reason.
std::string Sessions(const std::vector<evtx::Record>& records, SessionRules rules = {})
{
    std::string rows;
    SessionTracker tracker(rules, [&](Session&& s) {
        rows += s.user + " " + s.from + " " + Clock(s.start) + " " + (s.end ? Clock(*s.end) : "-") + " " +
                EndReasonKey(s.reason) + " " + std::to_string(s.disconnects) + "/" + std::to_string(s.reconnects) +
                "\n";
    });
    // One record taken into, as the run reuses its items.
    evtx::Record taken;
    for (const evtx::Record& record : records)
        if (tracker.Take(record, taken))
            tracker.Offer(taken);
    tracker.Finish();
    return rows;
}

TEST(SessionTracker, EachRuleOfSessionPairing)
{
    const LogonSpec rdp{.user = "bob", .id = "0x20", .type = 10, .linked = "0x21", .ip = "10.0.0.5"};
    const LogonSpec old{.user = "carl", .id = "0x30", .linked = nullptr};
    const struct {
        const char* name;
        std::vector<evtx::Record> records;
        const char* sessions;
        std::vector<int> types = {2, 10, 11};
    } cases[] = {
        {"a logoff ends it", {Logon("08:00:00", {}), Logoff("09:00:00", security::kLogoff, "0x10")},
         "ann PC1 08:00:00 09:00:00 logoff 0/0\n"},
        {"the user's logoff, then the system's",
         {Logon("08:00:00", {}), Logoff("09:00:00", security::kUserLogoff, "0x10"),
          Logoff("09:00:05", security::kLogoff, "0x10")},
         "ann PC1 08:00:00 09:00:00 logoff 0/0\n"},
        {"a shutdown ends the open ones",
         {Logon("08:00:00", {}), Shutdown("10:00:00"), Logon("11:00:00", {.id = "0x11"})},
         "ann PC1 08:00:00 10:00:00 shutdown 0/0\nann PC1 11:00:00 - open 0/0\n"},
        {"a boot is a crash and forgets the ids",
         {Logon("08:00:00", {}), Boot("09:00:00"), Logon("09:10:00", {}), Logoff("09:20:00", security::kLogoff, "0x10")},
         "ann PC1 08:00:00 09:00:00 crash 0/0\nann PC1 09:10:00 09:20:00 logoff 0/0\n"},
        {"a linked pair ends with its last id",
         {Logon("08:00:00", rdp),
          Logon("08:00:02", {.user = "bob", .id = "0x21", .type = 10, .linked = "0x20", .ip = "10.0.0.5"}),
          Logoff("09:00:00", security::kLogoff, "0x20"), Logoff("09:30:00", security::kLogoff, "0x21")},
         "bob 10.0.0.5 08:00:00 09:30:00 logoff 0/0\n"},
        {"a link too late or of another SID is a session of its own",
         {Logon("08:00:00", rdp), Logon("08:00:03", {.user = "bob", .id = "0x21", .type = 10, .linked = "0x20"}),
          Logon("08:00:04", {.user = "eve", .id = "0x22", .type = 10, .linked = "0x20", .sid = "S-1-5-21-9"})},
         "bob 10.0.0.5 08:00:00 - open 0/0\nbob PC1 08:00:03 - open 0/0\neve PC1 08:00:04 - open 0/0\n"},
        {"a split pair without a link: the same second and user",
         {Logon("08:00:00", old), Logon("08:00:00", {.user = "carl", .id = "0x31", .linked = nullptr}),
          Logoff("09:00:00", security::kLogoff, "0x31"), Logoff("09:05:00", security::kLogoff, "0x30")},
         "carl PC1 08:00:00 09:05:00 logoff 0/0\n"},
        {"no split pair across seconds, nor of network logons",
         {Logon("08:00:00", old), Logon("08:00:01", {.user = "carl", .id = "0x31", .linked = nullptr}),
          Logon("08:00:05", {.user = "carl", .id = "0x32", .type = 3, .linked = nullptr}),
          Logon("08:00:05", {.user = "carl", .id = "0x33", .type = 3, .linked = nullptr})},
         "carl PC1 08:00:00 - open 0/0\ncarl PC1 08:00:01 - open 0/0\ncarl PC1 08:00:05 - open 0/0\n"
         "carl PC1 08:00:05 - open 0/0\n",
         {2, 3}},
        {"a clock set back", {Logon("10:00:00", {}), Logoff("09:00:00", security::kLogoff, "0x10")},
         "ann PC1 10:00:00 09:00:00 logoff 0/0\n"},
        {"network, computer accounts and the system's own are left out",
         {Logon("08:00:00", {.type = 3}), Logon("08:00:01", {.user = "PC1$", .id = "0x12"}),
          Logon("08:00:02", {.user = "SYSTEM", .id = "0x13", .sid = "S-1-5-18"}),
          Logon("08:00:03", {.user = "DWM-1", .id = "0x14", .sid = "S-1-5-90-0-1"}),
          Logon("08:00:04", {.user = "UMFD-0", .id = "0x15", .sid = "S-1-5-96-0-0"}),
          Logon("08:00:05", {.user = "ann", .id = "0x16", .type = 11})},
         "ann PC1 08:00:05 - open 0/0\n"},
        {"disconnects and reconnects count",
         {Logon("08:00:01", {.user = "ann", .id = "0x11", .type = 10, .ip = "10.0.0.5"}),
          Logoff("08:10:00", security::kDisconnect, "0x11"), Logoff("08:20:00", security::kReconnect, "0x11"),
          Logoff("08:30:00", security::kDisconnect, "0x11")},
         "ann 10.0.0.5 08:00:01 - open 2/1\n"},
        {"each computer its own ids and boots",
         {Logon("08:00:00", {.computer = "PC1"}), Logon("08:00:01", {.user = "bob", .computer = "PC2.corp"}),
          Boot("09:00:00", "PC2"), Logoff("09:30:00", security::kLogoff, "0x10", "PC1.corp")},
         "bob PC1 08:00:01 09:00:00 crash 0/0\nann PC1 08:00:00 09:30:00 logoff 0/0\n"},
        {"logon ids match without regard to case, leading zeros and all",
         {Logon("08:00:00", {.id = "0xABC"}), Logon("08:00:01", {.user = "bob", .id = "0x0ab"}),
          Logon("08:00:02", {.user = "eve", .id = "Id-É"}), Logoff("09:00:00", security::kLogoff, "0Xabc"),
          Logoff("09:01:00", security::kLogoff, "0xab"), Logoff("09:02:00", security::kLogoff, "0X0AB"),
          Logoff("09:03:00", security::kLogoff, "iD-é"),
          Logon("09:04:00", {.user = "max", .id = "0xFFFFFFFFFFFFFFFF"}),
          Logoff("09:05:00", security::kLogoff, "0xffffffffffffffff")},
         "ann PC1 08:00:00 09:00:00 logoff 0/0\nbob PC1 08:00:01 09:02:00 logoff 0/0\n"
         "eve PC1 08:00:02 09:03:00 logoff 0/0\nmax PC1 09:04:00 09:05:00 logoff 0/0\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sessions(c.records, {.types = c.types}), c.sessions) << c.name;
}

TEST(SessionTracker, RecordsWithTooFewFieldsAreCountedNotPaired)
{
    SessionTracker tracker({}, [](Session&&) {});
    for (const evtx::Record& r : {Event("08:40:00", security::kLogon, {"S-1-5-18", "too", "short"}),
                                  Event("08:41:00", security::kLogoff, {"S-1-5-18"})}) {
        evtx::Record taken;
        if (tracker.Take(r, taken))
            tracker.Offer(taken);
    }
    EXPECT_EQ(tracker.TooFewFields(), 2u);
}

}  // namespace
}  // namespace tav::sessions
