// Alert factories.
#pragma once

#include "platform/Alert.h"
#include "platform/Values.h"

// A new, not yet shown alert: nil texts become "", and an absent or empty
// button list gives the single button "Ok".
qv::Ref<qv::Alert> qv_alertWithTitle(const qv::String& title, const qv::String& message, const qv::Array& buttons);
qv::Ref<qv::Alert> qv_alertWithTitle(const qv::String& title, const qv::String& message);
