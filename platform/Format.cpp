#include "platform/Format.h"

#include <cctype>
#include <cstdio>

namespace qv {

String FormatArg::describeObject() const {
  switch (kind_) {
    case Kind::Object:
      if (raw_) return raw_->description();
      return describe(object_);
    case Kind::CString:
      return cstring_ ? String::fromUTF8(cstring_) : String("(null)");
    default: {
      char buffer[64];
      if (kind_ == Kind::Real) {
        std::snprintf(buffer, sizeof buffer, "%g", real_);
      } else if (kind_ == Kind::Signed) {
        std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(signed_));
      } else {
        std::snprintf(buffer, sizeof buffer, "%llu", static_cast<unsigned long long>(unsigned_));
      }
      return String(buffer);
    }
  }
}

std::int64_t FormatArg::asSigned() const {
  switch (kind_) {
    case Kind::Signed:
      return signed_;
    case Kind::Unsigned:
      return static_cast<std::int64_t>(unsigned_);
    case Kind::Real:
      return static_cast<std::int64_t>(real_);
    default:
      return 0;
  }
}

std::uint64_t FormatArg::asUnsigned() const {
  return kind_ == Kind::Unsigned ? unsigned_ : static_cast<std::uint64_t>(asSigned());
}

double FormatArg::asReal() const {
  switch (kind_) {
    case Kind::Real:
      return real_;
    case Kind::Signed:
      return static_cast<double>(signed_);
    case Kind::Unsigned:
      return static_cast<double>(unsigned_);
    default:
      return 0;
  }
}

namespace {

void appendUtf8(std::u16string& out, std::string_view text) {
  std::u16string units;
  if (unicode::utf8ToUtf16(text, units)) {
    out += units;
  } else {
    for (unsigned char c : text) out.push_back(c < 0x80 ? c : u'\uFFFD');
  }
}

bool isLengthModifier(char c) { return c == 'h' || c == 'l' || c == 'q' || c == 'z' || c == 't' || c == 'j' || c == 'L'; }

}  // namespace

String formatString(std::string_view format, std::span<const FormatArg> args) {
  std::u16string out;
  out.reserve(format.size() + 16 * args.size());
  std::size_t next = 0;
  auto take = [&]() -> const FormatArg* { return next < args.size() ? &args[next++] : nullptr; };
  std::size_t literalStart = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    if (format[i] != '%') {
      ++i;
      continue;
    }
    appendUtf8(out, format.substr(literalStart, i - literalStart));
    std::size_t specStart = i++;
    // Flags, width and precision are kept for the numeric conversions.
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos) ++i;
    while (i < format.size() && (std::isdigit(static_cast<unsigned char>(format[i])) || format[i] == '.')) ++i;
    std::size_t modifierStart = i;
    while (i < format.size() && isLengthModifier(format[i])) ++i;
    if (i >= format.size()) {
      appendUtf8(out, format.substr(specStart));
      literalStart = i;
      break;
    }
    char conversion = format[i++];
    std::string flags(format.substr(specStart, modifierStart - specStart));
    char buffer[128];
    switch (conversion) {
      case '%':
        out.push_back(u'%');
        break;
      case '@': {
        const FormatArg* arg = take();
        out += arg ? arg->describeObject().units() : std::u16string_view(u"(null)");
        break;
      }
      case 's': {
        const FormatArg* arg = take();
        if (!arg) {
          out += u"(null)";
        } else if (arg->kind() == FormatArg::Kind::CString) {
          appendUtf8(out, arg->cstring() ? arg->cstring() : "(null)");
        } else {
          out += arg->describeObject().units();
        }
        break;
      }
      case 'd':
      case 'i':
      case 'D': {
        const FormatArg* arg = take();
        std::snprintf(buffer, sizeof buffer, (flags + "lld").c_str(), static_cast<long long>(arg ? arg->asSigned() : 0));
        appendUtf8(out, buffer);
        break;
      }
      case 'u':
      case 'U':
      case 'x':
      case 'X':
      case 'o':
      case 'O': {
        const FormatArg* arg = take();
        char c = conversion == 'U' ? 'u' : conversion == 'O' ? 'o' : conversion;
        std::snprintf(buffer, sizeof buffer, (flags + "ll" + c).c_str(),
                      static_cast<unsigned long long>(arg ? arg->asUnsigned() : 0));
        appendUtf8(out, buffer);
        break;
      }
      case 'c':
      case 'C': {
        const FormatArg* arg = take();
        char32_t cp = static_cast<char32_t>(arg ? arg->asUnsigned() : 0);
        if (cp < 0x10000) {
          out.push_back(static_cast<char16_t>(cp));
        } else {
          cp -= 0x10000;
          out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
          out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        }
        break;
      }
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G':
      case 'a':
      case 'A': {
        const FormatArg* arg = take();
        std::snprintf(buffer, sizeof buffer, (flags + conversion).c_str(), arg ? arg->asReal() : 0.0);
        appendUtf8(out, buffer);
        break;
      }
      case 'p': {
        const FormatArg* arg = take();
        std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(arg ? arg->asUnsigned() : 0));
        appendUtf8(out, buffer);
        break;
      }
      default:
        // Not a conversion we know: written as it stands, no argument read.
        appendUtf8(out, format.substr(specStart, i - specStart));
    }
    literalStart = i;
  }
  if (literalStart < format.size()) appendUtf8(out, format.substr(literalStart));
  return String(std::move(out));
}

}  // namespace qv
