#include "platform/Error.h"

#include <cstring>

#include "platform/Format.h"

namespace qv {

String ErrorObject::description() const {
  std::u16string out(format("Error Domain=%@ Code=%lld \"%@\"", domain_, static_cast<long long>(code_), message_).units());
  if (userInfo_.count()) {
    out += u" UserInfo={";
    bool first = true;
    for (const auto& [k, v] : userInfo_.entries()) {
      if (!first) out += u", ";
      first = false;
      out += describe(k).units();
      out += u'=';
      out += describe(v).units();
    }
    out += u'}';
  }
  return String(std::move(out));
}

bool ErrorObject::isEqual(const Object& other) const {
  const auto* e = dynamic_cast<const ErrorObject*>(&other);
  return e && e->domain_ == domain_ && e->code_ == code_ && isEqualObjects(e->userInfo_.object(), userInfo_.object());
}

Error Error::make(const String& domain, std::int64_t code, const String& message, Dictionary userInfo) {
  if (userInfo.isNil()) userInfo = Dictionary::dictionary();
  return Error(std::make_shared<const ErrorObject>(domain, code, message, std::move(userInfo)));
}

Error Error::posix(int errnum, const String& what, const String& path) {
  auto info = Dictionary::dictionary();
  if (!path.isNil()) info.setObject(path.object(), String(NSFilePathErrorKey));
  String reason(std::strerror(errnum));
  String message = what.isNil() ? reason : format("%@: %@", what, reason);
  return make(NSPOSIXErrorDomain, errnum, message, info);
}

Error Error::fromObject(const Id& object) {
  auto e = std::dynamic_pointer_cast<const ErrorObject>(object);
  return e ? Error(std::move(e)) : Error();
}

}  // namespace qv
