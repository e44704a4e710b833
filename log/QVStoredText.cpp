#include "log/QVStoredText.h"

#include <cstring>
#include <vector>

#include "platform/URL.h"
#include "qv_stored_texts.inc"

using namespace qv;

namespace {

int base64Value(std::uint8_t c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Standard base64 with "=" padding; anything else fails.
bool decodeBase64(const std::vector<std::uint8_t>& in, std::string& out) {
  if (in.empty() || in.size() % 4) return false;
  std::size_t padding = 0;
  if (in.back() == '=') padding = in[in.size() - 2] == '=' ? 2 : 1;
  out.clear();
  for (std::size_t i = 0; i < in.size(); i += 4) {
    bool last = i + 4 == in.size();
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      std::uint8_t c = in[i + k];
      int d = base64Value(c);
      if (d < 0) {
        if (!(c == '=' && last && k >= 4 - padding)) return false;
        d = 0;
      }
      v = v << 6 | static_cast<std::uint32_t>(d);
    }
    out.push_back(static_cast<char>(v >> 16));
    if (!last || padding < 2) out.push_back(static_cast<char>((v >> 8) & 0xFF));
    if (!last || padding < 1) out.push_back(static_cast<char>(v & 0xFF));
  }
  return true;
}

template <std::size_t N>
std::unique_ptr<std::uint8_t[]> copyStored(const unsigned char (&stored)[N]) {
  auto buffer = std::make_unique<std::uint8_t[]>(N);
  std::memcpy(buffer.get(), stored, N);
  return buffer;
}

}  // namespace

String QVStringFromReversedBase64(std::int32_t length, std::unique_ptr<std::uint8_t[]> buffer) {
  if (length <= 0 || !buffer) return {};
  std::vector<std::uint8_t> reversed(static_cast<std::size_t>(length));
  for (std::size_t i = 0; i < reversed.size(); ++i) reversed[i] = buffer[reversed.size() - 1 - i];
  buffer.reset();
  std::string bytes;
  if (!decodeBase64(reversed, bytes) || bytes.empty()) return {};
  return String::fromUTF8(bytes);
}

Id QVSupportAddressWithSuffix(const char* suffix, std::int32_t asURL) {
  String address = QVStringFromReversedBase64(static_cast<std::int32_t>(sizeof kStoredSupportBaseAddress),
                                              copyStored(kStoredSupportBaseAddress));
  if (address && suffix) {
    String tail = String::fromUTF8(suffix);
    if (tail.isNil()) return {};
    if (!address.hasSuffix("/")) address = address.stringByAppendingString("/");
    address = address.stringByAppendingString(tail);
  }
  if (address && asURL == 1) return URL::URLWithString(address).object();
  return address.object();
}

String QVSecondStoredText() {
  return QVStringFromReversedBase64(static_cast<std::int32_t>(sizeof kStoredSecondText), copyStored(kStoredSecondText));
}
