// printf-style formatting with the platform's object specifier: %@ writes an
// object's description ("(null)" for nil), %d/%i/%u/%x/%ld… and %f/%g write
// numbers, %s a C string, %% a per-cent sign. The result is plain text and is
// never used as a format again.
#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/Object.h"
#include "platform/String.h"

namespace qv {

class FormatArg {
 public:
  enum class Kind { Object, Signed, Unsigned, Real, CString };

  FormatArg(std::nullptr_t) : kind_(Kind::Object) {}  // NOLINT
  template <class T>
    requires requires(const T& t) {
      { t.object() } -> std::convertible_to<Id>;
    }
  FormatArg(const T& handle) : kind_(Kind::Object), object_(handle.object()) {}  // NOLINT
  template <class T>
    requires std::derived_from<T, Object>
  FormatArg(const Ref<T>& object) : kind_(Kind::Object), object_(object) {}  // NOLINT
  template <class T>
    requires std::derived_from<T, Object>
  FormatArg(const T* object) : kind_(Kind::Object), raw_(object) {}  // NOLINT
  FormatArg(bool v) : kind_(Kind::Signed), signed_(v ? 1 : 0) {}  // NOLINT
  template <std::integral T>
    requires(!std::same_as<T, bool>)
  FormatArg(T v) {  // NOLINT
    if constexpr (std::is_signed_v<T>) {
      kind_ = Kind::Signed, signed_ = v;
    } else {
      kind_ = Kind::Unsigned, unsigned_ = v;
    }
  }
  template <std::floating_point T>
  FormatArg(T v) : kind_(Kind::Real), real_(static_cast<double>(v)) {}  // NOLINT
  FormatArg(const char* s) : kind_(Kind::CString), cstring_(s) {}  // NOLINT
  FormatArg(const std::string& s) : kind_(Kind::CString), cstring_(s.c_str()) {}  // NOLINT

  Kind kind() const { return kind_; }
  String describeObject() const;
  std::int64_t asSigned() const;
  std::uint64_t asUnsigned() const;
  double asReal() const;
  const char* cstring() const { return cstring_; }

 private:
  Kind kind_ = Kind::Object;
  Id object_;
  const Object* raw_ = nullptr;
  std::int64_t signed_ = 0;
  std::uint64_t unsigned_ = 0;
  double real_ = 0;
  const char* cstring_ = nullptr;
};

String formatString(std::string_view format, std::span<const FormatArg> args);

template <class... Args>
String format(std::string_view fmt, const Args&... args) {
  const FormatArg list[] = {FormatArg(args)..., FormatArg(nullptr)};
  return formatString(fmt, std::span<const FormatArg>(list, sizeof...(Args)));
}

}  // namespace qv
