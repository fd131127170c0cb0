#pragma once
// An owned heap record carried by a message. Posting hands it to the
// receiver only when the post succeeds; a failed post leaves it with the
// caller, whose Payload frees it. The receiver takes it out with Take<T>()
// or lets the message free it after dispatch. Records of a copyable type can
// be cloned for a second receiver.

#include <memory>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace platform {

class Payload {
  public:
    Payload() = default;
    template <class T>
    static Payload From(std::unique_ptr<T> record) {
        static_assert(!std::is_array_v<T>, "carry arrays in a struct or a std::vector");
        Payload p;
        p.ptr_ = record.release();
        p.type_ = &typeid(T);
        p.deleter_ = [](void* ptr) { delete static_cast<T*>(ptr); };
        if constexpr (std::is_copy_constructible_v<T>)
            p.copier_ = [](const void* ptr) -> void* { return new T(*static_cast<const T*>(ptr)); };
        return p;
    }
    template <class T, class... Args>
    static Payload Make(Args&&... args) {
        return From(std::make_unique<T>(std::forward<Args>(args)...));
    }

    Payload(Payload&& other) noexcept { Swap(other); }
    Payload& operator=(Payload&& other) noexcept {
        Payload(std::move(other)).Swap(*this);
        return *this;
    }
    Payload(const Payload&) = delete;
    Payload& operator=(const Payload&) = delete;
    ~Payload() {
        if (ptr_) deleter_(ptr_);
    }

    explicit operator bool() const { return ptr_ != nullptr; }
    template <class T>
    bool Holds() const {
        return ptr_ && *type_ == typeid(T);
    }
    // The record when it is a T, else null.
    template <class T>
    T* Get() const {
        return Holds<T>() ? static_cast<T*>(ptr_) : nullptr;
    }
    // Takes the record out when it is a T; else null and the payload keeps it.
    template <class T>
    std::unique_ptr<T> Take() {
        if (!Holds<T>()) return nullptr;
        std::unique_ptr<T> out(static_cast<T*>(ptr_));
        ptr_ = nullptr;
        return out;
    }
    void Reset() { Payload().Swap(*this); }
    // A copy of the record for one more receiver; empty when there is no
    // record or its type cannot be copied.
    Payload Clone() const {
        Payload p;
        if (!ptr_ || !copier_) return p;
        p.ptr_ = copier_(ptr_);
        p.type_ = type_;
        p.deleter_ = deleter_;
        p.copier_ = copier_;
        return p;
    }

  private:
    void Swap(Payload& other) noexcept {
        std::swap(ptr_, other.ptr_);
        std::swap(type_, other.type_);
        std::swap(deleter_, other.deleter_);
        std::swap(copier_, other.copier_);
    }

    void* ptr_ = nullptr;
    const std::type_info* type_ = nullptr;
    void (*deleter_)(void*) = nullptr;
    void* (*copier_)(const void*) = nullptr;
};

}  // namespace platform
