// Writes .evtx files: for tests, and for the sample log the program ships.
//
// Each event becomes a record whose binary XML is a template instance. A
// template (Event/System with Provider, EventID and its Qualifiers,
// TimeCreated, EventRecordID, Channel, Computer, then the payload) is
// defined in the first record of a chunk that needs its shape and reused by
// the chunk's later records. Names are stored inline where first used and
// entered in the chunk's string table; checksums are filled in. Memory does
// not grow with the file: one chunk is held at a time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "evtx/error.h"
#include "evtx/record.h"

namespace tav::evtx {

// The Data names of event 4624 (version 2, as Windows 10 writes them), for
// writing realistic Security logs.
inline constexpr const char* kLogonDataNames[] = {
    "SubjectUserSid", "SubjectUserName", "SubjectDomainName", "SubjectLogonId", "TargetUserSid",
    "TargetUserName", "TargetDomainName", "TargetLogonId", "LogonType", "LogonProcessName",
    "AuthenticationPackageName", "WorkstationName", "LogonGuid", "TransmittedServices", "LmPackageName",
    "KeyLength", "ProcessId", "ProcessName", "IpAddress", "IpPort", "ImpersonationLevel",
    "RestrictedAdminMode", "TargetOutboundUserName", "TargetOutboundDomainName", "VirtualAccount",
    "TargetLinkedLogonId", "ElevatedToken"};


struct WriterEvent {
    // recordId, timeCreated, timeWritten, eventId (Qualifiers in the high 16
    // bits, left out when 0), provider, channel, computer, and the payload.
    Record record;
    // Payload as EventData: one Data element per string, named by `names`
    // when it has a name for each string. Payload as UserData when
    // `userDataWrapper` is set: UserData/<wrapper>/<names[i]> holding
    // strings[i]; `names` must then name every string.
    std::vector<std::string> names;
    std::string userDataWrapper;
};

class Writer {
public:
    // Creates (or replaces) the file; nullptr and `error` on failure.
    static std::unique_ptr<Writer> Create(const std::filesystem::path& path, Error& error);
    ~Writer();

    // Appends one event; false and `error` when it does not fit in a chunk,
    // lacks names for its UserData, or the file cannot be written.
    bool Add(const WriterEvent& event, Error& error);

    // Writes the last chunk and the file header; false and `error` when the
    // file cannot be written. Called by the destructor if not before.
    bool Close(Error& error);

private:
    explicit Writer(std::ofstream file, std::string name);
    bool FlushChunk();

    class Builder;

    std::ofstream file_;
    std::string name_;
    std::unique_ptr<Builder> chunk_;
    std::uint64_t chunkCount_ = 0;
    std::uint64_t recordCount_ = 0;
    std::uint64_t nextRecordId_ = 1;
    bool closed_ = false;
};

}  // namespace tav::evtx
