// Text as the platform has it: immutable UTF-16 code units behind a shared,
// nullable handle. A default-constructed String is nil, which differs from "".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/Object.h"

namespace qv {

class StringObject;

class String {
 public:
  String() = default;
  // UTF-8 in; nil for a null pointer or invalid UTF-8.
  String(const char* utf8);  // NOLINT(google-explicit-constructor)
  explicit String(std::u16string units);

  static String fromUTF8(std::string_view utf8);
  static String fromUTF16(std::u16string_view units);
  // The text an object describes itself with, or nil when it is no text.
  static String fromObject(const Id& object);

  bool isNil() const { return !obj_; }
  explicit operator bool() const { return static_cast<bool>(obj_); }

  std::size_t length() const;
  char16_t characterAtIndex(std::size_t index) const;
  std::u16string_view units() const;
  // UTF-8 out; unpaired surrogates become U+FFFD. Nil gives "".
  std::string UTF8String() const;

  bool isEqualToString(const String& other) const;
  friend bool operator==(const String& a, const String& b) { return a.isEqualToString(b); }
  // The very same object, not only the same content.
  bool isSameObject(const String& other) const { return obj_ == other.obj_; }
  std::size_t hash() const;

  bool hasPrefix(const String& prefix) const;
  bool hasSuffix(const String& suffix) const;
  String stringByAppendingString(const String& other) const;
  String substring(std::size_t from, std::size_t length) const;

  // Path operations with the platform's semantics (slashes collapsed, a
  // trailing slash ignored, a leading dot not taken as an extension).
  String stringByAppendingPathComponent(const String& component) const;
  String lastPathComponent() const;
  String pathExtension() const;
  String stringByDeletingPathExtension() const;
  String stringByDeletingLastPathComponent() const;

  String description() const { return *this; }
  Id object() const;

 private:
  explicit String(Ref<const StringObject> obj) : obj_(std::move(obj)) {}
  friend class StringObject;
  Ref<const StringObject> obj_;
};

class StringObject final : public Object {
 public:
  explicit StringObject(std::u16string units) : units_(std::move(units)) {}
  const std::u16string& units() const { return units_; }
  const char* className() const override { return "NSString"; }
  String description() const override;
  bool isEqual(const Object& other) const override;
  std::size_t hash() const override;

 private:
  std::u16string units_;
};

String operator""_s(const char* utf8, std::size_t size);

namespace unicode {
// Strict UTF-8 decoding (no overlongs, no surrogates); false on invalid input.
bool utf8ToUtf16(std::string_view in, std::u16string& out);
void utf16ToUtf8(std::u16string_view in, std::string& out);
}  // namespace unicode

}  // namespace qv

template <>
struct std::hash<qv::String> {
  std::size_t operator()(const qv::String& s) const noexcept { return s.hash(); }
};
