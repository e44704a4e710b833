#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/LazyLibrary_linux.h"
#include "platform/PropertyList.h"

namespace qv::plist {

namespace {

#define QV_PLIST_FUNCTIONS(X)                                                                                  \
  X(plist_from_memory) X(plist_free) X(plist_get_node_type) X(plist_get_string_ptr) X(plist_get_bool_val)      \
  X(plist_get_uint_val) X(plist_get_real_val) X(plist_get_data_val) X(plist_get_date_val) X(plist_get_uid_val) \
  X(plist_array_get_size) X(plist_array_get_item) X(plist_dict_new_iter) X(plist_dict_next_item)               \
  X(plist_new_dict) X(plist_new_array) X(plist_new_string) X(plist_new_bool) X(plist_new_uint)                 \
  X(plist_new_real) X(plist_new_data) X(plist_new_date) X(plist_new_uid) X(plist_array_append_item)            \
  X(plist_dict_set_item) X(plist_to_xml) X(plist_to_xml_free) X(plist_to_bin) X(plist_to_bin_free)

struct Api {
#define QV_DECLARE(name) decltype(&::name) name = nullptr;
  QV_PLIST_FUNCTIONS(QV_DECLARE)
#undef QV_DECLARE
  bool ready = false;
};

const Api& api() {
  static const Api instance = [] {
    Api a;
    static LazyLibrary library("libplist-2.0.so.3");
    bool ok = library.isLoaded();
#define QV_RESOLVE(name) ok = library.resolve(a.name, #name) && ok;
    QV_PLIST_FUNCTIONS(QV_RESOLVE)
#undef QV_RESOLVE
    a.ready = ok;
    return a;
  }();
  return instance;
}

constexpr std::size_t kMaxDepth = 512;

std::uint64_t readBigEndian(const std::uint8_t* p, std::size_t n) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < n; ++i) v = v << 8 | p[i];
  return v;
}

// libplist aborts (an assertion) on a string or key that holds a NUL
// character, so such input is refused before it reaches the library.
// For the binary form the object table is walked for every string; anything
// inconsistent there is refused as well.
bool isSafeForLibplist(const std::uint8_t* p, std::size_t n) {
  if (n >= 6 && std::memcmp(p, "bplist", 6) == 0) {
    if (n < 8 + 32) return false;
    const std::uint8_t* trailer = p + n - 32;
    std::size_t offsetSize = trailer[6];
    std::uint64_t count = readBigEndian(trailer + 8, 8);
    std::uint64_t tableOffset = readBigEndian(trailer + 24, 8);
    if (offsetSize < 1 || offsetSize > 8 || tableOffset >= n - 32 || count > (n - 32 - tableOffset) / offsetSize) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
      std::uint64_t at = readBigEndian(p + tableOffset + i * offsetSize, offsetSize);
      if (at >= n - 32) return false;
      std::uint8_t marker = p[at];
      std::uint8_t kind = marker >> 4;
      if (kind != 0x5 && kind != 0x6) continue;
      std::uint64_t length = marker & 0x0F;
      std::uint64_t start = at + 1;
      if (length == 0x0F) {
        if (start >= n - 32 || (p[start] >> 4) != 0x1) return false;
        std::size_t intSize = std::size_t(1) << (p[start] & 0x0F);
        if (intSize > 8 || start + 1 + intSize > n - 32) return false;
        length = readBigEndian(p + start + 1, intSize);
        start += 1 + intSize;
      }
      std::uint64_t unit = kind == 0x6 ? 2 : 1;
      if (length > (n - 32 - start) / unit) return false;
      for (std::uint64_t k = 0; k < length; ++k) {
        if (unit == 1 ? p[start + k] == 0 : (p[start + 2 * k] == 0 && p[start + 2 * k + 1] == 0)) return false;
      }
    }
    return true;
  }
  if (std::memchr(p, 0, n)) return false;
  // Character references to NUL: &#0; &#x0; with any number of zeros.
  for (const std::uint8_t* q = p; (q = static_cast<const std::uint8_t*>(std::memchr(q, '&', static_cast<std::size_t>(p + n - q)))); ++q) {
    const std::uint8_t* r = q + 1;
    if (r >= p + n || *r != '#') continue;
    ++r;
    if (r < p + n && (*r == 'x' || *r == 'X')) ++r;
    const std::uint8_t* digits = r;
    while (r < p + n && *r == '0') ++r;
    if (r > digits && r < p + n && *r == ';') return false;
  }
  return true;
}

