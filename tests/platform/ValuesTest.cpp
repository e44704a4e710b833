#include <gtest/gtest.h>

#include "platform/PropertyList.h"
#include "platform/Values.h"

using namespace qv;

TEST(Values, EqualityAndDescriptions) {
  EXPECT_TRUE(Number::numberWithInt(2) == Number::numberWithDouble(2.0));
  EXPECT_FALSE(Number::numberWithLongLong(-1) == Number::numberWithUnsignedLongLong(~0ULL));
  EXPECT_EQ(Number::numberWithDouble(0.1).description().UTF8String(), "0.1");
  EXPECT_EQ(Data::withBytes("jJWY", 4).description().UTF8String(), "{length = 4, bytes = 0x6a4a5759}");
  auto dict = Dictionary::dictionary();
  dict.setObject(String("v").object(), String("k"));
  dict.setObject(String("w").object(), String("k"));
  EXPECT_EQ(dict.count(), 1u);
  EXPECT_EQ(dict.stringForKey("k").UTF8String(), "w");
  dict.setObject(nullptr, String("k"));
  EXPECT_EQ(dict.count(), 0u);
  EXPECT_EQ(Array::withStrings({"a", "b c"}).description().UTF8String(), "(\n    a,\n    \"b c\"\n)");
}

TEST(PropertyList, RoundTripsInBothForms) {
  auto root = Dictionary::dictionary();
  root.setObject(String("org.example.X").object(), String("CFBundleIdentifier"));
  root.setObject(Number::numberWithBool(true).object(), String("flag"));
  root.setObject(Number::numberWithLongLong(-42).object(), String("int"));
  root.setObject(Number::numberWithDouble(2.5).object(), String("real"));
  root.setObject(Data::withBytes("\x00\x01", 2).object(), String("data"));
  root.setObject(Array::withStrings({"\xC3\xA9t\xC3\xA9", ""}).object(), String("list"));
  root.setObject(Date::withTimeIntervalSinceReferenceDate(1000).object(), String("date"));
  for (auto form : {plist::Format::XML, plist::Format::Binary}) {
    Data bytes = plist::serialize(root.object(), form);
    ASSERT_TRUE(bytes);
    Dictionary back = Dictionary::fromObject(plist::parse(bytes));
    ASSERT_TRUE(back);
    EXPECT_TRUE(back == root) << back.description().UTF8String();
    EXPECT_TRUE(Number::fromObject(back.objectForKey(String("flag"))).isBool());
  }
}

TEST(PropertyList, MalformedInputGivesNil) {
  const std::string inputs[] = {"", "<plist><dict><key>a</key></plist>", "bplist00\xff\xff", "not a plist at all",
                                std::string("bplist00") + std::string(40, '\0')};
  for (const auto& in : inputs) EXPECT_FALSE(plist::parse(in.data(), in.size())) << in;
}

TEST(PropertyList, ANulInsideAStringOrKeyIsRefusedNotACrash) {
  auto dict = Dictionary::dictionary();
  dict.setObject(String("aXb").object(), String("kYy"));
  Data good = plist::serialize(dict.object(), plist::Format::Binary);
  ASSERT_TRUE(good);
  for (char marker : {'X', 'Y'}) {
    std::string bytes(reinterpret_cast<const char*>(good.bytes()), good.length());
    bytes[bytes.find(marker)] = '\0';
    EXPECT_FALSE(plist::parse(bytes.data(), bytes.size())) << marker;
  }
  const std::string xml[] = {"<plist><dict><key>k</key><string>a&#0;b</string></dict></plist>",
                             "<plist><dict><key>k&#x000;</key><string>b</string></dict></plist>",
                             std::string("<plist><dict><key>k</key><string>a\0b</string></dict></plist>", 59)};
  for (const auto& in : xml) EXPECT_FALSE(plist::parse(in.data(), in.size())) << in;
  std::string ok = "<plist><dict><key>k</key><string>a&#10;b&amp;</string></dict></plist>";
  EXPECT_EQ(Dictionary::fromObject(plist::parse(ok.data(), ok.size())).stringForKey("k").UTF8String(), "a\nb&");

  auto withNul = Dictionary::dictionary();
  withNul.setObject(String::fromUTF16(std::u16string(u"a\0b", 3)).object(), String("k"));
  EXPECT_FALSE(plist::serialize(withNul.object(), plist::Format::XML)) << "a NUL would be cut off silently";
}

TEST(PropertyList, DatesKeepTheirMicroseconds) {
  // A fraction that a cut-off on writing loses a microsecond of; libplist's
  // reader may lose up to one more, which is its own limit.
  double t = 2142189696.755859 - Date::kUnixToReference;
  Data bytes = plist::serialize(Array::withObjects({Date::withTimeIntervalSinceReferenceDate(t).object()}).object(), plist::Format::Binary);
  Date back = Date::fromObject(Array::fromObject(plist::parse(bytes)).objectAtIndex(0));
  EXPECT_NEAR(back.timeIntervalSinceReferenceDate(), t, 1.05e-6);
}
