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

// Owns a GDI object (font, brush).
template <typename T>
class UniqueGdi {
public:
    UniqueGdi() = default;
    explicit UniqueGdi(T object) : object_(object) {}
    UniqueGdi(UniqueGdi&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    UniqueGdi& operator=(UniqueGdi&& other) noexcept
    {
        Reset(std::exchange(other.object_, nullptr));
        return *this;
    }
    UniqueGdi(const UniqueGdi&) = delete;
    UniqueGdi& operator=(const UniqueGdi&) = delete;
    ~UniqueGdi() { Reset(); }

    T Get() const { return object_; }
    void Reset(T object = nullptr)
    {
        if (object_ != nullptr)
            DeleteObject(object_);
        object_ = object;
    }

private:
    T object_ = nullptr;
};

using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;

}  // namespace tav
