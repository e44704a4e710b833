// Application bundles: a Name.app directory with Contents/Info.plist,
// Contents/MacOS/<executable> and Contents/Resources/<language>.lproj/.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Object.h"
#include "platform/Service.h"
#include "platform/String.h"
#include "platform/StringsTable.h"
#include "platform/URL.h"
#include "platform/Values.h"

namespace qv {

class Bundle : public Object {
 public:
  // The running program's bundle: for a program at Name.app/Contents/MacOS/<exe>
  // that Name.app, for any other program its own directory.
  static Ref<Bundle> mainBundle();
  // Nil unless the URL is a file URL of an existing directory.
  static Ref<Bundle> bundleWithURL(const URL& url);
  static Ref<Bundle> bundleWithPath(const String& path);

  virtual URL bundleURL() const;
  virtual String bundlePath() const { return path_; }
  virtual String bundleIdentifier() const;
  virtual String executablePath() const;
  virtual String resourcePath() const;
  // Empty (never nil) when Info.plist is missing or malformed.
  virtual Dictionary infoDictionary() const;
  Id objectForInfoDictionaryKey(const String& key) const { return infoDictionary().objectForKey(key); }
  // The translation in the user's language; else `value` when it is
  // non-empty; else the key. A nil table means "Localizable".
  virtual String localizedStringForKey(const String& key, const String& value, const String& table) const;
  // Classes are known for the main bundle only: those the program registered.
  virtual Ref<Class> classNamed(const String& name) const;

  // The localizations searched, best first (for example de_CH, de, en, Base).
  std::vector<std::string> localizationSearchOrder() const;

  const char* className() const override { return "NSBundle"; }
  String description() const override;

  // Finds the Name.app that holds an executable at Name.app/Contents/MacOS/<exe>.
  static std::string_view bundlePathOfExecutable(std::string_view executable);
  // The user's languages from LANGUAGE, LC_ALL, LC_MESSAGES and LANG, best first.
  static std::vector<std::string> preferredLanguages();

 protected:
  Bundle(String path, bool isMain, String mainExecutable = {});

 private:
  const StringsTable* table(const std::string& localization, const std::string& name) const;
  std::string contentsPath() const;

  String path_;
  bool isMain_;
  bool isAppBundle_;
  String mainExecutable_;
  mutable std::once_flag infoOnce_;
  mutable Dictionary info_;
  mutable std::mutex tablesMutex_;
  mutable std::map<std::string, std::optional<StringsTable>> tables_;
};

// Replaces the main bundle for the lifetime of a scope.
class ScopedMainBundle {
 public:
  explicit ScopedMainBundle(Ref<Bundle> bundle);
  ~ScopedMainBundle();
  ScopedMainBundle(const ScopedMainBundle&) = delete;
  ScopedMainBundle& operator=(const ScopedMainBundle&) = delete;

 private:
  Ref<Bundle> bundle_;
  Bundle* previous_;
};

}  // namespace qv
