// libFuzzer target for the TGA decoder: any bytes must decode or give no pixels, never
// read outside the input.
#include <cstddef>
#include <cstdint>
#include <span>

#include "textures/TargaImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TargaImage image = DecodeTargaImage(std::span<const uint8_t>(data, size));
    if (image.HasPixels()) {
        if (image.pixels.size() != static_cast<size_t>(image.width) * image.height)
            __builtin_trap();
        volatile uint32_t sink = image.pixels.back();
        (void)sink;
    }
    return 0;
}
