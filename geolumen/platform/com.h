// Reference-counted interfaces with result codes, the way the driver framework, the sensor class extension
// and radio management talk to the driver's objects.
//
// An interface is an abstract class deriving from IUnknown that names its identifier in a static member
// `kIid`. An object implements one or more interfaces by deriving from ComObject<I1, I2, ...>, which
// supplies the reference count and an identifier-driven QueryInterface. ComPtr holds one reference.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <type_traits>
#include <utility>

#include "platform/guid.h"
#include "platform/hresult.h"

namespace geolumen {

struct IUnknown {
    static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

    // On success stores an added reference in *out; E_POINTER for a null out, E_NOINTERFACE otherwise.
    virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
    // Returns the new count (for diagnostics only).
    virtual ULONG AddRef() = 0;
    // Returns the new count; the object is destroyed when it reaches 0.
    virtual ULONG Release() = 0;

  protected:
    // Objects are destroyed through Release only.
    virtual ~IUnknown() = default;
};

// The identifier of an interface type, as declared by its kIid member.
template <class T>
inline constexpr const IID& IidOf = T::kIid;

// Owns one reference to an interface pointer.
template <class T>
class ComPtr {
  public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.p_) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& o) : ComPtr(static_cast<T*>(o.Get())) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }

    [[nodiscard]] T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Drops the held reference.
    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Adopts a pointer whose reference the caller already owns.
    void Attach(T* p) {
        Reset();
        p_ = p;
    }
    // Gives the held reference to the caller.
    [[nodiscard]] T* Detach() { return std::exchange(p_, nullptr); }
    // For out parameters: releases what is held and returns the slot to fill with an owned reference.
    [[nodiscard]] T** ReleaseAndGetAddressOf() {
        Reset();
        return &p_;
    }
    // Hands out a new reference through an out parameter (S_OK, or E_POINTER for a null out).
    HRESULT CopyTo(T** out) const {
        if (!out) return E_POINTER;
        *out = p_;
        if (p_) p_->AddRef();
        return S_OK;
    }
    // Queries the held object for interface U.
    template <class U>
    HRESULT As(ComPtr<U>& out) const {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(IidOf<U>, reinterpret_cast<void**>(out.ReleaseAndGetAddressOf()));
    }

    friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }
    friend bool operator==(const ComPtr& a, std::nullptr_t) { return a.p_ == nullptr; }

  private:
    T* p_ = nullptr;
};

// Implements IUnknown for an object that exposes the listed interfaces. The first interface also serves as
// the object's IUnknown identity. Derived classes that answer further identifiers (e.g. interfaces found
// through a lookup of their own) override QueryInterfaceHook.
template <class First, class... Rest>
class ComObject : public First, public Rest... {
  public:
    HRESULT QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IUnknown::kIid) {
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        } else if (!(FindInterface<First>(iid, out) || ... || FindInterface<Rest>(iid, out))) {
            return QueryInterfaceHook(iid, out);
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

  protected:
    ComObject() = default;
    ~ComObject() override = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // Answers identifiers not in the list; must add the reference itself on success.
    virtual HRESULT QueryInterfaceHook(REFIID, void**) { return E_NOINTERFACE; }

  private:
    template <class I>
    bool FindInterface(REFIID iid, void** out) {
        if (iid != IidOf<I>) return false;
        *out = static_cast<I*>(this);
        return true;
    }

    std::atomic<ULONG> refs_{1};
};

// Creates a reference-counted object; the returned pointer holds its only reference.
template <class T, class... Args>
[[nodiscard]] ComPtr<T> MakeCom(Args&&... args) {
    ComPtr<T> p;
    p.Attach(new T(std::forward<Args>(args)...));
    return p;
}

// The task allocator: memory one side allocates and the other frees, such as the event list a sensor
// driver hands to its caller. CoTaskMemFree(nullptr) does nothing.
[[nodiscard]] inline void* CoTaskMemAlloc(std::size_t bytes) { return std::malloc(bytes); }
inline void CoTaskMemFree(void* p) { std::free(p); }

}  // namespace geolumen
