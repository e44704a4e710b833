#include "platform/Values.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qv {

namespace {

const std::vector<std::uint8_t>& noBytes() {
  static const std::vector<std::uint8_t> empty;
  return empty;
}

void appendHex(std::string& out, const std::uint8_t* p, std::size_t n) {
  static const char digits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < n; ++i) {
    if (i && i % 4 == 0) out.push_back(' ');
    out.push_back(digits[p[i] >> 4]);
    out.push_back(digits[p[i] & 15]);
  }
}

// Collections quote an element text unless it is a plain word.
std::string quotedIfNeeded(const Id& item) {
  std::string text = describe(item).UTF8String();
  if (!String::fromObject(item)) return text;
  bool plain = !text.empty();
  for (unsigned char c : text) {
    if (!(std::isalnum(c) || c == '_' || c == '.' || c == '$' || c == '/')) plain = false;
  }
  if (plain) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out.push_back('\\');
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out.push_back(c);
  }
  return out + "\"";
}

std::string indented(const std::string& text) {
  std::string out;
  for (char c : text) {
    out.push_back(c);
    if (c == '\n') out += "    ";
  }
  return out;
}

}  // namespace

String DataObject::description() const {
  char head[64];
  std::snprintf(head, sizeof head, "{length = %zu, bytes = 0x", bytes_.size());
  std::string out = head;
  if (bytes_.size() <= 24) {
    appendHex(out, bytes_.data(), bytes_.size());
  } else {
    appendHex(out, bytes_.data(), 8);
    out += " ... ";
    appendHex(out, bytes_.data() + bytes_.size() - 8, 8);
  }
  out += "}";
  return String::fromUTF8(out);
}

bool DataObject::isEqual(const Object& other) const {
  const auto* d = dynamic_cast<const DataObject*>(&other);
  return d && d->bytes_ == bytes_;
}

std::size_t DataObject::hash() const {
  std::size_t h = bytes_.size();
  for (std::size_t i = 0; i < bytes_.size() && i < 80; ++i) h = h * 131 + bytes_[i];
  return h;
}

Data Data::withBytes(const void* bytes, std::size_t length) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  return Data(std::vector<std::uint8_t>(p, p + (p ? length : 0)));
}

Data Data::fromObject(const Id& object) {
  auto d = std::dynamic_pointer_cast<const DataObject>(object);
  return d ? Data(std::move(d)) : Data();
}

const std::vector<std::uint8_t>& Data::vector() const { return obj_ ? obj_->bytes() : noBytes(); }

std::int64_t NumberObject::int64Value() const {
  switch (kind_) {
    case Kind::Real:
      return std::isfinite(d_) ? static_cast<std::int64_t>(d_) : 0;
    case Kind::Unsigned:
      return static_cast<std::int64_t>(u_);
    default:
      return i_;
  }
}

std::uint64_t NumberObject::uint64Value() const {
  switch (kind_) {
    case Kind::Real:
      return std::isfinite(d_) && d_ >= 0 ? static_cast<std::uint64_t>(d_) : 0;
    case Kind::Unsigned:
      return u_;
    default:
      return static_cast<std::uint64_t>(i_);
  }
}

double NumberObject::doubleValue() const {
  switch (kind_) {
    case Kind::Real:
      return d_;
    case Kind::Unsigned:
      return static_cast<double>(u_);
    default:
      return static_cast<double>(i_);
  }
}

String NumberObject::description() const {
  char buffer[64];
  switch (kind_) {
    case Kind::Real: {
      std::snprintf(buffer, sizeof buffer, "%.15g", d_);
      if (std::strtod(buffer, nullptr) != d_) std::snprintf(buffer, sizeof buffer, "%.17g", d_);
      break;
    }
    case Kind::Unsigned:
      std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(u_));
      break;
    default:
      std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(i_));
  }
  return String(buffer);
}

bool NumberObject::isEqual(const Object& other) const {
  const auto* n = dynamic_cast<const NumberObject*>(&other);
  if (!n) return false;
  if (kind_ == Kind::Real || n->kind_ == Kind::Real) return doubleValue() == n->doubleValue();
  if (kind_ == Kind::Unsigned || n->kind_ == Kind::Unsigned) {
    if ((kind_ != Kind::Unsigned && i_ < 0) || (n->kind_ != Kind::Unsigned && n->i_ < 0)) return false;
    return uint64Value() == n->uint64Value();
  }
  return i_ == n->i_;
}

std::size_t NumberObject::hash() const { return std::hash<double>{}(doubleValue()); }

Number Number::numberWithLongLong(std::int64_t v) {
  return Number(std::make_shared<const NumberObject>(NumberObject::Kind::Integer, v, 0, 0.0));
}
Number Number::numberWithUnsignedLongLong(std::uint64_t v) {
  return Number(std::make_shared<const NumberObject>(NumberObject::Kind::Unsigned, 0, v, 0.0));
}
Number Number::numberWithDouble(double v) {
  return Number(std::make_shared<const NumberObject>(NumberObject::Kind::Real, 0, 0, v));
}
Number Number::numberWithBool(bool v) {
  return Number(std::make_shared<const NumberObject>(NumberObject::Kind::Bool, v ? 1 : 0, 0, 0.0));
}
Number Number::fromObject(const Id& object) {
  auto n = std::dynamic_pointer_cast<const NumberObject>(object);
  return n ? Number(std::move(n)) : Number();
}

