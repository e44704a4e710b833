#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/Bundle.h"
#include "platform/Format.h"
#include "platform/PropertyList.h"

namespace qv {

namespace {

constexpr std::size_t kMaxBundleFile = 64 * 1024 * 1024;

bool readFile(const std::string& path, std::vector<std::uint8_t>& out) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > kMaxBundleFile) {
    ::close(fd);
    return false;
  }
  out.clear();
  out.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < out.size()) {
    ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  out.resize(done);
  return true;
}

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string selfExecutable() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  std::string exe(buffer, static_cast<std::size_t>(n));
  constexpr std::string_view deleted = " (deleted)";
  if (exe.size() > deleted.size() && exe.compare(exe.size() - deleted.size(), deleted.size(), deleted) == 0) {
    exe.resize(exe.size() - deleted.size());
  }
  return exe;
}

// "de_CH.UTF-8@euro" → "de_CH"; nothing for the C locale.
std::string normalizeLanguage(std::string_view value) {
  auto cut = value.find_first_of(".@");
  std::string lang(value.substr(0, cut));
  if (lang == "C" || lang == "POSIX") return {};
  for (auto& c : lang) {
    if (c == '-') c = '_';
  }
  return lang;
}

}  // namespace

Bundle::Bundle(String path, bool isMain, String mainExecutable)
    : path_(std::move(path)), isMain_(isMain), mainExecutable_(std::move(mainExecutable)) {
  std::string p = path_.UTF8String();
  isAppBundle_ = isDirectory(p + "/Contents");
}

std::string_view Bundle::bundlePathOfExecutable(std::string_view exe) {
  auto slash = exe.rfind('/');
  if (slash == std::string_view::npos || slash + 1 == exe.size()) return {};
  std::string_view dir = exe.substr(0, slash);
  constexpr std::string_view tail = "/Contents/MacOS";
  if (dir.size() <= tail.size() || dir.substr(dir.size() - tail.size()) != tail) return {};
  std::string_view bundle = dir.substr(0, dir.size() - tail.size());
  auto nameStart = bundle.rfind('/');
  std::string_view name = nameStart == std::string_view::npos ? bundle : bundle.substr(nameStart + 1);
  if (name.size() <= 4 || name.substr(name.size() - 4) != ".app") return {};
  return bundle;
}

Ref<Bundle> Bundle::mainBundle() {
  if (Bundle* b = serviceOverrideSlot<Bundle>().load(std::memory_order_acquire)) {
    return std::static_pointer_cast<Bundle>(b->shared_from_this());
  }
  static const Ref<Bundle> main = [] {
    std::string exe = selfExecutable();
    std::string_view bundle = bundlePathOfExecutable(exe);
    std::string path = !bundle.empty() ? std::string(bundle) : String::fromUTF8(exe).stringByDeletingLastPathComponent().UTF8String();
    return Ref<Bundle>(new Bundle(String::fromUTF8(path), true, String::fromUTF8(exe)));
  }();
  return main;
}

Ref<Bundle> Bundle::bundleWithURL(const URL& url) {
  if (!url.isFileURL()) return nullptr;
  return bundleWithPath(url.path());
}

Ref<Bundle> Bundle::bundleWithPath(const String& path) {
  if (path.isNil() || path.length() == 0) return nullptr;
  std::string p = path.UTF8String();
  if (p[0] != '/' || !isDirectory(p)) return nullptr;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return Ref<Bundle>(new Bundle(String::fromUTF8(p), false));
}

std::string Bundle::contentsPath() const {
  std::string p = path_.UTF8String();
  return isAppBundle_ ? p + "/Contents" : p;
}

URL Bundle::bundleURL() const { return URL::fileURLWithPath(path_, true); }

Dictionary Bundle::infoDictionary() const {
  std::call_once(infoOnce_, [this] {
    std::vector<std::uint8_t> bytes;
    Dictionary dict;
    if (readFile(contentsPath() + "/Info.plist", bytes)) dict = Dictionary::fromObject(plist::parse(bytes.data(), bytes.size()));
    info_ = dict ? dict : Dictionary::dictionary();
  });
  return info_;
}

String Bundle::bundleIdentifier() const {
  String id = String::fromObject(objectForInfoDictionaryKey("CFBundleIdentifier"));
  return id.length() ? id : String();
}

