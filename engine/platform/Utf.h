// Strict UTF-8 <-> UTF-16 conversion, shared by the engine and the window host (which
// compiles this file in, since the engine library exports only its interface). Text that is
// not well formed is refused rather than passed on half-converted.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Refuses truncated and overlong sequences, encoded surrogates and code points above U+10FFFF.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Refuses unpaired surrogates.
std::optional<std::string> Utf16ToUtf8(std::u16string_view text);

// A file name for the engine's wide interface. Names are bytes, usually but not always
// UTF-8: a byte that is no part of a well-formed sequence travels as the lone surrogate
// U+DC80..U+DCFF (0xDC00 + the byte), which WideNameToPath (Paths.h) turns back into that
// byte. No name is refused and none loses a byte.
std::u16string NameToUtf16(std::string_view name);

}  // namespace platform
