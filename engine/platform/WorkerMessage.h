// The fields of the messages between the viewer and its helper processes: words as they lie
// in memory (both ends run on this machine), texts with their length first.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace platform {

inline void PutWord(std::string& out, uint32_t word)
{
    out.append(reinterpret_cast<const char*>(&word), sizeof word);
}

inline void PutText(std::string& out, std::string_view text)
{
    PutWord(out, static_cast<uint32_t>(text.size()));
    out.append(text);
}

// Each takes one field off the front of `in`; false when `in` is too short for it.
inline bool GetWord(std::string_view& in, uint32_t& word)
{
    if (in.size() < sizeof word)
        return false;
    std::memcpy(&word, in.data(), sizeof word);
    in.remove_prefix(sizeof word);
    return true;
}

inline bool GetText(std::string_view& in, std::string& text)
{
    uint32_t length = 0;
    std::string_view rest = in;
    if (!GetWord(rest, length) || rest.size() < length)
        return false;
    text.assign(rest.substr(0, length));
    in = rest.substr(length);
    return true;
}

}  // namespace platform
