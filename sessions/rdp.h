// Whole Remote Desktop sessions of a terminal server, from its
// LocalSessionManager, RemoteConnectionManager, Security and System logs:
// when a session began and ended, and each connection to it, from where,
// from which client computer, authenticated when, and why it ended.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "evtx/record.h"
#include "sessions/computer_table.h"

namespace tav::sessions {

struct RdpConnection {
    std::string computer;  // as the record that started it writes them
    std::string user;
    std::string from;    // the address the connection came from ("LOCAL" for the console)
    std::string client;  // the client computer's name, from a 4778 or 4779; empty when none
    std::optional<std::int64_t> authenticated;  // its 1149, seconds since 1970 UTC
    std::int64_t start = 0;
    std::optional<std::int64_t> end;  // none while open
    // "logoff", "replaced", "reused", "shutdown", "crash", "open",
    // "disconnected", a reason code in words, "taken over by session N".
    std::string reason;
};

enum class RdpEnd { Logoff, Shutdown, Crash, Reused, Open, NoSession };

struct RdpSession {
    std::string computer;  // as the record that opened it writes it
    std::string user;      // DOMAIN\name as written
    std::optional<std::uint32_t> id;     // none: a 1149 no session took
    std::optional<std::int64_t> logon;   // none: it began before the log
    std::optional<std::int64_t> end;     // none while open
    RdpEnd reason = RdpEnd::Open;
    std::vector<RdpConnection> connections;
    // A 1149 no session took: where it came from, and when.
    std::string address;
    std::optional<std::int64_t> authenticated;

    // When it began: its logon, else its first connection; a 1149's time.
    std::int64_t Start() const;
    // The connections' time that has ended, in seconds.
    std::int64_t Active() const;
    // From the first connection to the end, less Active(); 0 while open
    // (Ended() tells) and for a 1149.
    bool Ended() const { return end.has_value() && !connections.empty(); }
    std::int64_t Disconnected() const;
    // The first connection's address (a 1149's own) and client.
    std::string From() const;
    std::string Client() const;
    // The connections' addresses, distinct, in the order first seen (a 1149's own).
    std::vector<std::string> Addresses() const;
};

// How an end reason is named in JSON: "logoff", "shutdown", "crash",
// "reused", "open", "no_session".
const char* RdpEndKey(RdpEnd reason);
// How rdp's table shows an end other than a logoff's time: "down",
// "crash", "no logoff in log", "no session in log"; empty for a logoff.
const char* RdpEndWords(RdpEnd reason);
// The words for a reason code of event 40.
std::string DisconnectReasonText(std::uint32_t code);

class RdpTracker {
public:
    using Emit = std::function<void(RdpSession&&)>;

    explicit RdpTracker(Emit emit);
    ~RdpTracker();
    RdpTracker(const RdpTracker&) = delete;
    RdpTracker& operator=(const RdpTracker&) = delete;

    // What Offer reads of `record`, into `out` with only the strings used;
    // false when Offer takes no notice of it.
    static bool Take(const evtx::Record& record, evtx::Record& out);
    // The records of a computer's logs in their merged order.
    void Offer(const evtx::Record& record);
    // Ends what is still open (as Open) and emits every row left.
    void Finish();

private:
    struct Computer;
    Emit emit_;
    ComputerTable<Computer> computers_;
};

}  // namespace tav::sessions
