#include "SnapInfo.h"

#include <cmath>
#include <cstdio>

namespace {

std::string Number(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

std::string Vector(const float (&v)[3])
{
    return "[" + Number(v[0]) + ", " + Number(v[1]) + ", " + Number(v[2]) + "]";
}

std::string StringList(const std::vector<std::string>& items)
{
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i)
        out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}

// The length of the UTF-8 sequence at `text[i]`, or 0 when none starts there.
size_t Utf8Length(const std::string& text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const size_t length = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    return length;
}

}  // namespace

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else if (const size_t length = Utf8Length(text, i); length > 0) {
            out.append(text, i, length);
            i += length;
            continue;
        } else {
            out += "\xEF\xBF\xBD";
        }
        ++i;
    }
    return out + "\"";
}

std::string ModelReportJson(const tool::ModelReport& report)
{
    std::string clips = "[";
    for (size_t i = 0; i < report.clips.size(); ++i)
        clips += (i ? ", " : "") + std::string("{\"name\": ") + JsonString(report.clips[i].name) +
                 ", \"seconds\": " + Number(report.clips[i].seconds) + "}";
    clips += "]";
    const std::string bounds = report.hasBounds ? "{\"min\": " + Vector(report.boundsMin) +
                                                      ", \"max\": " + Vector(report.boundsMax) + "}"
                                                : "null";
    return "{\"file\": " + JsonString(report.file) +
           ", \"nodes\": " + std::to_string(report.nodes) +
           ", \"meshes\": " + std::to_string(report.meshes) +
           ", \"vertices\": " + std::to_string(report.vertices) +
           ", \"triangles\": " + std::to_string(report.triangles) +
           ", \"materials\": " + std::to_string(report.materials) +
           ", \"bones\": " + std::to_string(report.bones) + ", \"clips\": " + clips +
           ", \"bounds\": " + bounds +
           ", \"textures\": {\"found\": " + StringList(report.texturesFound) +
           ", \"missing\": " + StringList(report.texturesMissing) + "}}";
}
