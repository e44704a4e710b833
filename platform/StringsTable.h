// Strings tables: the text form ("key" = "value"; with comments and escapes,
// in UTF-8 or in UTF-16/32 with a byte-order mark) and any property list whose
// root is a dictionary of strings.
#pragma once

#include <optional>
#include <string_view>
#include <unordered_map>

#include "platform/String.h"

namespace qv {

using StringsTable = std::unordered_map<std::u16string, std::u16string>;

// Nil (nullopt) when the bytes are no strings table at all.
std::optional<StringsTable> parseStringsTable(const void* bytes, std::size_t length);

// The text form only, already decoded.
std::optional<StringsTable> parseStringsText(std::u16string_view text);

// UTF-32 or UTF-16 by byte-order mark, else UTF-8; nullopt when undecodable.
std::optional<std::u16string> decodeStringsFileText(const void* bytes, std::size_t length);

}  // namespace qv
