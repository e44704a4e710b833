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
