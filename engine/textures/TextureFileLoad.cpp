#include "textures/TextureFileLoad.h"

#include <filesystem>

#include "platform/Paths.h"
#include "textures/DdsDescription.h"
#include "textures/DdsPixelFormatTables.h"
#include "textures/DdsReader.h"
#include "textures/ExrImage.h"
#include "textures/ImageFileType.h"
#include "textures/TargaImage.h"
#include "textures/TextureLoadMessages.h"
#include "textures/TextureResult.h"
#include "textures/TextureUpload.h"

namespace {

void Report(std::string text)
{
    ReportTextureMessage(std::move(text), MessageLevelError);
}

LoadedTexture LoadTarga(const std::filesystem::path& path, const TextureUploader& upload)
{
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        Report(UnsupportedTextureMessage(path.string()));
        return {};
    }
    Report(TgaUsedWarning(path.string()));
    const std::optional<TargaImage> image = ReadTargaImage(path);
    if (!image || !image->HasPixels()) {
        Report(TgaErrorMessage(path.string()));
        return {};
    }
    ShaderResourceViewPtr view = upload([&] { return CreateTargaTexture(*image); });
    if (!view) {
        Report(UnsupportedTextureMessage(path.string()));
        return {};
    }
    return {std::move(view), "TGA", 0};
}

LoadedTexture LoadExr(const std::filesystem::path& path, ImageFileType type,
                      const TextureUploader& upload)
{
    // An unreadable EXR is a failed load like any other; bytes without the EXR signature
    // are not handed to the library at all.
    std::optional<ExrImage> image;
    if (type == ImageFileType::Exr)
        image = ReadExrImage(path);
    ShaderResourceViewPtr view;
    if (image)
        view = upload([&] { return CreateExrTexture(*image); });
    if (!view) {
        Report(UnsupportedTextureMessage(path.string()));
        return {};
    }
    return {std::move(view), "EXR", 0};
}

}  // namespace

LoadedTexture LoadTextureFile(const std::filesystem::path& path, const TextureUploader& upload)
{
    const ImageFileType type = ProbeImageFile(path).type;
    std::optional<DdsHeader> ddsHeader;
    // Any file that reads as DDS is one, whatever its name says.
    if (type == ImageFileType::Dds) {
        DdsFile dds = ReadDdsFile(path);
        const DdsParseResult& parsed = dds.parsed;
        ddsHeader = parsed.header;
        if (parsed.result == texture_result::Ok) {
            ShaderResourceViewPtr view = upload([&] {
                DdsTextureView created = CreateDdsTexture(parsed.image);
                return created.result == texture_result::Ok ? created.view : nullptr;
            });
            if (view) {
                const DdsHeaderDx10* dx10 = parsed.dx10 ? &*parsed.dx10 : nullptr;
                WriteDdsDescription(*parsed.header, dx10);
                return {std::move(view), DdsTypeName(*parsed.header, dx10),
                        parsed.header->mipMapCount};
            }
        }
    }

    const std::string extension = platform::FileExtension(path.native());
    if (extension == ".dds") {
        ReportDdsFailure(ddsHeader ? &*ddsHeader : nullptr);
        return {};
    }
    if (extension == ".tga")
        return LoadTarga(path, upload);
    if (extension == ".exr")
        return LoadExr(path, type, upload);
    Report(UnsupportedTextureMessage(path.string()));
    return {};
}
