#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/LazyLibrary_linux.h"
#include "platform/PropertyList.h"

namespace qv::plist {

namespace {

#define QV_PLIST_FUNCTIONS(X)                                                                                  \
  X(plist_from_memory) X(plist_free) X(plist_get_node_type) X(plist_get_string_val) X(plist_get_bool_val)      \
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
      char* s = nullptr;
      a.plist_get_string_val(node, &s);
      String value = String::fromUTF8(s ? s : "");
      std::free(s);
      return value.object();
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
  if (auto s = String::fromObject(object)) return a.plist_new_string(s.UTF8String().c_str());
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
    return a.plist_new_date(static_cast<std::int32_t>(sec), static_cast<std::int32_t>((v - sec) * 1e6));
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
      plist_t child = key ? toNode(a, v, depth + 1) : nullptr;
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
