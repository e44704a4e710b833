// Opens a shared library the first time one of its functions is needed, so
// that programs which never need it (the helper on its usual path) do not pay
// for loading it at start.
#pragma once

namespace qv {

class LazyLibrary {
 public:
  explicit LazyLibrary(const char* soname);
  ~LazyLibrary();
  LazyLibrary(const LazyLibrary&) = delete;
  LazyLibrary& operator=(const LazyLibrary&) = delete;

  bool isLoaded() const { return handle_ != nullptr; }
  void* symbol(const char* name) const;

  template <class F>
  bool resolve(F*& function, const char* name) const {
    function = reinterpret_cast<F*>(symbol(name));
    return function != nullptr;
  }

 private:
  void* handle_;
};

}  // namespace qv
