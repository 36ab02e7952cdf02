// The items a job of the parallel walk makes of its records. Cleared for
// the next job without freeing them: a transform that assigns into an item
// (Add() and then its fields) reuses the strings' storage of the items
// before, where new items would be allocated on one thread and freed on
// another, which costs more than the decoding.
#pragma once

#include <cstddef>
#include <span>
#include <utility>
#include <vector>

namespace tav::evtx {

template <class Item>
class ItemList {
public:
    // A new last item: one left by an earlier job, or a new one.
    Item& Add()
    {
        if (count_ == items_.size())
            items_.emplace_back();
        return items_[count_++];
    }
    void Add(Item item) { Add() = std::move(item); }
    void RemoveLast() { --count_; }
    Item* Last() { return count_ == 0 ? nullptr : &items_[count_ - 1]; }
    std::size_t Size() const { return count_; }

    void Clear() { count_ = 0; }
    // Clears and frees (a live log's items can be many).
    void Release() { std::vector<Item>().swap(items_), count_ = 0; }

    std::span<Item> Items() { return {items_.data(), count_}; }

    // The input (file, or live log) whose records the items are made of,
    // in the order of the inputs: set by the walk before the transform runs.
    std::size_t input = 0;

private:
    std::vector<Item> items_;
    std::size_t count_ = 0;
};

}  // namespace tav::evtx
