#include "platform/URL.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <climits>

namespace qv {

namespace {

bool isUnreserved(unsigned char c) { return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelim(unsigned char c) { return std::string_view("!$&'()*+,;=").find(static_cast<char>(c)) != std::string_view::npos; }
bool isPathChar(unsigned char c) { return isUnreserved(c) || isSubDelim(c) || c == ':' || c == '@' || c == '/'; }
bool isHex(unsigned char c) { return std::isxdigit(c) != 0; }

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return (std::tolower(c) - 'a') + 10;
}

bool isDirectoryOnDisk(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string currentDirectory() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string("/");
}

// Relative paths are taken from the current directory.
std::string absolutePath(std::string p) {
  if (!p.empty() && p[0] == '/') return p;
  std::string cwd = currentDirectory();
  return p.empty() ? cwd : (cwd == "/" ? "/" + p : cwd + "/" + p);
}

}  // namespace

namespace url {

std::string encodePath(std::string_view utf8) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size() + 8);
  for (unsigned char c : utf8) {
    if (isPathChar(c)) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(digits[c >> 4]);
      out.push_back(digits[c & 15]);
    }
  }
  return out;
}

bool decodePercent(std::string_view in, std::string& out) {
  out.clear();
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    auto c = static_cast<unsigned char>(in[i]);
    if (c == '%' && i + 2 < in.size() && isHex(static_cast<unsigned char>(in[i + 1])) && isHex(static_cast<unsigned char>(in[i + 2]))) {
      out.push_back(static_cast<char>(hexValue(static_cast<unsigned char>(in[i + 1])) * 16 +
                                      hexValue(static_cast<unsigned char>(in[i + 2]))));
      i += 2;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  std::u16string check;
  return unicode::utf8ToUtf16(out, check);
}

}  // namespace url

URLObject::URLObject(std::string absolute) : absolute_(std::move(absolute)) {
  const std::string& s = absolute_;
  std::size_t i = 0;
  if (!s.empty() && std::isalpha(static_cast<unsigned char>(s[0]))) {
    std::size_t j = 1;
    while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '+' || s[j] == '-' || s[j] == '.')) ++j;
    if (j < s.size() && s[j] == ':') {
      schemeEnd = j;
      i = j + 1;
    }
  }
  if (s.compare(i, 2, "//") == 0) {
    i += 2;
    while (i < s.size() && s[i] != '/' && s[i] != '?' && s[i] != '#') ++i;
  }
  pathStart = i;
  while (i < s.size() && s[i] != '?' && s[i] != '#') ++i;
  pathEnd = i;
}

bool URLObject::isEqual(const Object& other) const {
  const auto* u = dynamic_cast<const URLObject*>(&other);
  return u && u->absolute_ == absolute_;
}

URL URL::make(std::string absolute) { return URL(std::make_shared<const URLObject>(std::move(absolute))); }

URL URL::fileURLWithPath(const String& path) {
  if (path.isNil()) return {};
  std::string p = absolutePath(path.UTF8String());
  return fileURLWithPath(String::fromUTF8(p), p.back() == '/' || isDirectoryOnDisk(p));
}

URL URL::fileURLWithPath(const String& path, bool isDirectory) {
  if (path.isNil()) return {};
  std::string p = absolutePath(path.UTF8String());
  if (isDirectory && p.back() != '/') p.push_back('/');
  return make("file://" + url::encodePath(p));
}

URL URL::URLWithString(const String& text) {
  if (text.isNil() || text.length() == 0) return {};
  std::string s = text.UTF8String();
  int hashes = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c <= 0x20 || c >= 0x7F || std::string_view("<>\"{}|\\^`").find(static_cast<char>(c)) != std::string_view::npos) {
      return {};
    }
    if (c == '%' && !(i + 2 < s.size() && isHex(static_cast<unsigned char>(s[i + 1])) &&
                      isHex(static_cast<unsigned char>(s[i + 2])))) {
      return {};
    }
    if (c == '#' && ++hashes > 1) return {};
  }
  return make(std::move(s));
}

URL URL::fromObject(const Id& object) {
  auto u = std::dynamic_pointer_cast<const URLObject>(object);
  return u ? URL(std::move(u)) : URL();
}

