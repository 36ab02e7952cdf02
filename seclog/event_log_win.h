// The Windows event log as a record source (OpenEventLogW / ReadEventLogW).
#pragma once

#include "seclog/record_source.h"

namespace tav::seclog {

class EventLogOpener final : public RecordSourceOpener {
public:
    std::unique_ptr<RecordSource> Open(const std::string& server, const std::string& log,
                                       std::uint32_t& error) override;
};

}  // namespace tav::seclog
