// PNG and JPEG images, the formats most FBX files name for their materials, decoded to
// RGBA8 with stb_image. The size a file claims is checked before anything is decoded: a
// small compressed file may claim an enormous picture.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Large enough for any texture a model ships with; a full-size RGBA picture takes 256 MiB.
inline constexpr uint32_t kMaxEncodedImageSide = 8192;
// A PNG or JPEG file larger than this is not read.
inline constexpr uint64_t kMaxEncodedFileBytes = 256ull << 20;

struct DecodedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint32_t> texels;  // bytes R, G, B, A; top row first
};

// Nothing for bytes that are no image stb_image reads, that claim more than
// kMaxEncodedImageSide texels on a side, or more pixels than their size allows
// (ClaimDecodedBytes); `refusal` then says why, when it is known before decoding.
std::optional<DecodedImage> DecodeEncodedImage(std::span<const uint8_t> bytes,
                                               std::string* refusal = nullptr);
