// Just enough JSON for the tests to read answers recorded by other programs (Blender's,
// vornis-snap --info): objects, arrays, strings without escapes beyond \" and \\, numbers,
// true, false, null. A malformed text gives a null value.
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct Json {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    double number = 0;
    bool boolean = false;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json& operator[](const std::string& key) const
    {
        static const Json none;
        const auto found = fields.find(key);
        return found == fields.end() ? none : found->second;
    }
    const Json& operator[](size_t i) const
    {
        static const Json none;
        return i < items.size() ? items[i] : none;
    }

    static Json Parse(std::string_view source)
    {
        size_t at = 0;
        Json value = ParseValue(source, at);
        return value;
    }

   private:
    static void Skip(std::string_view s, size_t& at)
    {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\n' || s[at] == '\r' || s[at] == '\t'))
            ++at;
    }
    static std::string ParseString(std::string_view s, size_t& at)
    {
        std::string out;
        for (++at; at < s.size() && s[at] != '"'; ++at)
            out += s[at] == '\\' && at + 1 < s.size() ? s[++at] : s[at];
        ++at;
        return out;
    }
    static Json ParseValue(std::string_view s, size_t& at)
    {
        Json value;
        Skip(s, at);
        if (at >= s.size())
            return value;
        const char c = s[at];
        if (c == '{' || c == '[') {
            value.kind = c == '{' ? Kind::Object : Kind::Array;
            ++at;
            for (Skip(s, at); at < s.size() && s[at] != (c == '{' ? '}' : ']'); Skip(s, at)) {
                if (c == '{') {
                    const std::string key = ParseString(s, at);
                    Skip(s, at);
                    ++at;  // ':'
                    value.fields[key] = ParseValue(s, at);
                } else {
                    value.items.push_back(ParseValue(s, at));
                }
                Skip(s, at);
                if (at < s.size() && s[at] == ',')
                    ++at;
            }
            ++at;
        } else if (c == '"') {
            value.kind = Kind::String;
            value.text = ParseString(s, at);
        } else if (s.substr(at, 4) == "true" || s.substr(at, 5) == "false") {
            value.kind = Kind::Bool;
            value.boolean = s[at] == 't';
            at += value.boolean ? 4 : 5;
        } else if (s.substr(at, 4) == "null") {
            at += 4;
        } else {
            const std::string number(s.substr(at, s.find_first_of(",]} \n", at) - at));
            value.kind = Kind::Number;
            value.number = std::strtod(number.c_str(), nullptr);
            at += number.size();
        }
        return value;
    }
};

}  // namespace testing_support
