#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "support/TestEnvironment.h"

using namespace qv;
using test::TempDir;

namespace {

// Sets environment variables for a scope, restoring them after.
class ScopedEnv {
 public:
  ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name);
      saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
      if (value) {
        ::setenv(name, value, 1);
      } else {
        ::unsetenv(name);
      }
    }
  }
  ~ScopedEnv() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
      } else {
        ::unsetenv(name.c_str());
      }
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

std::string utf16(const std::u16string& text, bool big) {
  std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t c : text) {
    char hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    out += big ? std::string{hi, lo} : std::string{lo, hi};
  }
  return out;
}

}  // namespace

TEST(Bundle, ReadsInfoPlistInBothForms) {
  TempDir dir;
  std::string xml = test::makeBundle(dir.path(), "X.app", test::infoPlistXML("org.example.X", "x"), "x", "/bin/true");
  auto dict = Dictionary::dictionary();
  dict.setObject(String("org.example.B").object(), String("CFBundleIdentifier"));
  dict.setObject(String("b").object(), String("CFBundleExecutable"));
  Data binary = plist::serialize(dict.object(), plist::Format::Binary);
  std::string bin = test::makeBundle(dir.path(), "B.app", std::string(reinterpret_cast<const char*>(binary.bytes()), binary.length()), "b", "/bin/true");

  auto x = Bundle::bundleWithPath(String::fromUTF8(xml));
  ASSERT_TRUE(x);
  EXPECT_EQ(x->bundleIdentifier().UTF8String(), "org.example.X");
  EXPECT_EQ(x->executablePath().UTF8String(), xml + "/Contents/MacOS/x");
  EXPECT_EQ(x->bundleURL().absoluteString().UTF8String(), "file://" + xml + "/");
  auto b = Bundle::bundleWithURL(URL::fileURLWithPath(String::fromUTF8(bin)));
  ASSERT_TRUE(b);
  EXPECT_EQ(b->bundleIdentifier().UTF8String(), "org.example.B");
}

TEST(Bundle, BadBundlesGiveAbsentValuesNotCrashes) {
  TempDir dir;
  std::string malformed = test::makeBundle(dir.path(), "M.app", "<plist><dict><key>CFBundleIdentifier</key>");
  std::string none = test::makeBundle(dir.path(), "N.app", "");
  std::string noExe = test::makeBundle(dir.path(), "E.app", test::infoPlistXML("org.example.E", "missing"));
  for (const auto& path : {malformed, none, noExe}) {
    auto bundle = Bundle::bundleWithPath(String::fromUTF8(path));
    ASSERT_TRUE(bundle) << path;
    EXPECT_TRUE(bundle->executablePath().isNil()) << path;
  }
  EXPECT_TRUE(Bundle::bundleWithPath(String::fromUTF8(malformed))->bundleIdentifier().isNil());
  EXPECT_FALSE(Bundle::bundleWithPath(String::fromUTF8(dir / "nothing.app")));
  EXPECT_FALSE(Bundle::bundleWithURL(URL::URLWithString("https://example.org/X.app/")));
  EXPECT_FALSE(Bundle::bundleWithURL(URL()));
}

TEST(Bundle, MainBundleOfAProgramOutsideAnyAppIsItsDirectory) {
  auto main = Bundle::mainBundle();
  String exe = main->executablePath();
  EXPECT_EQ(exe.lastPathComponent().UTF8String(), "qv_platform_tests");
  EXPECT_EQ(main->bundlePath(), exe.stringByDeletingLastPathComponent());
  EXPECT_TRUE(main->bundleIdentifier().isNil());
  EXPECT_TRUE(main->bundleURL().hasDirectoryPath());
}

