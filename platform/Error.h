// Errors as results (domain, code, message and details) and the one exception
// type that stands in for the platform's exceptions where a protected block
// must catch them.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "platform/Object.h"
#include "platform/String.h"
#include "platform/Values.h"

namespace qv {

inline constexpr const char* NSPOSIXErrorDomain = "NSPOSIXErrorDomain";
inline constexpr const char* NSCocoaErrorDomain = "NSCocoaErrorDomain";
inline constexpr const char* NSFilePathErrorKey = "NSFilePath";
inline constexpr const char* NSURLErrorKey = "NSURL";
inline constexpr const char* NSUnderlyingErrorKey = "NSUnderlyingError";

class ErrorObject final : public Object {
 public:
  ErrorObject(String domain, std::int64_t code, String message, Dictionary userInfo)
      : domain_(std::move(domain)), code_(code), message_(std::move(message)), userInfo_(std::move(userInfo)) {}
  const String& domain() const { return domain_; }
  std::int64_t code() const { return code_; }
  const String& message() const { return message_; }
  const Dictionary& userInfo() const { return userInfo_; }
  const char* className() const override { return "NSError"; }
  // Error Domain=D Code=N "message" UserInfo={key=value, …}
  String description() const override;
  bool isEqual(const Object& other) const override;

 private:
  String domain_;
  std::int64_t code_;
  String message_;
  Dictionary userInfo_;
};

class Error {
 public:
  Error() = default;
  static Error make(const String& domain, std::int64_t code, const String& message, Dictionary userInfo = {});
  // A POSIX error about a path, its message saying what failed and why.
  static Error posix(int errnum, const String& what, const String& path = {});
  static Error fromObject(const Id& object);

  bool isNil() const { return !obj_; }
  explicit operator bool() const { return static_cast<bool>(obj_); }
  String domain() const { return obj_ ? obj_->domain() : String(); }
  std::int64_t code() const { return obj_ ? obj_->code() : 0; }
  String localizedDescription() const { return obj_ ? obj_->message() : String(); }
  Dictionary userInfo() const { return obj_ ? obj_->userInfo() : Dictionary(); }
  String description() const { return describe(object()); }
  Id object() const { return std::const_pointer_cast<ErrorObject>(obj_); }

 private:
  explicit Error(Ref<const ErrorObject> obj) : obj_(std::move(obj)) {}
  Ref<const ErrorObject> obj_;
};

// Sets an out-parameter that the caller may not have supplied.
template <class T>
inline void setOut(T* out, T value) {
  if (out) *out = std::move(value);
}

class Exception : public std::exception {
 public:
  Exception(String name, String reason) : name_(std::move(name)), reason_(std::move(reason)), what_(reason_.UTF8String()) {}
  const String& name() const { return name_; }
  const String& reason() const { return reason_; }
  const char* what() const noexcept override { return what_.c_str(); }
  // An exception describes itself by its reason.
  String description() const { return reason_; }

 private:
  String name_;
  String reason_;
  std::string what_;
};

}  // namespace qv
