#include "platform/StringsTable.h"

#include <cstdint>
#include <cstring>

#include "platform/PropertyList.h"
#include "platform/Values.h"

namespace qv {

namespace {

void appendCodePoint(std::u16string& out, char32_t cp) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(cp <= 0xFFFF ? cp : 0xFFFD));
  }
}

class TextParser {
 public:
  explicit TextParser(std::u16string_view s) : s_(s) {}

  std::optional<StringsTable> parse() {
    StringsTable table;
    skipSpace();
    // The whole table may be wrapped in braces, as a dictionary.
    bool braced = false;
    if (peek() == u'{') {
      braced = true;
      ++i_;
    }
    for (;;) {
      if (!skipSpace()) return std::nullopt;
      if (atEnd()) break;
      if (braced && peek() == u'}') {
        ++i_;
        if (!skipSpace() || !atEnd()) return std::nullopt;
        return table;
      }
      std::u16string key;
      if (!readString(key)) return std::nullopt;
      if (!skipSpace()) return std::nullopt;
      std::u16string value;
      if (peek() == u'=') {
        ++i_;
        if (!skipSpace() || !readString(value)) return std::nullopt;
        if (!skipSpace()) return std::nullopt;
      } else {
        value = key;  // a bare "key"; stands for itself
      }
      if (peek() != u';') return std::nullopt;
      ++i_;
      table.insert_or_assign(std::move(key), std::move(value));
    }
    if (braced) return std::nullopt;
    return table;
  }

 private:
  bool atEnd() const { return i_ >= s_.size(); }
  char16_t peek() const { return atEnd() ? 0 : s_[i_]; }

  // False on an unterminated block comment.
  bool skipSpace() {
    while (!atEnd()) {
      char16_t c = s_[i_];
      if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v' || c == 0xFEFF || c == 0x2028 ||
          c == 0x2029) {
        ++i_;
      } else if (c == u'/' && i_ + 1 < s_.size() && s_[i_ + 1] == u'*') {
        auto close = s_.find(u"*/", i_ + 2);
        if (close == std::u16string_view::npos) return false;
        i_ = close + 2;
      } else if (c == u'/' && i_ + 1 < s_.size() && s_[i_ + 1] == u'/') {
        while (!atEnd() && s_[i_] != u'\n' && s_[i_] != u'\r') ++i_;
      } else {
        break;
      }
    }
    return true;
  }

  static bool isBareChar(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$' ||
           c == u'+' || c == u'/' || c == u':' || c == u'.' || c == u'-';
  }

  bool readString(std::u16string& out) {
    out.clear();
    if (peek() != u'"') {
      // Unquoted words are allowed by the old text format.
      std::size_t start = i_;
      while (!atEnd() && isBareChar(s_[i_]) && !(s_[i_] == u'/' && i_ + 1 < s_.size() && (s_[i_ + 1] == u'/' || s_[i_ + 1] == u'*'))) ++i_;
      if (i_ == start) return false;
      out.assign(s_.substr(start, i_ - start));
      return true;
    }
    ++i_;
    while (!atEnd()) {
      char16_t c = s_[i_++];
      if (c == u'"') return true;
      if (c != u'\\') {
        out.push_back(c);
        continue;
      }
      if (atEnd()) return false;
      char16_t e = s_[i_++];
      switch (e) {
        case u'n': out.push_back(u'\n'); break;
        case u't': out.push_back(u'\t'); break;
        case u'r': out.push_back(u'\r'); break;
        case u'a': out.push_back(u'\a'); break;
        case u'b': out.push_back(u'\b'); break;
        case u'f': out.push_back(u'\f'); break;
        case u'v': out.push_back(u'\v'); break;
        case u'U':
        case u'u': {
          char32_t cp = 0;
          int digits = 0;
          while (digits < 4 && !atEnd()) {
            char16_t h = s_[i_];
            int v = (h >= u'0' && h <= u'9') ? h - u'0' : (h >= u'a' && h <= u'f') ? h - u'a' + 10 : (h >= u'A' && h <= u'F') ? h - u'A' + 10 : -1;
            if (v < 0) break;
            cp = cp * 16 + static_cast<char32_t>(v);
            ++digits, ++i_;
          }
          if (digits == 0) return false;
          out.push_back(static_cast<char16_t>(cp));
          break;
        }
        default:
          if (e >= u'0' && e <= u'7') {
            char32_t cp = e - u'0';
            for (int k = 0; k < 2 && !atEnd() && s_[i_] >= u'0' && s_[i_] <= u'7'; ++k) cp = cp * 8 + (s_[i_++] - u'0');
            appendCodePoint(out, cp);
          } else {
            out.push_back(e);  // \" \\ \' and any other character stand for themselves
          }
      }
    }
    return false;
  }

  std::u16string_view s_;
  std::size_t i_ = 0;
};

std::uint32_t read32(const unsigned char* p, bool big) {
  return big ? (std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3])
             : (std::uint32_t(p[3]) << 24 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0]);
}

}  // namespace

std::optional<std::u16string> decodeStringsFileText(const void* bytes, std::size_t length) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::u16string out;
  if (!p) return out;
  if (length >= 4 && ((p[0] == 0xFF && p[1] == 0xFE && p[2] == 0 && p[3] == 0) || (p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF))) {
    bool big = p[0] == 0;
    if (length % 4) return std::nullopt;
    for (std::size_t i = 4; i < length; i += 4) {
      char32_t cp = read32(p + i, big);
      if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
      appendCodePoint(out, cp);
    }
    return out;
  }
  if (length >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) {
    bool big = p[0] == 0xFE;
    if (length % 2) return std::nullopt;
    out.reserve(length / 2);
    for (std::size_t i = 2; i < length; i += 2) {
      out.push_back(static_cast<char16_t>(big ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i])));
    }
    return out;
  }
  std::string_view utf8(reinterpret_cast<const char*>(p), length);
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  if (!unicode::utf8ToUtf16(utf8, out)) return std::nullopt;
  return out;
}

std::optional<StringsTable> parseStringsText(std::u16string_view text) { return TextParser(text).parse(); }

std::optional<StringsTable> parseStringsTable(const void* bytes, std::size_t length) {
  const auto* p = static_cast<const char*>(bytes);
  bool binary = p && length >= 8 && std::memcmp(p, "bplist", 6) == 0;
  std::optional<std::u16string> text;
  if (!binary) text = decodeStringsFileText(bytes, length);
  bool xml = false;
  if (text) {
    auto start = text->find_first_not_of(u" \t\r\n\uFEFF");
    xml = start != std::u16string::npos && text->compare(start, 5, u"<?xml") == 0;
    if (!xml && start != std::u16string::npos && text->compare(start, 6, u"<plist") == 0) xml = true;
  }
  if (binary || xml) {
    Dictionary dict = Dictionary::fromObject(plist::parse(bytes, length));
    if (!dict) return std::nullopt;
    StringsTable table;
    for (const auto& [k, v] : dict.entries()) {
      String key = String::fromObject(k), value = String::fromObject(v);
      if (!key || !value) continue;  // plural-rule dictionaries and the like are not plain entries
      table.insert_or_assign(std::u16string(key.units()), std::u16string(value.units()));
    }
    return table;
  }
  if (!text) return std::nullopt;
  return parseStringsText(*text);
}

}  // namespace qv