TEST(Bundle, FindsTheAppThatHoldsAnExecutable) {
  struct Case {
    const char* exe;
    const char* bundle;
  } cases[] = {
      {"/A/Example.app/Contents/MacOS/Example", "/A/Example.app"},
      {"/A/Example.app/Contents/Library/LoginItems/H.app/Contents/MacOS/H", "/A/Example.app/Contents/Library/LoginItems/H.app"},
      {"/A/Example.app/Contents/MacOS/sub/Example", ""},
      {"/A/Example.APP/Contents/MacOS/Example", ""},
      {"/A/.app/Contents/MacOS/x", ""},
      {"/usr/bin/true", ""},
      {"/A/Example.app/Contents/MacOS/", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Bundle::bundlePathOfExecutable(c.exe), c.bundle) << c.exe;
}

TEST(Bundle, StringsTablesInEveryFormAndEncoding) {
  TempDir dir;
  std::string b = test::makeBundle(dir.path(), "S.app", test::infoPlistXML("org.example.S", ""));
  std::string res = b + "/Contents/Resources/";
  test::writeFile(res + "en.lproj/Localizable.strings",
                  "/* block\n comment */ \"plain\" = \"Plain\";\n// line comment\n\"esc\" = \"a\\n\\t\\\"q\\\"\\\\ \\U00e9 \\101\";\n"
                  "\"bare\";\nunquoted = word;\n\"empty\" = \"\";\n");
  test::writeFile(res + "fr.lproj/Localizable.strings", utf16(u"\"plain\" = \"Simple \u00e9\";", false));
  test::writeFile(res + "ja.lproj/Localizable.strings", utf16(u"\"plain\" = \"\u5e73\u6587\";", true));
  test::writeFile(res + "es.lproj/Localizable.strings",
                  "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>plain</key><string>Llano</string></dict></plist>");
  auto dict = Dictionary::dictionary();
  dict.setObject(String("Schlicht").object(), String("plain"));
  Data bin = plist::serialize(dict.object(), plist::Format::Binary);
  test::writeFile(res + "de.lproj/Localizable.strings", std::string(reinterpret_cast<const char*>(bin.bytes()), bin.length()));
  test::writeFile(res + "it.lproj/Localizable.strings", "\"plain\" = \"unterminated");
  std::u32string u32 = U"\"plain\" = \"\U0001F600\";";
  std::string utf32("\xFF\xFE\x00\x00", 4);
  for (char32_t c : u32) utf32 += std::string{char(c & 0xFF), char((c >> 8) & 0xFF), char((c >> 16) & 0xFF), char(c >> 24)};
  test::writeFile(res + "ko.lproj/Localizable.strings", utf32);

  auto bundle = Bundle::bundleWithPath(String::fromUTF8(b));
  auto lookup = [&](const char* lang, const char* key) {
    ScopedEnv env{{"LANGUAGE", nullptr}, {"LC_ALL", lang}, {"LC_MESSAGES", nullptr}, {"LANG", nullptr}};
    return bundle->localizedStringForKey(key, "", String()).UTF8String();
  };
  EXPECT_EQ(lookup("en_US.UTF-8", "plain"), "Plain");
  EXPECT_EQ(lookup("en_US.UTF-8", "esc"), "a\n\t\"q\"\\ \xC3\xA9 A");
  EXPECT_EQ(lookup("en_US.UTF-8", "bare"), "bare");
  EXPECT_EQ(lookup("en_US.UTF-8", "unquoted"), "word");
  EXPECT_EQ(lookup("en_US.UTF-8", "empty"), "");
  EXPECT_EQ(lookup("fr_FR.UTF-8", "plain"), "Simple \xC3\xA9");
  EXPECT_EQ(lookup("ja_JP.UTF-8", "plain"), "\xE5\xB9\xB3\xE6\x96\x87");
  EXPECT_EQ(lookup("es", "plain"), "Llano");
  EXPECT_EQ(lookup("de_CH.UTF-8", "plain"), "Schlicht") << "de_CH falls back to de";
  EXPECT_EQ(lookup("ko_KR", "plain"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(lookup("it_IT", "plain"), "Plain") << "a malformed table is skipped for the next in the chain";
  EXPECT_EQ(lookup("fr_FR", "esc"), "a\n\t\"q\"\\ \xC3\xA9 A") << "a key missing in French comes from the development region";
  EXPECT_EQ(lookup("en", "missing key"), "missing key");
  EXPECT_EQ(bundle->localizedStringForKey("missing key", "fallback", String()).UTF8String(), "fallback");
}

TEST(Bundle, LanguagePreferenceOrder) {
  {
    ScopedEnv env{{"LANGUAGE", "de_CH:fr"}, {"LC_ALL", nullptr}, {"LC_MESSAGES", "it_IT.UTF-8"}, {"LANG", "C"}};
    EXPECT_EQ(Bundle::preferredLanguages(), (std::vector<std::string>{"de_CH", "fr", "it_IT"}));
  }
  {
    ScopedEnv env{{"LANGUAGE", nullptr}, {"LC_ALL", nullptr}, {"LC_MESSAGES", nullptr}, {"LANG", "C.UTF-8"}};
    EXPECT_TRUE(Bundle::preferredLanguages().empty());
  }
}
