// Distinct texts of the rows the page collects, each held once, by number:
// a log of a million rows names a few hundred users and addresses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tav::report {

class Names {
public:
    std::uint32_t Id(const std::string& text)
    {
        const auto [it, added] = ids_.try_emplace(text, static_cast<std::uint32_t>(texts_.size()));
        if (added)
            texts_.push_back(text);
        return it->second;
    }
    // The number Id gave `text`; none when it gave none.
    std::optional<std::uint32_t> Find(const std::string& text) const
    {
        const auto it = ids_.find(text);
        return it == ids_.end() ? std::nullopt : std::optional<std::uint32_t>(it->second);
    }
    const std::string& Text(std::uint32_t id) const { return texts_[id]; }
    std::size_t Size() const { return texts_.size(); }

private:
    std::unordered_map<std::string, std::uint32_t> ids_;
    std::vector<std::string> texts_;
};

}  // namespace tav::report
