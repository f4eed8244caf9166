// The fixed parts of the binary FBX format, as the import library's reader takes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

constexpr std::string_view kFbxBinaryMagic = "Kaydara FBX Binary";
constexpr uint64_t kFbxBinaryVersionAt = 23;
constexpr uint64_t kFbxBinaryFirstRecordAt = 27;  // magic, 0x1A 0x00, version
// From this version on, a record's end offset, property count and property length are 64
// bits, not 32.
constexpr uint32_t kFbxLargeHeaderVersion = 7500;

// Whether bytes from a file's start begin as a binary FBX file does.
constexpr bool StartsAsBinaryFbx(std::string_view start)
{
    return start.substr(0, kFbxBinaryMagic.size()) == kFbxBinaryMagic;
}

template <typename T>
T LoadLittleEndian(const char* bytes)
{
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(static_cast<uint8_t>(bytes[i])) << (8 * i);
    return value;
}

// The bytes of a scalar property after its type code; 0 for strings, raw data and arrays.
constexpr uint32_t FbxScalarSize(char type)
{
    switch (type) {
        case 'C':
            return 1;
        case 'Y':
            return 2;
        case 'I':
        case 'F':
            return 4;
        case 'D':
        case 'L':
            return 8;
        default:
            return 0;
    }
}
