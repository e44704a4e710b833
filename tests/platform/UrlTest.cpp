#include <gtest/gtest.h>

#include "platform/URL.h"
#include "support/TestEnvironment.h"

using namespace qv;

TEST(Url, DeletingComponentsKeepsTheTrailingSlashAndClimbsPastTheRoot) {
  URL u = URL::URLWithString("file:///Applications/Example.app/Contents/Library/LoginItems/Helper.app/");
  const char* expected[] = {"file:///Applications/Example.app/Contents/Library/LoginItems/",
                            "file:///Applications/Example.app/Contents/Library/", "file:///Applications/Example.app/Contents/",
                            "file:///Applications/Example.app/", "file:///Applications/", "file:///", "file:///../",
                            "file:///../../"};
  for (const char* e : expected) {
    u = u.URLByDeletingLastPathComponent();
    EXPECT_EQ(u.absoluteString().UTF8String(), e);
  }
  EXPECT_EQ(URL::URLWithString("file:///a/b").URLByDeletingLastPathComponent().absoluteString().UTF8String(), "file:///a/");
}

struct UrlCase {
  const char* text;
  const char* path;
  const char* last;
  const char* extension;
  bool isFile;
};

TEST(Url, Components) {
  const UrlCase cases[] = {
      {"file:///Applications/Example%20Helper.app/", "/Applications/Example Helper.app", "Example Helper.app", "app", true},
      {"file:///tmp", "/tmp", "tmp", "", true},
      {"FILE:///tmp/x.APP", "/tmp/x.APP", "x.APP", "APP", true},
      {"https://qv.example.org/support/?page=support", "/support", "support", "", false},
      {"file:///", "/", "/", "", true},
  };
  for (const auto& c : cases) {
    URL u = URL::URLWithString(c.text);
    ASSERT_TRUE(u) << c.text;
    EXPECT_EQ(u.path().UTF8String(), c.path) << c.text;
    EXPECT_EQ(u.lastPathComponent().UTF8String(), c.last) << c.text;
    EXPECT_EQ(u.pathExtension().UTF8String(), c.extension) << c.text;
    EXPECT_EQ(u.isFileURL(), c.isFile) << c.text;
    EXPECT_EQ(u.description().UTF8String(), c.text);
  }
  EXPECT_EQ(URL::URLWithString("https://user@qv.example.org:8443/x").host().UTF8String(), "qv.example.org");
}

TEST(Url, InvalidTextGivesNil) {
  for (const char* bad : {"", "has space", "a%2", "a%zz", "x\"y", "a#b#c", "caf\xC3\xA9"}) {
    EXPECT_TRUE(URL::URLWithString(bad).isNil()) << bad;
  }
  EXPECT_TRUE(URL::URLWithString(String()).isNil());
  EXPECT_TRUE(URL::fileURLWithPath(String()).isNil());
}

TEST(Url, EqualityIsOfTheWholeString) {
  EXPECT_FALSE(URL::URLWithString("file:///tmp") == URL::URLWithString("file:///tmp/"));
  EXPECT_TRUE(URL::URLWithString("file:///tmp/") == URL::fileURLWithPath("/tmp", true));
  EXPECT_FALSE(URL::URLWithString("file:///A.app/") == URL::URLWithString("file:///a.app/"));
}

TEST(Url, FileURLsFromPathsAndAppending) {
  test::TempDir dir;
  test::makeDirectories(dir / "Dir One");
  // An existing directory gets its trailing slash, as does a path ending in "/".
  EXPECT_EQ(URL::fileURLWithPath(String::fromUTF8(dir / "Dir One")).absoluteString().UTF8String(),
            "file://" + dir.path() + "/Dir%20One/");
  EXPECT_EQ(URL::fileURLWithPath("/no/such/dir/").absoluteString().UTF8String(), "file:///no/such/dir/");
  EXPECT_EQ(URL::fileURLWithPath("/no/such/file").absoluteString().UTF8String(), "file:///no/such/file");
  EXPECT_EQ(URL::fileURLWithPath("/tmp/100%?#").absoluteString().UTF8String(), "file:///tmp/100%25%3F%23");

  URL base = URL::fileURLWithPath(String::fromUTF8(dir.path()), true);
  EXPECT_EQ(base.URLByAppendingPathComponent("Dir One").absoluteString().UTF8String(), "file://" + dir.path() + "/Dir%20One/");
  EXPECT_EQ(base.URLByAppendingPathComponent("a/b c").absoluteString().UTF8String(), "file://" + dir.path() + "/a/b%20c");
  EXPECT_EQ(URL::URLWithString("https://h/x?q=1").URLByAppendingPathComponent("y").absoluteString().UTF8String(),
            "https://h/x/y?q=1");
  EXPECT_EQ(URL::fileURLWithPath("/tmp/caf\xC3\xA9", false).absoluteString().UTF8String(), "file:///tmp/caf%C3%A9");
  EXPECT_EQ(URL::fileURLWithPath("/tmp/caf\xC3\xA9", false).path().UTF8String(), "/tmp/caf\xC3\xA9");
}
