#pragma once
// The names a resource script may use without defining them: the style bits and
// the standard control numbers.
#include <cstdint>
#include <optional>
#include <string_view>

namespace framework {

std::optional<std::int64_t> BuiltInScriptName(std::string_view name);

} // namespace framework
