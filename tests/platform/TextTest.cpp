#include <gtest/gtest.h>

#include "platform/Error.h"
#include "platform/Format.h"
#include "platform/String.h"
#include "platform/URL.h"

using namespace qv;

TEST(Text, NilDiffersFromEmptyAndEqualityIsByContent) {
  String nil, empty(""), a("abc"), b = String::fromUTF8("abc");
  EXPECT_TRUE(nil.isNil());
  EXPECT_FALSE(empty.isNil());
  EXPECT_FALSE(nil == empty);
  EXPECT_TRUE(nil == String());
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a.isSameObject(b));
  String copy = a;
  EXPECT_TRUE(copy.isSameObject(a));
}

TEST(Text, Utf8InAndOutCountsUtf16Units) {
  String s("a\xC3\xA9\xF0\x9F\x98\x80");  // a, é, 😀
  EXPECT_EQ(s.length(), 4u);
  EXPECT_EQ(s.characterAtIndex(2), 0xD83D);
  EXPECT_EQ(s.UTF8String(), "a\xC3\xA9\xF0\x9F\x98\x80");
  for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"}) {
    EXPECT_TRUE(String::fromUTF8(bad).isNil()) << "accepted invalid UTF-8";
  }
}

struct PathCase {
  const char* path;
  const char* last;
  const char* extension;
  const char* withoutExtension;
  const char* parent;
};

TEST(Text, PathOperations) {
  const PathCase cases[] = {
      {"/tmp/scratch.tiff", "scratch.tiff", "tiff", "/tmp/scratch", "/tmp"},
      {"/tmp/scratch/", "scratch", "", "/tmp/scratch", "/tmp"},
      {"/Applications/Example Helper.app/", "Example Helper.app", "app", "/Applications/Example Helper", "/Applications"},
      {"/", "/", "", "/", "/"},
      {"scratch", "scratch", "", "scratch", ""},
      {"/tmp/.bashrc", ".bashrc", "", "/tmp/.bashrc", "/tmp"},
      {"/a.b/c", "c", "", "/a.b/c", "/a.b"},
      {"//tmp///x.tar.gz", "x.tar.gz", "gz", "/tmp/x.tar", "/tmp"},
      {"", "", "", "", ""},
  };
  for (const auto& c : cases) {
    String p(c.path);
    EXPECT_EQ(p.lastPathComponent().UTF8String(), c.last) << c.path;
    EXPECT_EQ(p.pathExtension().UTF8String(), c.extension) << c.path;
    EXPECT_EQ(p.stringByDeletingPathExtension().UTF8String(), c.withoutExtension) << c.path;
    EXPECT_EQ(p.stringByDeletingLastPathComponent().UTF8String(), c.parent) << c.path;
  }
  EXPECT_EQ(String("/tmp/").stringByAppendingPathComponent("/scratch/").UTF8String(), "/tmp/scratch");
  EXPECT_EQ(String("").stringByAppendingPathComponent("a").UTF8String(), "a");
  EXPECT_EQ(String("/").stringByAppendingPathComponent("a").UTF8String(), "/a");
  EXPECT_TRUE(String().stringByAppendingPathComponent("a").isNil());
}

TEST(Format, SpecifiersAndNil) {
  EXPECT_EQ(format("[%s %d] %@ %@", "sel:", 12, String("recv"), String()).UTF8String(), "[sel: 12] recv (null)");
  EXPECT_EQ(format("%d %d %u %ld %%", true, -3, 7u, 1234567890123L).UTF8String(), "1 -3 7 1234567890123 %");
  EXPECT_EQ(format("%@ and %@", nullptr).UTF8String(), "(null) and (null)");
  EXPECT_EQ(format("%5.2f|%x|%q", 3.14159, 255).UTF8String(), " 3.14|ff|%q");
  // A described text that holds format marks is written as it stands.
  EXPECT_EQ(format("%@", String("100% %@ %d")).UTF8String(), "100% %@ %d");
  EXPECT_EQ(format("%@", URL::fileURLWithPath("/tmp/a b", false)).UTF8String(), "file:///tmp/a%20b");
}

TEST(Error, DescriptionHasDomainCodeMessageAndUserInfo) {
  auto info = Dictionary::dictionary();
  info.setObject(String("/x").object(), String("NSFilePath"));
  EXPECT_EQ(Error::make("D", 4, "gone", info).description().UTF8String(), "Error Domain=D Code=4 \"gone\" UserInfo={NSFilePath=/x}");
  EXPECT_EQ(Error::make("D", -43, "msg").description().UTF8String(), "Error Domain=D Code=-43 \"msg\"");
  EXPECT_EQ(Exception("NSInvalidArgumentException", "bad thing").description().UTF8String(), "bad thing");
}
