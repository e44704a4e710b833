#include "platform/String.h"

#include <algorithm>

namespace qv {

namespace unicode {

bool utf8ToUtf16(std::string_view in, std::u16string& out) {
  out.clear();
  out.reserve(in.size());
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const auto* end = p + in.size();
  while (p < end) {
    unsigned char c = *p;
    if (c < 0x80) {
      out.push_back(c);
      ++p;
      continue;
    }
    int extra;
    char32_t cp;
    char32_t min;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07, min = 0x10000;
    } else {
      return false;
    }
    if (end - p <= extra) return false;
    for (int i = 1; i <= extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    p += extra + 1;
  }
  return true;
}

void utf16ToUtf8(std::u16string_view in, std::string& out) {
  out.clear();
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

}  // namespace unicode

String StringObject::description() const {
  return String(std::static_pointer_cast<const StringObject>(shared_from_this()));
}

bool StringObject::isEqual(const Object& other) const {
  const auto* s = dynamic_cast<const StringObject*>(&other);
  return s && s->units_ == units_;
}

std::size_t StringObject::hash() const { return std::hash<std::u16string>{}(units_); }

String::String(const char* utf8) {
  if (utf8) *this = fromUTF8(utf8);
}

String::String(std::u16string units) : obj_(std::make_shared<const StringObject>(std::move(units))) {}

String String::fromUTF8(std::string_view utf8) {
  std::u16string units;
  if (!unicode::utf8ToUtf16(utf8, units)) return {};
  return String(std::move(units));
}

String String::fromUTF16(std::u16string_view units) { return String(std::u16string(units)); }

String String::fromObject(const Id& object) {
  auto s = std::dynamic_pointer_cast<const StringObject>(object);
  return s ? String(std::move(s)) : String();
}

std::size_t String::length() const { return obj_ ? obj_->units().size() : 0; }

char16_t String::characterAtIndex(std::size_t index) const {
  return obj_ && index < obj_->units().size() ? obj_->units()[index] : 0;
}

std::u16string_view String::units() const { return obj_ ? std::u16string_view(obj_->units()) : std::u16string_view(); }

std::string String::UTF8String() const {
  std::string out;
  if (obj_) unicode::utf16ToUtf8(obj_->units(), out);
  return out;
}

bool String::isEqualToString(const String& other) const {
  if (obj_ == other.obj_) return true;
  if (!obj_ || !other.obj_) return false;
  return obj_->units() == other.obj_->units();
}

std::size_t String::hash() const { return obj_ ? obj_->hash() : 0; }

bool String::hasPrefix(const String& prefix) const {
  auto u = units(), p = prefix.units();
  return !prefix.isNil() && !isNil() && u.substr(0, p.size()) == p && p.size() <= u.size();
}

bool String::hasSuffix(const String& suffix) const {
  auto u = units(), s = suffix.units();
  return !suffix.isNil() && !isNil() && s.size() <= u.size() && u.substr(u.size() - s.size()) == s;
}

String String::stringByAppendingString(const String& other) const {
  if (isNil()) return {};
  std::u16string out(units());
  out.append(other.units());
  return String(std::move(out));
}

String String::substring(std::size_t from, std::size_t count) const {
  auto u = units();
  if (isNil() || from > u.size()) return {};
  return fromUTF16(u.substr(from, count));
}

Id String::object() const { return std::const_pointer_cast<StringObject>(obj_); }

namespace {

// Drops trailing slashes (keeping a lone "/") and collapses runs of slashes.
std::u16string standardizeSlashes(std::u16string_view in) {
  std::u16string out;
  out.reserve(in.size());
  for (char16_t c : in) {
    if (c == u'/' && !out.empty() && out.back() == u'/') continue;
    out.push_back(c);
  }
  while (out.size() > 1 && out.back() == u'/') out.pop_back();
  return out;
}

std::size_t lastComponentStart(std::u16string_view p) {
  auto slash = p.rfind(u'/');
  return slash == std::u16string_view::npos ? 0 : slash + 1;
}

// Index of the dot that starts the extension of the last component, or npos.
std::size_t extensionDot(std::u16string_view p) {
  if (p == u"/") return std::u16string_view::npos;
  auto start = lastComponentStart(p);
  auto dot = p.rfind(u'.');
  if (dot == std::u16string_view::npos || dot <= start || dot + 1 == p.size()) return std::u16string_view::npos;
  return dot;
}

}  // namespace

String String::stringByAppendingPathComponent(const String& component) const {
  if (isNil()) return {};
  std::u16string joined(units());
  auto c = component.units();
  if (!c.empty()) {
    if (!joined.empty()) joined.push_back(u'/');
    joined.append(c);
  }
  return String(standardizeSlashes(joined));
}

String String::lastPathComponent() const {
  if (isNil()) return {};
  auto p = standardizeSlashes(units());
  if (p == u"/") return String(p);
  return String(p.substr(lastComponentStart(p)));
}

String String::pathExtension() const {
  if (isNil()) return {};
  auto p = standardizeSlashes(units());
  auto dot = extensionDot(p);
  return String(dot == std::u16string::npos ? std::u16string() : p.substr(dot + 1));
}

String String::stringByDeletingPathExtension() const {
  if (isNil()) return {};
  auto p = standardizeSlashes(units());
  auto dot = extensionDot(p);
  return String(dot == std::u16string::npos ? p : p.substr(0, dot));
}

String String::stringByDeletingLastPathComponent() const {
  if (isNil()) return {};
  auto p = standardizeSlashes(units());
  if (p == u"/") return String(p);
  auto slash = p.rfind(u'/');
  if (slash == std::u16string::npos) return String(std::u16string());
  if (slash == 0) return String(std::u16string(u"/"));
  return String(p.substr(0, slash));
}

String operator""_s(const char* utf8, std::size_t size) { return String::fromUTF8(std::string_view(utf8, size)); }

}  // namespace qv
