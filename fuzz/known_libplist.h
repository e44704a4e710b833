// Recognises inputs that hit a known libplist 2.2 abort, so that a run can
// skip them (opt-in, QV_FUZZ_SKIP_KNOWN=1) instead of rediscovering it forever:
// plist_get_string_val and plist_get_key_val assert when a string or a key
// holds a NUL byte. libplist's XML writer keeps such a NUL, which shows it.
#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qvfuzz {

inline bool skipKnownLibplistAbort(const std::uint8_t* data, std::size_t size) {
  static const bool enabled = [] {
    const char* v = std::getenv("QV_FUZZ_SKIP_KNOWN");
    bool on = v && std::strcmp(v, "1") == 0;
    if (on) std::fprintf(stderr, "skipping inputs with a NUL inside a property-list string or key (known libplist 2.2 abort)\n");
    return on;
  }();
  if (!enabled || size > UINT32_MAX) return false;
  plist_t root = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(data), static_cast<std::uint32_t>(size), &root);
  if (!root) return false;
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(root, &xml, &length);
  bool hit = xml && std::memchr(xml, 0, length) != nullptr;
  std::free(xml);
  plist_free(root);
  return hit;
}

}  // namespace qvfuzz
