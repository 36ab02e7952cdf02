// The Remote Desktop part of the page: sessions held as they come, each in a
// few dozen bytes per connection with its texts kept once per distinct
// name; lanes, bars and the table made when they are all in.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "report/collector.h"
#include "report/names.h"
#include "sessions/rdp.h"

namespace tav::report {

class RdpCollector {
public:
    void Add(const sessions::RdpSession& session);
    // Into `page`, whose lastAt (the end of the log) an open session runs to.
    void Finish(const TimeView& time, ReportInput& page);

private:
    struct Connection {
        std::uint32_t from = 0, client = 0, reason = 0;
        std::int64_t start = 0;
        std::optional<std::int64_t> end, authenticated;
    };
    struct Held {
        std::int64_t start = 0;  // UTC
        std::uint32_t computer = 0, computerKey = 0, user = 0, address = 0;
        std::uint64_t sequence = 0;
        std::optional<std::uint32_t> id;
        std::optional<std::int64_t> logon, end;
        sessions::RdpEnd reason = sessions::RdpEnd::Open;
        std::vector<Connection> connections;
        std::uint32_t addresses = 0;  // joined
        std::int64_t active = 0, disconnected = 0;
        bool ended = false;
    };
    bool Before(const Held& a, const Held& b) const;
    std::vector<int> Lanes(ReportInput& page) const;
    RdpRow RowOf(const Held& s, const TimeView& time, std::int64_t lastAt) const;
    void AddBars(const Held& s, const TimeView& time, RdpRow& row) const;

    Names computers_, computerKeys_, users_, addresses_, addressLists_, clients_, reasons_;
    std::vector<Held> held_;
};

}  // namespace tav::report
