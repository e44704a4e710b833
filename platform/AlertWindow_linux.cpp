#include "platform/Alert.h"

namespace qv::alert {

std::optional<std::int64_t> presentInWindow(const Alert&) { return std::nullopt; }

}  // namespace qv::alert
