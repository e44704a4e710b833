// Property lists straight into the parser and as a bundle's Info.plist.
// Beyond "never crash": the bundle must see what the parser sees, and a
// binary round trip must give back an equal object.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_common.h"
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
  qv::Id direct = qv::plist::parse(data, size);
  // NaN reals are unequal to themselves; equality checks only make sense without them.
  bool comparable = direct && qv::isEqualObjects(direct, direct);

  if (comparable) {
    qv::Data binary = qv::plist::serialize(direct, qv::plist::Format::Binary);
    if (!binary) fail("a parsed property list does not serialize");
    qv::Id again = qv::plist::parse(binary);
    if (!qv::isEqualObjects(direct, again)) fail("binary round trip changed the object");
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