Id toObject(const Api& a, plist_t node, std::size_t depth) {
  if (!node || depth > kMaxDepth) return {};
  switch (a.plist_get_node_type(node)) {
    case PLIST_DICT: {
      auto dict = Dictionary::dictionary();
      plist_dict_iter it = nullptr;
      a.plist_dict_new_iter(node, &it);
      if (!it) return dict.object();
      for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        a.plist_dict_next_item(node, it, &key, &value);
        if (!value) {
          std::free(key);
          break;
        }
        String k = String::fromUTF8(key ? key : "");
        std::free(key);
        Id v = toObject(a, value, depth + 1);
        if (k.isNil() || !v) {
          std::free(it);
          return {};
        }
        dict.setObject(v, k);
      }
      std::free(it);
      return dict.object();
    }
    case PLIST_ARRAY: {
      auto array = Array::array();
      std::uint32_t n = a.plist_array_get_size(node);
      for (std::uint32_t i = 0; i < n; ++i) {
        Id v = toObject(a, a.plist_array_get_item(node, i), depth + 1);
        if (!v) return {};
        array.addObject(v);
      }
      return array.object();
    }
    case PLIST_STRING: {
      std::uint64_t length = 0;
      const char* s = a.plist_get_string_ptr(node, &length);
      return String::fromUTF8(std::string_view(s ? s : "", s ? length : 0)).object();
    }
    case PLIST_BOOLEAN: {
      std::uint8_t b = 0;
      a.plist_get_bool_val(node, &b);
      return Number::numberWithBool(b != 0).object();
    }
    case PLIST_UINT: {
      std::uint64_t u = 0;
      a.plist_get_uint_val(node, &u);
      // Integers are stored as 64-bit two's complement.
      return Number::numberWithLongLong(static_cast<std::int64_t>(u)).object();
    }
    case PLIST_REAL: {
      double d = 0;
      a.plist_get_real_val(node, &d);
      return Number::numberWithDouble(d).object();
    }
    case PLIST_DATA: {
      char* bytes = nullptr;
      std::uint64_t length = 0;
      a.plist_get_data_val(node, &bytes, &length);
      Data value = Data::withBytes(bytes, bytes ? length : 0);
      std::free(bytes);
      return value.object();
    }
    case PLIST_DATE: {
      std::int32_t sec = 0, usec = 0;
      a.plist_get_date_val(node, &sec, &usec);
      return Date::withTimeIntervalSinceReferenceDate(sec + usec / 1e6).object();
    }
    case PLIST_UID: {
      std::uint64_t u = 0;
      a.plist_get_uid_val(node, &u);
      return std::make_shared<UIDObject>(u);
    }
    default:
      return {};
  }
}

plist_t toNode(const Api& a, const Id& object, std::size_t depth) {
  if (!object || depth > kMaxDepth) return nullptr;
  // libplist's strings end at a NUL: a text holding one cannot be written.
  if (auto s = String::fromObject(object)) {
    std::string utf8 = s.UTF8String();
    return utf8.find('\0') == std::string::npos ? a.plist_new_string(utf8.c_str()) : nullptr;
  }
  if (auto n = Number::fromObject(object)) {
    if (n.isBool()) return a.plist_new_bool(n.boolValue());
    if (n.isReal()) return a.plist_new_real(n.doubleValue());
    return a.plist_new_uint(static_cast<std::uint64_t>(n.int64Value()));
  }
  if (auto d = Data::fromObject(object)) {
    return a.plist_new_data(reinterpret_cast<const char*>(d.bytes()), d.length());
  }
  if (auto t = Date::fromObject(object)) {
    double v = t.timeIntervalSinceReferenceDate();
    if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<std::int32_t>::max()) return nullptr;
    double sec = std::floor(v);
    // Rounded, not cut off: otherwise each save would move the date back.
    long long usec = std::llround((v - sec) * 1e6);
    if (usec >= 1000000) {
      sec += 1;
      usec -= 1000000;
    }
    if (sec > std::numeric_limits<std::int32_t>::max()) return nullptr;
    return a.plist_new_date(static_cast<std::int32_t>(sec), static_cast<std::int32_t>(usec));
  }
  if (auto u = std::dynamic_pointer_cast<UIDObject>(object)) return a.plist_new_uid(u->value());
  if (auto array = Array::fromObject(object)) {
    plist_t node = a.plist_new_array();
    for (const auto& item : array.items()) {
      plist_t child = toNode(a, item, depth + 1);
      if (!child) {
        a.plist_free(node);
        return nullptr;
      }
      a.plist_array_append_item(node, child);
    }
    return node;
  }
  if (auto dict = Dictionary::fromObject(object)) {
    plist_t node = a.plist_new_dict();
    for (const auto& [k, v] : dict.entries()) {
      String key = String::fromObject(k);
      bool keyOK = key && key.UTF8String().find('\0') == std::string::npos;
      plist_t child = keyOK ? toNode(a, v, depth + 1) : nullptr;
      if (!child) {
        a.plist_free(node);
        return nullptr;
      }
      a.plist_dict_set_item(node, key.UTF8String().c_str(), child);
    }
    return node;
  }
  return nullptr;
}

}  // namespace

Id parse(const void* bytes, std::size_t length) {
  const Api& a = api();
  if (!a.ready || !bytes || length == 0 || length > std::numeric_limits<std::uint32_t>::max()) return {};
  if (!isSafeForLibplist(static_cast<const std::uint8_t*>(bytes), length)) return {};
  plist_t root = nullptr;
  a.plist_from_memory(static_cast<const char*>(bytes), static_cast<std::uint32_t>(length), &root);
  if (!root) return {};
  Id result = toObject(a, root, 0);
  a.plist_free(root);
  return result;
}

Id parse(const Data& data) { return parse(data.bytes(), data.length()); }

Data serialize(const Id& root, Format format) {
  const Api& a = api();
  if (!a.ready) return {};
  plist_t node = toNode(a, root, 0);
  if (!node) return {};
  char* out = nullptr;
  std::uint32_t length = 0;
  if (format == Format::XML) {
    a.plist_to_xml(node, &out, &length);
  } else {
    a.plist_to_bin(node, &out, &length);
  }
  a.plist_free(node);
  if (!out) return {};
  Data result = Data::withBytes(out, length);
  if (format == Format::XML) {
    a.plist_to_xml_free(out);
  } else {
    a.plist_to_bin_free(out);
  }
  return result;
}

}  // namespace qv::plist
