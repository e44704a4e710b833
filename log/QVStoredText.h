// Texts kept in the program in scrambled form: the base64 of their UTF-8
// bytes, stored in reverse order.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Object.h"
#include "platform/String.h"

// Takes the buffer; nil for a length of 0 or less, no buffer, text that is no
// base64 after reversal, or bytes that are no UTF-8.
qv::String QVStringFromReversedBase64(std::int32_t length, std::unique_ptr<std::uint8_t[]> buffer);

// The support address with the suffix appended as a further path component:
// a URL (nil when invalid) when asURL is 1, otherwise the address text.
qv::Id QVSupportAddressWithSuffix(const char* suffix, std::int32_t asURL);

qv::String QVSecondStoredText();
