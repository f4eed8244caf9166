// The log lines of texture loading, in the words users and scripts know them by.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/MessageLevel.h"
#include "textures/DdsLayout.h"

inline constexpr std::string_view kDdsUnknownFormatMessage =
    "Error: Unknown DDS format, please choose another dds format";
inline constexpr std::string_view kDdsNotPowerOfTwoMessage = "Error: DDS needs to be power of two!";

// The message for a DDS file the reader rejected. Without a header (the file could not be
// read at all) the sizes count as 0, so the message blames the size.
std::string_view DdsFailureMessage(const DdsHeader* header);

std::string TgaUsedWarning(std::string_view path);
std::string TgaErrorMessage(std::string_view path);
std::string UnsupportedTextureMessage(std::string_view path);
// A PNG or JPEG file that cannot be read or decoded, or that is too large.
std::string ImageDecodeErrorMessage(std::string_view path);
std::string TextureReloadedMessage(std::string_view path);
// A file found beside a model that has a texture's name but is no image.
std::string NotAnImageNote(std::string_view path);
// A reload that would turn a cube map into a flat image, or the other way round.
std::string ReloadKeptKindMessage(std::string_view path, bool keptCubeMap);
// An HDR panorama that cannot become the sky, and one that did.
std::string PanoramaErrorMessage(std::string_view path, std::string_view reason);
std::string PanoramaSkyMessage(std::string_view path, uint32_t width, uint32_t height,
                               uint32_t faceSize, uint32_t mipCount, long long milliseconds);

// Appends to the engine's message log.
void ReportTextureMessage(std::string text, MessageLevel level);
// Logs DdsFailureMessage at error level.
void ReportDdsFailure(const DdsHeader* header);
