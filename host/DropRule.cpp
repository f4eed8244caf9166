#include "DropRule.h"

#include <array>

#include "platform/Utf.h"

namespace host {

std::string_view FinalNameExtension(std::string_view path)
{
    const size_t slash = path.find_last_of('/');
    const std::string_view finalName =
        slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = finalName.find_last_of('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return finalName.substr(dot);
}

bool IsImageExtension(std::string_view extension)
{
    // HDR panoramas (.hdr, .exr) are images too: the engine offers them as the sky.
    static constexpr std::array<std::string_view, 8> kImageExtensions = {
        ".tga", ".TGA", ".dds", ".DDS", ".hdr", ".HDR", ".exr", ".EXR"};
    for (std::string_view image : kImageExtensions) {
        if (extension == image)
            return true;
    }
    return false;
}

std::optional<DropAction> ClassifyDroppedName(const char* name)
{
    if (!name || name[0] == '\0')
        return std::nullopt;
    const std::string_view path(name);
    if (IsImageExtension(FinalNameExtension(path)))
        return DropAction{DropTarget::Image, {}, platform::NameToUtf16(path)};
    return DropAction{DropTarget::Model, std::string(path), {}};
}

void DropBatch::Begin()
{
    inBatch_ = true;
    handled_ = false;
}

std::optional<DropAction> DropBatch::Offer(const char* name)
{
    if (inBatch_ && handled_)
        return std::nullopt;
    std::optional<DropAction> action = ClassifyDroppedName(name);
    if (action && inBatch_)
        handled_ = true;
    return action;
}

void DropBatch::Complete()
{
    inBatch_ = false;
    handled_ = false;
}

}  // namespace host