String ArrayObject::description() const {
  std::string out = "(";
  for (std::size_t i = 0; i < items.size(); ++i) {
    out += i ? ",\n    " : "\n    ";
    out += indented(quotedIfNeeded(items[i]));
  }
  out += items.empty() ? ")" : "\n)";
  return String::fromUTF8(out);
}

bool ArrayObject::isEqual(const Object& other) const {
  const auto* a = dynamic_cast<const ArrayObject*>(&other);
  if (!a || a->items.size() != items.size()) return false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (!isEqualObjects(items[i], a->items[i])) return false;
  }
  return true;
}

Array Array::withObjects(std::initializer_list<Id> objects) {
  auto a = array();
  for (const auto& o : objects) a.addObject(o);
  return a;
}

Array Array::withStrings(std::initializer_list<String> strings) {
  auto a = array();
  for (const auto& s : strings) a.addObject(s.object());
  return a;
}

Array Array::fromObject(const Id& object) {
  auto a = std::dynamic_pointer_cast<ArrayObject>(object);
  return a ? Array(std::move(a)) : Array();
}

void Array::addObject(Id object) const {
  if (obj_) obj_->items.push_back(std::move(object));
}

const std::vector<Id>& Array::items() const {
  static const std::vector<Id> none;
  return obj_ ? obj_->items : none;
}

Id DictionaryObject::find(const Id& key) const {
  for (const auto& [k, v] : entries) {
    if (isEqualObjects(k, key)) return v;
  }
  return {};
}

void DictionaryObject::set(Id key, Id value) {
  for (auto& entry : entries) {
    if (isEqualObjects(entry.first, key)) {
      entry.second = std::move(value);
      return;
    }
  }
  entries.emplace_back(std::move(key), std::move(value));
}

void DictionaryObject::remove(const Id& key) {
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (isEqualObjects(it->first, key)) {
      entries.erase(it);
      return;
    }
  }
}

String DictionaryObject::description() const {
  std::string out = "{";
  for (const auto& [k, v] : entries) {
    out += "\n    " + indented(quotedIfNeeded(k)) + " = " + indented(quotedIfNeeded(v)) + ";";
  }
  out += entries.empty() ? "}" : "\n}";
  return String::fromUTF8(out);
}

bool DictionaryObject::isEqual(const Object& other) const {
  const auto* d = dynamic_cast<const DictionaryObject*>(&other);
  if (!d || d->entries.size() != entries.size()) return false;
  for (const auto& [k, v] : entries) {
    if (!isEqualObjects(d->find(k), v)) return false;
  }
  return true;
}

Dictionary Dictionary::fromObject(const Id& object) {
  auto d = std::dynamic_pointer_cast<DictionaryObject>(object);
  return d ? Dictionary(std::move(d)) : Dictionary();
}

void Dictionary::setObject(Id value, Id key) const {
  if (obj_ && key) {
    if (value) {
      obj_->set(std::move(key), std::move(value));
    } else {
      obj_->remove(key);
    }
  }
}

void Dictionary::removeObjectForKey(const Id& key) const {
  if (obj_) obj_->remove(key);
}

const std::vector<std::pair<Id, Id>>& Dictionary::entries() const {
  static const std::vector<std::pair<Id, Id>> none;
  return obj_ ? obj_->entries : none;
}

}  // namespace qv

#include <chrono>
#include <ctime>

namespace qv {

String DateObject::description() const {
  double unix = t_ + Date::kUnixToReference;
  std::time_t seconds = static_cast<std::time_t>(std::floor(unix));
  std::tm tm {};
  gmtime_r(&seconds, &tm);
  char buffer[64];
  std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S +0000", &tm);
  return String(buffer);
}

bool DateObject::isEqual(const Object& other) const {
  const auto* d = dynamic_cast<const DateObject*>(&other);
  return d && d->t_ == t_;
}

Date Date::now() {
  auto since = std::chrono::system_clock::now().time_since_epoch();
  return withTimeIntervalSince1970(std::chrono::duration<double>(since).count());
}

Date Date::fromObject(const Id& object) {
  auto d = std::dynamic_pointer_cast<const DateObject>(object);
  return d ? Date(std::move(d)) : Date();
}

String UIDObject::description() const {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "<CFKeyedArchiverUID %p [%p]>{value = %llu}", static_cast<const void*>(this),
                static_cast<const void*>(this), static_cast<unsigned long long>(value_));
  return String(buffer);
}

bool UIDObject::isEqual(const Object& other) const {
  const auto* u = dynamic_cast<const UIDObject*>(&other);
  return u && u->value_ == value_;
}

}  // namespace qv
