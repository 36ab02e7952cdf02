// The rules that turn a Security log into logon sessions: a 4624 of the
// selected types starts a row, its logoff ends it, a shutdown or a boot ends
// every open one. Events go in in record order (within one log, time order);
// the state is kept per computer, since a collector's log holds the events
// of many, each with its own logon ids and boots. Memory grows with the
// sessions open at one moment, not with the log.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "evtx/record.h"
#include "sessions/computer_table.h"
#include "sessions/session.h"

namespace tav::sessions {

struct SessionRules {
    std::vector<int> types = {2, 10, 11};  // logon types that start a row; empty: every type
    bool allAccounts = false;              // computer accounts and service SIDs too
};

class SessionTracker {
public:
    using Emit = std::function<void(Session&&)>;

    // `emit` gets every row once it has ended, and the open ones at Finish.
    SessionTracker(SessionRules rules, Emit emit);
    ~SessionTracker();
    SessionTracker(const SessionTracker&) = delete;
    SessionTracker& operator=(const SessionTracker&) = delete;

    // What Offer reads of `record`, copied into `out`: its header, and of its
    // insertion strings only those the rules read, a logon's joined in one
    // (a record travels between threads at the cost of a few cache lines),
    // none when it is too short for its event; false when Offer takes no
    // notice of it, as of a logon that starts no row. On any thread.
    bool Take(const evtx::Record& record, evtx::Record& out) const;
    // Whether Offer would pass over `record` as too short for its event.
    static bool HasTooFewFields(const evtx::Record& record);
    // A record as Take left it.
    void Offer(const evtx::Record& record);
    // Emits the rows still open (reason Open) and forgets everything.
    void Finish();

    // Records of the events read that have fewer strings than the rules read.
    std::uint64_t TooFewFields() const { return tooFewFields_; }

    // A logon id as the rules compare it.
    struct LogonKey;

private:
    struct Computer;

    // `id`'s key; with `add`, a text id is numbered when new, else it gets
    // a key no row holds.
    LogonKey KeyOf(std::string_view id, bool add);
    // The key of the logon id that a logoff, a reconnect or a disconnect
    // names, as Take left it.
    LogonKey EventLogonKey(const evtx::Record& record);

    void Start(Computer& computer, const evtx::Record& record);
    void End(Computer& computer, const evtx::Record& record);
    void Count(Computer& computer, const evtx::Record& record, bool reconnect);
    bool Starts(const evtx::Record& record) const;

    SessionRules rules_;
    Emit emit_;
    ComputerTable<Computer> computers_;
    // Logon ids that are no plain "0x…" number, case folded, numbered.
    std::unordered_map<std::string, std::uint64_t> textIds_;
    std::uint64_t tooFewFields_ = 0;
};

}  // namespace tav::sessions
