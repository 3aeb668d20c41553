#pragma once
// Intrusive reference to a counted script object (anything with AddRef and
// Release). Holding a Ref is holding one reference.
#include <cstddef>
#include <utility>

namespace balvek::script {

template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}
  // Takes a new reference on `object`; the caller keeps its own.
  explicit Ref(T* object) : object_(object) {
    if (object_) object_->AddRef();
  }
  // Takes over a reference the caller already owns.
  static Ref Adopt(T* object) {
    Ref ref;
    ref.object_ = object;
    return ref;
  }

  Ref(const Ref& other) : Ref(other.object_) {}
  template <class U>
  Ref(const Ref<U>& other) : Ref(other.get()) {}
  Ref(Ref&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  template <class U>
  Ref(Ref<U>&& other) noexcept : object_(other.Detach()) {}
  Ref& operator=(Ref other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~Ref() {
    if (object_) object_->Release();
  }

  T* get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }
  // Gives up the reference without releasing it, e.g. into an out pointer.
  T* Detach() { return std::exchange(object_, nullptr); }
  void Reset() { Ref().swap(*this); }
  void swap(Ref& other) noexcept { std::swap(object_, other.object_); }

  friend bool operator==(const Ref& a, const Ref& b) { return a.object_ == b.object_; }

 private:
  T* object_ = nullptr;
};

// Makes a counted object that starts with one reference and adopts it.
template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace balvek::script
