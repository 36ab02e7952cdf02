// The rules of Remote Desktop sessions, one row each: records of a
// computer's logs in their merged order in, sessions and their connections
// out.
#include "sessions/rdp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/security_events.h"
#include "base/terminal_events.h"
#include "evtx/filetime.h"
#include "tests/sessions/day_times.h"

namespace tav::sessions {
namespace {

using test::At;
using test::Clock;

evtx::Record Event(const char* time, const char* channel, std::uint16_t id, std::vector<std::string> strings,
                   const char* computer = "TS1")
{
    evtx::Record r;
    r.timeCreated = r.timeWritten = At(time);
    r.createdTicks = evtx::UnixSecondsToFiletime(r.timeCreated);
    r.eventId = id;
    r.channel = channel;
    r.computer = computer;
    r.strings = std::move(strings);
    return r;
}

evtx::Record Lsm(const char* time, std::uint16_t id, const char* session, const char* address = "10.0.0.1",
                 const char* user = "CORP\\ann")
{
    return Event(time, terminal::kSessionChannel, id, {user, session, address});
}
evtx::Record Reason(const char* time, const char* session, const char* code)
{
    return Event(time, terminal::kSessionChannel, terminal::kDisconnectReason, {session, code});
}
evtx::Record Auth(const char* time, const char* user, const char* domain, const char* address)
{
    return Event(time, terminal::kConnectionChannel, terminal::kAuthenticated, {user, domain, address});
}
evtx::Record Client(const char* time, std::uint16_t id, const char* client, const char* user = "ann")
{
    return Event(time, "Security", id, {user, "CORP", "0x1", "RDP-Tcp#1", client, "10.0.0.1"});
}

// Each session a line: user, id, logon, end and reason, then each
// connection: from, client, authenticated, start-end and reason.
std::string Sessions(const std::vector<evtx::Record>& records)
{
    std::string rows;
    RdpTracker tracker([&](RdpSession&& s) {
        rows += s.user + " " + (s.id ? std::to_string(*s.id) : "-") + " " + (s.logon ? Clock(*s.logon) : "before") +
                "-" + (s.end ? Clock(*s.end) : "") + " " + RdpEndKey(s.reason);
        for (const RdpConnection& c : s.connections)
            rows += " [" + c.from + (c.client.empty() ? "" : " " + c.client) +
                    (c.authenticated ? " " + Clock(*c.authenticated) : "") + " " + Clock(c.start) + "-" +
                    (c.end ? Clock(*c.end) : "") + " " + c.reason + "]";
        rows += "\n";
    });
    for (const evtx::Record& record : records) {
        evtx::Record taken;
        if (RdpTracker::Take(record, taken))
            tracker.Offer(taken);
    }
    tracker.Finish();
    return rows;
}

using namespace terminal;

TEST(RdpTracker, EachRule)
{
    const struct {
        const char* name;
        std::vector<evtx::Record> records;
        const char* sessions;
    } cases[] = {
        {"a logon, a logoff", {Lsm("08:00:00", kLogon, "2"), Lsm("09:00:00", kLogoff, "2")},
         "CORP\\ann 2 08:00:00-09:00:00 logoff [10.0.0.1 08:00:00-09:00:00 logoff]\n"},
        {"an id opened again ends the session before it",
         {Lsm("08:00:00", kLogon, "2"), Lsm("09:00:00", kLogon, "2", "10.0.0.2")},
         "CORP\\ann 2 08:00:00-09:00:00 reused [10.0.0.1 08:00:00-09:00:00 reused]\n"
         "CORP\\ann 2 09:00:00- open [10.0.0.2 09:00:00- open]\n"},
        {"a reconnect from a second address replaces an open connection",
         {Lsm("08:00:00", kLogon, "2"), Lsm("08:10:00", kReconnect, "2", "10.0.0.2")},
         "CORP\\ann 2 08:00:00- open [10.0.0.1 08:00:00-08:10:00 replaced] [10.0.0.2 08:10:00- open]\n"},
        {"a session begun before the log",
         {Lsm("08:00:00", kReconnect, "3", "10.0.0.2"), Lsm("08:30:00", kDisconnect, "3"),
          Lsm("09:00:00", kLogoff, "3")},
         "CORP\\ann 3 before-09:00:00 logoff [10.0.0.2 08:00:00-08:30:00 disconnected]\n"},
        {"a disconnect by the idle time-out, its reason at most 5 s before",
         {Lsm("08:00:00", kLogon, "2"), Reason("09:00:00", "2", "3"), Lsm("09:00:05", kDisconnect, "2")},
         "CORP\\ann 2 08:00:00- open [10.0.0.1 08:00:00-09:00:05 idle time-out]\n"},
        {"a reason too old, and one taken over by another session",
         {Lsm("08:00:00", kLogon, "2"), Reason("08:59:54", "2", "3"), Lsm("09:00:00", kDisconnect, "2"),
          Lsm("09:10:00", kReconnect, "2"),
          Event("09:20:00", kSessionChannel, kTakenOver, {"2", "5"}), Lsm("09:20:01", kDisconnect, "2")},
         "CORP\\ann 2 08:00:00- open [10.0.0.1 08:00:00-09:00:00 disconnected] "
         "[10.0.0.1 09:10:00-09:20:01 taken over by session 5]\n"},
        {"a disconnect written with a logoff changes nothing",
         {Lsm("08:00:00", kLogon, "2"), Reason("09:00:00", "2", "12"), Lsm("09:00:01", kLogoff, "2"),
          Lsm("09:00:03", kDisconnect, "2")},
         "CORP\\ann 2 08:00:00-09:00:01 logoff [10.0.0.1 08:00:00-09:00:01 logoff]\n"},
        {"a shutdown, and a boot with sessions open",
         {Lsm("08:00:00", kLogon, "2"), Event("09:00:00", "Security", security::kLogShutdown, {}),
          Lsm("10:00:00", kLogon, "3"), Event("11:00:00", kSystemChannel, kUnexpectedStop, {})},
         "CORP\\ann 2 08:00:00-09:00:00 shutdown [10.0.0.1 08:00:00-09:00:00 shutdown]\n"
         "CORP\\ann 3 10:00:00-11:00:00 crash [10.0.0.1 10:00:00-11:00:00 crash]\n"},
        {"a network authentication: of the user, from the address, 120 s at most",
         {Auth("07:58:00", "ann", "", "10.0.0.1"), Auth("07:59:00", "bob", "", "10.0.0.1"),
          Auth("07:59:30", "ANN", "corp", "10.0.0.1"), Lsm("08:00:00", kLogon, "2"),
          Auth("08:01:00", "ann", "", "10.0.0.9"), Lsm("08:02:00", kReconnect, "2", "10.0.0.9"),
          Auth("08:03:00", "ann", "", "10.0.0.1")},
         "ann - 07:58:00- no_session\nbob - 07:59:00- no_session\n"
         "CORP\\ann 2 08:00:00- open [10.0.0.1 07:59:30 08:00:00-08:02:00 replaced] "
         "[10.0.0.9 08:01:00 08:02:00- open]\nann - 08:03:00- no_session\n"},
        {"client names of 4778 and 4779 near a connection's start or end, of the same user",
         {Client("07:59:57", security::kReconnect, "LAPTOP"), Lsm("08:00:00", kLogon, "2"),
          Lsm("09:00:00", kDisconnect, "2"), Client("09:00:04", security::kDisconnect, "LAPTOP2"),
          Client("09:59:59", security::kReconnect, "OTHER", "bob"), Lsm("10:00:00", kReconnect, "2", "10.0.0.2"),
          Client("10:00:06", security::kReconnect, "LATE"), Lsm("10:10:00", kDisconnect, "2"),
          Client("10:10:01", security::kDisconnect, "TS1")},
         "CORP\\ann 2 08:00:00- open [10.0.0.1 LAPTOP 08:00:00-09:00:00 disconnected] "
         "[10.0.0.2 10:00:00-10:10:00 disconnected]\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sessions(c.records), c.sessions) << c.name;
}

TEST(RdpTracker, ReasonCodesInWords)
{
    EXPECT_EQ(DisconnectReasonText(11), "disconnected by the user");
    EXPECT_EQ(DisconnectReasonText(8), "code 8");
}

}  // namespace
}  // namespace tav::sessions
