// Non-copyable owners of Win32 handles.
#pragma once

#include <utility>

#include "base/win32.h"

namespace tav {

// Owns a kernel HANDLE; both nullptr and INVALID_HANDLE_VALUE mean empty.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Release() { return std::exchange(handle_, nullptr); }
    void Reset(HANDLE handle = nullptr)
    {
        if (*this)
            CloseHandle(handle_);
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// Owns a T that `Free` gives back; nullptr means empty.
template <typename T, typename Free>
class UniqueOwner {
public:
    UniqueOwner() = default;
    explicit UniqueOwner(T value) : value_(value) {}
    UniqueOwner(UniqueOwner&& other) noexcept : value_(other.Release()) {}
    UniqueOwner& operator=(UniqueOwner&& other) noexcept
    {
        Reset(other.Release());
        return *this;
    }
    UniqueOwner(const UniqueOwner&) = delete;
    UniqueOwner& operator=(const UniqueOwner&) = delete;
    ~UniqueOwner() { Reset(); }

    T Get() const { return value_; }
    explicit operator bool() const { return value_ != nullptr; }
    T Release() { return std::exchange(value_, nullptr); }
    void Reset(T value = nullptr)
    {
        if (value_ != nullptr)
            Free{}(value_);
        value_ = value;
    }

private:
    T value_ = nullptr;
};

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct CloseEventLogHandle {
    void operator()(HANDLE log) const { CloseEventLog(log); }
};
struct FreeLocalMemory {
    void operator()(void* memory) const { LocalFree(memory); }
};

// A GDI object (font, brush).
template <typename T>
using UniqueGdi = UniqueOwner<T, DeleteGdiObject>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;

// An event log of OpenEventLogW.
using UniqueEventLog = UniqueOwner<HANDLE, CloseEventLogHandle>;

// Memory the system allocated for the caller to give back with LocalFree
// (CommandLineToArgvW's array).
template <typename T>
using UniqueLocal = UniqueOwner<T*, FreeLocalMemory>;

}  // namespace tav
