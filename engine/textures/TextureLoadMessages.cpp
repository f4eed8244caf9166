#include "textures/TextureLoadMessages.h"

#include <bit>

#include "platform/Log.h"

std::string_view DdsFailureMessage(const DdsHeader* header)
{
    const uint32_t width = header ? header->width : 0;
    const uint32_t height = header ? header->height : 0;
    if (std::has_single_bit(width) && std::has_single_bit(height))
        return kDdsUnknownFormatMessage;
    return kDdsNotPowerOfTwoMessage;
}

std::string TgaUsedWarning(std::string_view path)
{
    return "Warning: TGA texture used, use DDS to better represent it in engine: " +
           std::string(path);
}

std::string TgaErrorMessage(std::string_view path)
{
    return "Texture error!, targa error: only 32 bits targa files are supported" +
           std::string(path);
}

std::string UnsupportedTextureMessage(std::string_view path)
{
    return "Texture error! The format is not supported: " + std::string(path);
}

std::string ImageDecodeErrorMessage(std::string_view path)
{
    return "Texture error! The image cannot be decoded: " + std::string(path);
}

std::string TextureReloadedMessage(std::string_view path)
{
    return "Texture modified and reloaded : " + std::string(path);
}

std::string NotAnImageNote(std::string_view path)
{
    return "Not an image, skipped: " + std::string(path);
}

std::string ReloadKeptKindMessage(std::string_view path, bool keptCubeMap)
{
    return std::string(keptCubeMap ? "Texture not reloaded, the file is no longer a cube map: "
                                   : "Texture not reloaded, the file is now a cube map: ") +
           std::string(path);
}

void ReportTextureMessage(std::string text, MessageLevel level)
{
    platform::ReportMessage(std::move(text), level);
}

void ReportDdsFailure(const DdsHeader* header)
{
    ReportTextureMessage(std::string(DdsFailureMessage(header)), MessageLevelError);
}

std::string PanoramaErrorMessage(std::string_view path, std::string_view reason)
{
    return "Cannot use " + std::string(path) + " as a sky: " + std::string(reason);
}

std::string PanoramaSkyMessage(std::string_view path, uint32_t width, uint32_t height,
                               uint32_t faceSize, uint32_t mipCount, long long milliseconds)
{
    return "Sky made from the panorama " + std::string(path) + " (" + std::to_string(width) +
           " x " + std::to_string(height) + "): " + std::to_string(faceSize) + " texels a face, " +
           std::to_string(mipCount) + " mips, in " + std::to_string(milliseconds) + " ms";
}
