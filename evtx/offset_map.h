// Values by chunk offset, for what a chunk's walk looks up once per record
// (its names and templates): an open-addressed table, emptied in constant
// time by a generation count, whose storage stays from chunk to chunk.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tav::evtx {

template <class Value>
class OffsetMap {
public:
    void Clear()
    {
        size_ = 0;
        if (++generation_ == 0) {  // after 2^32 clears: stamps could repeat
            std::fill(slots_.begin(), slots_.end(), Slot{});
            generation_ = 1;
        }
    }

    // The value at `offset`; nullptr when there is none. Valid until the
    // next Add or Clear.
    const Value* Find(std::uint32_t offset) const
    {
        if (slots_.empty())
            return nullptr;
        for (std::size_t i = Home(offset);; i = (i + 1) & (slots_.size() - 1)) {
            const Slot& slot = slots_[i];
            if (slot.generation != generation_)
                return nullptr;
            if (slot.offset == offset)
                return &slot.value;
        }
    }

    // Puts `value` at `offset`, which holds none.
    void Add(std::uint32_t offset, Value value)
    {
        if (2 * (size_ + 1) > slots_.size())
            Grow();
        Place(offset, std::move(value));
    }

    std::size_t Size() const { return size_; }

private:
    struct Slot {
        std::uint32_t generation = 0;  // an empty slot's is not the map's
        std::uint32_t offset = 0;
        Value value{};
    };

    std::size_t Home(std::uint32_t offset) const
    {
        return static_cast<std::size_t>((offset * 0x9E3779B1u) >> shift_);
    }

    void Place(std::uint32_t offset, Value value)
    {
        std::size_t i = Home(offset);
        while (slots_[i].generation == generation_)
            i = (i + 1) & (slots_.size() - 1);
        slots_[i] = {generation_, offset, std::move(value)};
        ++size_;
    }

    // Doubles the slots (at most half of them in use), keeping the entries.
    void Grow()
    {
        std::vector<Slot> old(std::max<std::size_t>(64, 2 * slots_.size()));
        old.swap(slots_);
        shift_ = 32;
        for (std::size_t n = slots_.size(); n > 1; n /= 2)
            --shift_;
        const std::uint32_t live = generation_;
        generation_ = 1;
        size_ = 0;
        for (Slot& slot : old)
            if (slot.generation == live)
                Place(slot.offset, std::move(slot.value));
    }

    std::vector<Slot> slots_;  // a power of two of them
    int shift_ = 32;           // takes a hash's top bits, as many as index the slots
    std::uint32_t generation_ = 1;
    std::size_t size_ = 0;
};

}  // namespace tav::evtx