String Bundle::executablePath() const {
  // The main bundle's executable is the program that is running.
  if (isMain_ && !mainExecutable_.isNil()) return mainExecutable_;
  String name = String::fromObject(objectForInfoDictionaryKey("CFBundleExecutable"));
  if (name.length() == 0 || name.UTF8String().find('/') != std::string::npos) return {};
  std::string exe = contentsPath() + (isAppBundle_ ? "/MacOS/" : "/") + name.UTF8String();
  return isFile(exe) ? String::fromUTF8(exe) : String();
}

String Bundle::resourcePath() const {
  return String::fromUTF8(isAppBundle_ ? contentsPath() + "/Resources" : contentsPath());
}

std::vector<std::string> Bundle::preferredLanguages() {
  std::vector<std::string> languages;
  auto add = [&](std::string lang) {
    if (!lang.empty() && std::find(languages.begin(), languages.end(), lang) == languages.end()) languages.push_back(std::move(lang));
  };
  if (const char* list = std::getenv("LANGUAGE"); list && *list) {
    std::string_view rest(list);
    while (!rest.empty()) {
      auto colon = rest.find(':');
      add(normalizeLanguage(rest.substr(0, colon)));
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (const char* value = std::getenv(name); value && *value) {
      add(normalizeLanguage(value));
      break;
    }
  }
  return languages;
}

std::vector<std::string> Bundle::localizationSearchOrder() const {
  std::vector<std::string> order;
  auto add = [&](const std::string& l) {
    if (!l.empty() && std::find(order.begin(), order.end(), l) == order.end()) order.push_back(l);
  };
  for (const auto& lang : preferredLanguages()) {
    add(lang);
    auto underscore = lang.find('_');
    if (underscore != std::string::npos) {
      std::string dashed = lang;
      dashed[underscore] = '-';
      add(dashed);
      add(lang.substr(0, underscore));
    }
  }
  String region = String::fromObject(objectForInfoDictionaryKey("CFBundleDevelopmentRegion"));
  add(region.length() ? normalizeLanguage(region.UTF8String()) : std::string("en"));
  add("Base");
  add("en");
  return order;
}

const StringsTable* Bundle::table(const std::string& localization, const std::string& name) const {
  std::string dir = resourcePath().UTF8String();
  std::string path = localization.empty() ? dir + "/" + name + ".strings" : dir + "/" + localization + ".lproj/" + name + ".strings";
  std::lock_guard lock(tablesMutex_);
  auto it = tables_.find(path);
  if (it == tables_.end()) {
    std::vector<std::uint8_t> bytes;
    std::optional<StringsTable> parsed;
    if (readFile(path, bytes)) parsed = parseStringsTable(bytes.data(), bytes.size());
    it = tables_.emplace(path, std::move(parsed)).first;
  }
  return it->second ? &*it->second : nullptr;
}

String Bundle::localizedStringForKey(const String& key, const String& value, const String& tableName) const {
  if (key.isNil()) return value.length() ? value : String("");
  std::string name = tableName.length() ? tableName.UTF8String() : std::string("Localizable");
  if (name.find('/') == std::string::npos) {
    std::u16string k(key.units());
    auto order = localizationSearchOrder();
    order.emplace_back();  // a table outside any .lproj comes last
    for (const auto& localization : order) {
      if (const StringsTable* t = table(localization, name)) {
        auto it = t->find(k);
        if (it != t->end()) return String(it->second);
      }
    }
  }
  return value.length() ? value : key;
}

Ref<Class> Bundle::classNamed(const String& name) const {
  if (!isMain_ || name.length() == 0) return nullptr;
  return qv::classNamed(name.UTF8String());
}

String Bundle::description() const {
  return format("NSBundle <%@>%s", path_, isMain_ ? " (loaded)" : " (not yet loaded)");
}

ScopedMainBundle::ScopedMainBundle(Ref<Bundle> bundle)
    : bundle_(std::move(bundle)), previous_(serviceOverrideSlot<Bundle>().exchange(bundle_.get())) {}

ScopedMainBundle::~ScopedMainBundle() { serviceOverrideSlot<Bundle>().store(previous_); }

}  // namespace qv
