// Result codes of the image readers and the DDS writer. They keep the values the
// exported interface and the log have always used (Windows HRESULTs), so callers can
// compare them with the documented numbers.
#pragma once

#include <cstdint>

namespace texture_result {
constexpr int32_t Ok = 0;
constexpr int32_t InvalidArgument = static_cast<int32_t>(0x80070057);
constexpr int32_t NotSupported = static_cast<int32_t>(0x80070032);
constexpr int32_t InvalidData = static_cast<int32_t>(0x8007000D);
constexpr int32_t EndOfData = static_cast<int32_t>(0x80070026);
constexpr int32_t OutOfMemory = static_cast<int32_t>(0x8007000E);
constexpr int32_t Fail = static_cast<int32_t>(0x80004005);
constexpr int32_t FileNotFound = static_cast<int32_t>(0x80070002);
constexpr int32_t PathNotFound = static_cast<int32_t>(0x80070003);
constexpr int32_t AccessDenied = static_cast<int32_t>(0x80070005);

// The code for an operating-system error number from opening or reading a file.
int32_t FromErrno(int error);
}  // namespace texture_result
