// The state the rules keep for each computer, by its ComputerKey (its name
// as Windows compares it), found by the name as the records write it: a name
// is folded once, not for every record, though the records of several
// computers' logs come interleaved.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "sessions/security_events.h"

namespace tav::sessions {

template <class State>
class ComputerTable {
public:
    // The state of the computer `name` names, made when first named.
    State& Of(const std::string& name)
    {
        // Most records are of the computer of the one before.
        if (last_ != nullptr && name == lastName_)
            return *last_;
        State*& known = byName_[name];
        if (known == nullptr) {
            std::unique_ptr<State>& slot = byKey_[ComputerKey(name)];
            if (!slot)
                slot = std::make_unique<State>();
            known = slot.get();
        }
        lastName_ = name;
        last_ = known;
        return *known;
    }
    // Every computer's state, by key.
    std::map<std::string, std::unique_ptr<State>>& ByKey() { return byKey_; }
    void Clear()
    {
        byKey_.clear();
        byName_.clear();
        last_ = nullptr;
    }

private:
    std::map<std::string, std::unique_ptr<State>> byKey_;
    std::unordered_map<std::string, State*> byName_;
    std::string lastName_;
    State* last_ = nullptr;
};

}  // namespace tav::sessions
