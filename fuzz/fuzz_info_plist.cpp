// Property lists straight into the parser and as a bundle's Info.plist.
// Beyond "never crash": the bundle must see what the parser sees, and a
// binary round trip must give back an equal object (dates to the microsecond).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_common.h"
#include "fuzz/known_libplist.h"
#include "platform/Bundle.h"
#include "platform/PropertyList.h"
#include "platform/Values.h"

namespace {

std::string bundlePath;
std::string infoPath;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz_info_plist: %s\n", what);
  std::abort();
}

// libplist 2.2 keeps dates as 32-bit seconds and mangles any date outside
// them while reading, so no round trip can be asked of such an object.
bool datesFitLibplist(const qv::Id& object) {
  if (auto date = qv::Date::fromObject(object)) return std::fabs(date.timeIntervalSinceReferenceDate()) < 2147483647.0;
  if (auto array = qv::Array::fromObject(object)) {
    for (const auto& item : array.items()) {
      if (!datesFitLibplist(item)) return false;
    }
  }
  if (auto dict = qv::Dictionary::fromObject(object)) {
    for (const auto& [key, value] : dict.entries()) {
      if (!datesFitLibplist(value)) return false;
    }
  }
  return true;
}

// libplist 2.2 truncates dates to whole microseconds on its own binary round
// trip, so a date may come back a microsecond early (not two: ours must round).
bool sameUpToMicroseconds(const qv::Id& a, const qv::Id& b) {
  if (auto da = qv::Date::fromObject(a)) {
    auto db = qv::Date::fromObject(b);
    return db && std::fabs(da.timeIntervalSinceReferenceDate() - db.timeIntervalSinceReferenceDate()) <= 1.5e-6;
  }
  if (auto aa = qv::Array::fromObject(a)) {
    auto ab = qv::Array::fromObject(b);
    if (!ab || aa.items().size() != ab.items().size()) return false;
    for (std::size_t i = 0; i < aa.items().size(); ++i) {
      if (!sameUpToMicroseconds(aa.items()[i], ab.items()[i])) return false;
    }
    return true;
  }
  if (auto ma = qv::Dictionary::fromObject(a)) {
    auto mb = qv::Dictionary::fromObject(b);
    if (!mb || ma.count() != mb.count()) return false;
    for (const auto& [key, value] : ma.entries()) {
      if (!sameUpToMicroseconds(value, mb.objectForKey(key))) return false;
    }
    return true;
  }
  return qv::isEqualObjects(a, b);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  bundlePath = qvfuzz::makeScratchBundle();
  infoPath = bundlePath + "/Contents/Info.plist";
  // An executable the input may name, so that executablePath has something to find.
  qvfuzz::writeFile(bundlePath + "/Contents/MacOS/Fuzz", "#!/bin/sh\n", 10);
  ::setenv("LANGUAGE", "en", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (qvfuzz::skipKnownLibplistAbort(data, size)) return -1;  // kept out of the corpus
  qv::Id direct = qv::plist::parse(data, size);
  // NaN reals are unequal to themselves; equality checks only make sense without them.
  bool comparable = direct && qv::isEqualObjects(direct, direct);

  if (comparable && datesFitLibplist(direct)) {
    qv::Data binary = qv::plist::serialize(direct, qv::plist::Format::Binary);
    if (!binary) fail("a parsed property list does not serialize");
    qv::Id again = qv::plist::parse(binary);
    if (!sameUpToMicroseconds(direct, again)) fail("binary round trip changed the object");
  }

  qvfuzz::writeFile(infoPath, data, size);
  // Info.plist is read once per bundle object, so each input needs a new one.
  qv::Ref<qv::Bundle> bundle = qv::Bundle::bundleWithPath(qv::String::fromUTF8(bundlePath));
  if (!bundle) fail("scratch bundle not found");
  qv::Dictionary info = bundle->infoDictionary();
  if (!info) fail("infoDictionary is nil");
  qv::Dictionary expected = qv::Dictionary::fromObject(direct);
  if (comparable && expected && !(info == expected)) fail("infoDictionary differs from the parsed file");
  if (!expected && info.count() != 0) fail("infoDictionary of a non-dictionary is not empty");

  qv::String identifier = bundle->bundleIdentifier();
  qv::String rawIdentifier = qv::String::fromObject(info.objectForKey("CFBundleIdentifier"));
  if (identifier && !(identifier == rawIdentifier)) fail("bundleIdentifier differs from Info.plist");

  qv::String executable = bundle->executablePath();
  if (executable && !executable.hasPrefix(qv::String::fromUTF8(bundlePath + "/Contents/MacOS/")))
    fail("executablePath outside Contents/MacOS");

  // No strings table is there, so the key itself comes back.
  qv::String name = bundle->localizedStringForKey("CFBundleName", "", qv::String());
  if (!(name == qv::String("CFBundleName"))) fail("localizedStringForKey invented a translation");
  return 0;
}
