// Strings files through the parser and through a bundle's Localizable.strings.
// Beyond "never crash": the bundle must return the parsed translations, and
// writing a parsed table back as text must parse to the same table.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_common.h"
#include "fuzz/known_libplist.h"
#include "platform/Bundle.h"
#include "platform/StringsTable.h"

namespace {

std::string bundlePath;
std::string tablePath;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz_strings_table: %s\n", what);
  std::abort();
}

void appendQuoted(std::u16string& out, const std::u16string& s) {
  out += u'"';
  for (char16_t c : s) {
    if (c == u'"' || c == u'\\') out += u'\\';
    out += c;
  }
  out += u'"';
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  bundlePath = qvfuzz::makeScratchBundle();
  tablePath = bundlePath + "/Contents/Resources/en.lproj/Localizable.strings";
  ::setenv("LANGUAGE", "en", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (qvfuzz::skipKnownLibplistAbort(data, size)) return -1;  // kept out of the corpus
  std::optional<qv::StringsTable> table = qv::parseStringsTable(data, size);
  if (!table) return 0;

  std::u16string text;
  for (const auto& [key, value] : *table) {
    appendQuoted(text, key);
    text += u" = ";
    appendQuoted(text, value);
    text += u";\n";
  }
  std::optional<qv::StringsTable> again = qv::parseStringsText(text);
  if (!again) fail("a table written back as text does not parse");
  if (*again != *table) fail("a table written back as text parses differently");

  qvfuzz::writeFile(tablePath, data, size);
  qv::Ref<qv::Bundle> bundle = qv::Bundle::bundleWithPath(qv::String::fromUTF8(bundlePath));
  if (!bundle) fail("scratch bundle not found");
  // A few entries are enough: the lookup path is the same for all of them.
  int checked = 0;
  for (const auto& [key, value] : *table) {
    if (++checked > 4) break;
    qv::String found = bundle->localizedStringForKey(qv::String(key), "", qv::String());
    if (found.units() != value) fail("bundle lookup differs from the parsed table");
  }
  return 0;
}
