// libFuzzer target for the DDS reader and writer: any bytes must parse or fail cleanly,
// every span handed out must lie inside the input, and written files must read back.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "textures/DdsDescription.h"
#include "textures/DdsPixelFormatTables.h"
#include "textures/DdsReader.h"
#include "textures/DdsWriter.h"
#include "textures/GlTextureFormat.h"
#include "textures/TextureResult.h"

namespace {

volatile uint8_t sink;

void TouchAll(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return;
    // First and last byte: enough for the address sanitizer to check the whole span.
    sink = bytes.front();
    sink = bytes.back();
}

uint32_t Word(const uint8_t* bytes)
{
    uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

// The same bytes as writer input: format, width, height and pitch from the first 16
// bytes (sizes kept small), texel rows from the rest. What the writer accepts must read
// back as the same format and size.
void FuzzWriter(std::span<const uint8_t> input)
{
    if (input.size() < 16)
        return;
    const uint32_t format = Word(input.data()) % 200;
    const uint32_t width = Word(input.data() + 4) % 70;
    const uint32_t height = Word(input.data() + 8) % 70;
    const uint64_t pitch = Word(input.data() + 12) % 1200;
    DdsWriteResult written = BuildDdsFile(format, width, height, pitch, input.subspan(16));
    if (written.result != texture_result::Ok)
        return;
    DdsParseResult read = ParseDds(written.bytes);
    if (read.result != texture_result::Ok || read.image.format != format ||
        read.image.width != width || read.image.height != height ||
        read.image.subresources[0].data.size() != written.bytes.size() - (read.dx10 ? 148 : 128))
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
    FuzzWriter(file);
    DdsParseResult parsed = ParseDds(file);
    if (parsed.header) {
        const DdsHeaderDx10* dx10 = parsed.dx10 ? &*parsed.dx10 : nullptr;
        DescribeDdsHeader(*parsed.header, dx10);
        DdsTypeName(*parsed.header, dx10);
    }
    if (parsed.result != texture_result::Ok)
        return 0;

    const DdsImage& image = parsed.image;
    if (image.subresources.size() != static_cast<size_t>(image.arraySize) * image.mipCount)
        __builtin_trap();
    for (const DdsSubresource& sub : image.subresources) {
        if (sub.data.data() < data || sub.data.data() + sub.data.size() > data + size)
            __builtin_trap();
        TouchAll(sub.data);
    }
    LookupGlTextureFormat(image.format);
    DropMipsAboveCap(image, 1);

    // What the writer makes of the top level must read back as the same format and size.
    const DdsSubresource& top = image.At(0, 0);
    DdsWriteResult written =
        BuildDdsFile(image.format, top.width, top.height, top.rowBytes, top.data);
    if (written.result == texture_result::Ok) {
        DdsParseResult again = ParseDds(written.bytes);
        if (again.result != texture_result::Ok || again.image.format != image.format ||
            again.image.width != top.width || again.image.height != top.height)
            __builtin_trap();
    }
    return 0;
}