String URL::absoluteString() const { return obj_ ? String::fromUTF8(obj_->absolute()) : String(); }

String URL::scheme() const {
  if (!obj_ || obj_->schemeEnd == 0) return {};
  return String::fromUTF8(obj_->absolute().substr(0, obj_->schemeEnd));
}

String URL::host() const {
  if (!obj_) return {};
  const std::string& s = obj_->absolute();
  std::size_t start = obj_->schemeEnd ? obj_->schemeEnd + 1 : 0;
  if (s.compare(start, 2, "//") != 0) return {};
  std::string authority = s.substr(start + 2, obj_->pathStart - start - 2);
  auto at = authority.rfind('@');
  if (at != std::string::npos) authority = authority.substr(at + 1);
  auto colon = authority.rfind(':');
  if (colon != std::string::npos && authority.find(']') == std::string::npos) authority = authority.substr(0, colon);
  std::string decoded;
  return url::decodePercent(authority, decoded) ? String::fromUTF8(decoded) : String();
}

String URL::path() const {
  if (!obj_) return {};
  std::string decoded;
  if (!url::decodePercent(std::string_view(obj_->absolute()).substr(obj_->pathStart, obj_->pathEnd - obj_->pathStart), decoded)) {
    return {};
  }
  while (decoded.size() > 1 && decoded.back() == '/') decoded.pop_back();
  return String::fromUTF8(decoded);
}

bool URL::isFileURL() const {
  if (!obj_ || obj_->schemeEnd != 4) return false;
  std::string scheme = obj_->absolute().substr(0, 4);
  for (auto& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return scheme == "file";
}

bool URL::hasDirectoryPath() const {
  return obj_ && obj_->pathEnd > obj_->pathStart && obj_->absolute()[obj_->pathEnd - 1] == '/';
}

URL URL::URLByDeletingLastPathComponent() const {
  if (!obj_) return {};
  const std::string& s = obj_->absolute();
  std::string head = s.substr(0, obj_->pathStart);
  std::string p = s.substr(obj_->pathStart, obj_->pathEnd - obj_->pathStart);
  // Past the root the platform climbs with "..": "/" → "/../" → "/../../".
  bool onlyParents = !p.empty();
  {
    std::string_view rest(p);
    if (!rest.empty() && rest[0] == '/') rest.remove_prefix(1);
    while (!rest.empty()) {
      if (rest.substr(0, 3) == "../") {
        rest.remove_prefix(3);
      } else if (rest == "..") {
        rest = {};
      } else {
        onlyParents = false;
        break;
      }
    }
  }
  if (onlyParents || p.empty()) {
    if (p.empty()) p = head.find("//") != std::string::npos ? "/" : "";
    if (!p.empty() && p.back() != '/') p.push_back('/');
    p += "../";
    return make(head + p);
  }
  std::string trimmed = p;
  if (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  auto slash = trimmed.rfind('/');
  std::string parent = slash == std::string::npos ? std::string("./") : trimmed.substr(0, slash + 1);
  return make(head + parent);
}

URL URL::URLByAppendingPathComponent(const String& component) const { return appending(component, -1); }

URL URL::URLByAppendingPathComponent(const String& component, bool isDirectory) const {
  return appending(component, isDirectory ? 1 : 0);
}

URL URL::appending(const String& component, int directory) const {
  if (!obj_ || component.isNil()) return {};
  const std::string& s = obj_->absolute();
  std::string head = s.substr(0, obj_->pathStart);
  std::string p = s.substr(obj_->pathStart, obj_->pathEnd - obj_->pathStart);
  std::string tail = s.substr(obj_->pathEnd);
  std::string encoded = url::encodePath(component.UTF8String());
  if (encoded.empty()) return *this;
  if (p.empty() || p.back() != '/') p.push_back('/');
  p += encoded;
  if (directory == -1 && isFileURL() && p.back() != '/') {
    std::string decoded;
    if (url::decodePercent(p, decoded) && isDirectoryOnDisk(decoded)) directory = 1;
  }
  if (directory == 1 && p.back() != '/') p.push_back('/');
  return make(head + p + tail);
}

}  // namespace qv
