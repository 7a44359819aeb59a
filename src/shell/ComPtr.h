#pragma once

#include <cstddef>
#include <utility>

namespace tidemark {

// Holds one reference to a COM object and gives it back when it goes away,
// so that no early return of a long chain of interface queries can leak one.
// Copying adds a reference; moving hands it over.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Shares `p`: adds a reference of its own.
    explicit ComPtr(T *p) : p_(p)
    {
        if (p_ != nullptr) {
            p_->AddRef();
        }
    }
    ComPtr(const ComPtr &other) : ComPtr(other.p_) {}
    ComPtr(ComPtr &&other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr &operator=(const ComPtr &other)
    {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr &operator=(ComPtr &&other) noexcept
    {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }

    T *get() const { return p_; }
    T *operator->() const { return p_; }
    T &operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

    // Releases the reference held, if any.
    void reset()
    {
        if (T *p = std::exchange(p_, nullptr)) {
            p->Release();
        }
    }

    // For the out parameter of a call that returns a new reference.
    T **put()
    {
        reset();
        return &p_;
    }
    void **putVoid() { return reinterpret_cast<void **>(put()); }

    void swap(ComPtr &other) noexcept { std::swap(p_, other.p_); }

private:
    T *p_ = nullptr;
};

}  // namespace tidemark
