// Build tool: writes the texts the library stores in scrambled form (the
// base64 of their UTF-8 bytes, in reverse order) as a C++ include file.
#include <cstdio>
#include <string>

namespace {

std::string base64(const std::string& in) {
  static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < in.size(); i += 3) {
    unsigned v = (unsigned char)in[i] << 16 | (unsigned char)in[i + 1] << 8 | (unsigned char)in[i + 2];
    out += {table[v >> 18], table[(v >> 12) & 63], table[(v >> 6) & 63], table[v & 63]};
  }
  if (i + 1 == in.size()) {
    unsigned v = (unsigned char)in[i] << 16;
    out += {table[v >> 18], table[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == in.size()) {
    unsigned v = (unsigned char)in[i] << 16 | (unsigned char)in[i + 1] << 8;
    out += {table[v >> 18], table[(v >> 12) & 63], table[(v >> 6) & 63], '='};
  }
  return out;
}

void emit(std::FILE* f, const char* name, const std::string& text) {
  std::string stored = base64(text);
  std::fprintf(f, "inline constexpr unsigned char %s[] = {", name);
  for (std::size_t i = stored.size(); i-- > 0;) std::fprintf(f, "%s0x%02x", i + 1 == stored.size() ? "" : ", ", (unsigned char)stored[i]);
  std::fprintf(f, "};\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s OUTPUT SUPPORT_BASE_ADDRESS SECOND_TEXT\n", argv[0]);
    return 2;
  }
  std::FILE* f = std::fopen(argv[1], "w");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  std::fprintf(f, "// Generated at build time. Do not edit.\n#pragma once\n");
  emit(f, "kStoredSupportBaseAddress", argv[2]);
  emit(f, "kStoredSecondText", argv[3]);
  return std::fclose(f) == 0 ? 0 : 1;
}
