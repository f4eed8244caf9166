// libFuzzer target for the DDS reader: any bytes must parse or fail cleanly, and every
// span handed out must lie inside the input.
#include <cstddef>
#include <cstdint>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> file(data, size);
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
