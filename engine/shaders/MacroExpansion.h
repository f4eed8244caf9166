// A bound on what a shader file's macros make of it, checked before the preprocessor runs:
// a few lines of nested macros can expand to gigabytes, which the compiler would try to hold.
#pragma once

#include <cstdint>
#include <string_view>

// The largest expansion a shader file may have, in tokens: our biggest file has about 10,000.
inline constexpr double kMaxExpandedShaderTokens = 4.0 * 1024 * 1024;

// An estimate, from above for the usual cases, of how many tokens the preprocessor makes of
// `source` with the macros `source` itself defines (#define, object- and function-like;
// conditionals are taken as if every branch were kept). Grows without overflowing, so a
// bomb of any depth compares as large.
double EstimateExpandedTokens(std::string_view source);
