/**
 * @file
 * @brief The library's intrusive shared pointer and the reference-counted base of its objects.
 *
 * Holds NoCopy, SmartPtrTarget_ts and SmartPtr.
 */
#pragma once

#include "dorsa/DorsaExport.h"

#include <atomic>
#include <cstdint>
#include <type_traits>
#include <utility>

namespace zvrtkDorsaServiceLayer {

/// Base of classes that must never be copied.
class DORSA_EXPORT NoCopy {
public:
    NoCopy() = default;
    NoCopy(const NoCopy&) = delete;
    NoCopy& operator=(const NoCopy&) = delete;

protected:
    ~NoCopy() = default;
};

/// Intrusive, atomically reference-counted base of every shared library object.
/// A derived class may still be copied (responses are assigned into the caller's
/// object); the copy starts with its own count and never takes the source's.
class DORSA_EXPORT SmartPtrTarget_ts : private NoCopy {
public:
    SmartPtrTarget_ts() = default;
    virtual ~SmartPtrTarget_ts() = default;

    void AddReference() const noexcept { m_referenceCount.fetch_add(1, std::memory_order_relaxed); }

    void ReleaseReference() const noexcept
    {
        if (m_referenceCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            delete this;
        }
    }

    std::uint32_t GetReferenceCount() const noexcept { return m_referenceCount.load(std::memory_order_acquire); }

protected:
    SmartPtrTarget_ts(const SmartPtrTarget_ts&) : NoCopy() {}
    SmartPtrTarget_ts& operator=(const SmartPtrTarget_ts&) { return *this; }

private:
    mutable std::atomic<std::uint32_t> m_referenceCount{0};
};

/**
 * @brief The shared pointer every library object is held by (T derives from SmartPtrTarget_ts).
 *
 * The count lives in the object itself, so a SmartPtr can be made from a raw pointer at
 * any time without a second owner appearing: `SmartPtr<GetTables> request = new GetTables;`
 * is the usual way to make an object, and the object is deleted when its last SmartPtr
 * goes. Copies on several threads are safe (the count is atomic); the object itself is not
 * made thread-safe by it. Converts to a SmartPtr of a base class, compares with null and
 * with other pointers, and gives the raw pointer with get().
 */
template <class T>
class SmartPtr final {
public:
    SmartPtr() noexcept = default;
    SmartPtr(std::nullptr_t) noexcept {}
    /// Implicit on purpose: the intrusive count makes adopting a raw pointer safe.
    SmartPtr(T* pointer) noexcept : m_pointer(pointer) { Acquire(); }
    SmartPtr(const SmartPtr& other) noexcept : m_pointer(other.m_pointer) { Acquire(); }
    SmartPtr(SmartPtr&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    /// Only from pointers that convert, so overloads on unrelated pointer types stay distinct.
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    SmartPtr(const SmartPtr<U>& other) noexcept : m_pointer(other.get()) { Acquire(); }
    ~SmartPtr() { Release(); }

    SmartPtr& operator=(SmartPtr other) noexcept
    {
        std::swap(m_pointer, other.m_pointer);
        return *this;
    }

    T* get() const noexcept { return m_pointer; }
    T* operator->() const noexcept { return m_pointer; }
    T& operator*() const noexcept { return *m_pointer; }
    explicit operator bool() const noexcept { return m_pointer != nullptr; }

    friend bool operator==(const SmartPtr& a, const SmartPtr& b) noexcept { return a.m_pointer == b.m_pointer; }
    friend bool operator!=(const SmartPtr& a, const SmartPtr& b) noexcept { return a.m_pointer != b.m_pointer; }
    friend bool operator==(const SmartPtr& a, std::nullptr_t) noexcept { return a.m_pointer == nullptr; }
    friend bool operator!=(const SmartPtr& a, std::nullptr_t) noexcept { return a.m_pointer != nullptr; }

private:
    void Acquire() const noexcept
    {
        if (m_pointer) {
            m_pointer->AddReference();
        }
    }
    void Release() noexcept
    {
        if (m_pointer) {
            m_pointer->ReleaseReference();
        }
    }

    T* m_pointer = nullptr;
};

} // namespace zvrtkDorsaServiceLayer
