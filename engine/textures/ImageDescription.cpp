#include "textures/ImageDescription.h"

#include "platform/Paths.h"
#include "textures/DdsPixelFormatTables.h"
#include "textures/DdsReader.h"
#include "textures/GlTextureFormat.h"
#include "textures/TargaImage.h"
#include "textures/TextureResult.h"

namespace {

ImageDescription DescribeDds(const std::filesystem::path& path)
{
    ImageDescription description;
    DdsFile file = ReadDdsFile(path);
    const DdsParseResult& parsed = file.parsed;
    // Loading means the GPU could take it too, as the texture manager would.
    if (parsed.result != texture_result::Ok || !LookupGlTextureFormat(parsed.image.format))
        return description;
    description.readable = true;
    description.width = parsed.image.width;
    description.height = parsed.image.height;
    description.formatName = DdsTypeName(*parsed.header, parsed.dx10 ? &*parsed.dx10 : nullptr);
    description.isCubeMap = parsed.header->caps2 != 0;
    return description;
}

ImageDescription DescribeTga(const std::filesystem::path& path)
{
    ImageDescription description;
    std::optional<TargaImage> image = ReadTargaImage(path);
    if (!image || !image->HasPixels())
        return description;
    description.readable = true;
    description.width = image->width;
    description.height = image->height;
    description.formatName = "TGA";
    return description;
}

}  // namespace

std::string ImageDescription::Text() const
{
    if (!readable)
        return "Unreadable image";
    std::string text = std::to_string(width) + " x " + std::to_string(height) + "\n" + formatName;
    if (isCubeMap)
        text += "\nCube map";
    return text;
}

ImageDescription DescribeDroppedImage(const std::filesystem::path& path)
{
    const std::string extension = platform::FileExtension(path.string());
    if (extension == ".dds")
        return DescribeDds(path);
    if (extension == ".tga" || extension == ".TGA")
        return DescribeTga(path);
    return {};
}
