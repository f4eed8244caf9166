#include "textures/TextureFileLoad.h"

#include <algorithm>
#include <filesystem>

#include "platform/Paths.h"
#include "textures/DdsDescription.h"
#include "textures/DdsPixelFormatTables.h"
#include "textures/DdsReader.h"
#include "textures/EncodedImageReader.h"
#include "textures/ExrImage.h"
#include "textures/FileBytes.h"
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

// Null when the file did not parse or the device refused it.
ShaderResourceViewPtr UploadDds(const DdsParseResult& parsed, const TextureUploader& upload)
{
    if (parsed.result != texture_result::Ok)
        return nullptr;
    return upload([&] {
        DdsTextureView created = CreateDdsTexture(parsed.image);
        return created.result == texture_result::Ok ? created.view : nullptr;
    });
}

const char* EncodedTypeName(ImageFileType type)
{
    return type == ImageFileType::Png ? "PNG" : "JPEG";
}

// A PNG or JPEG image, with a full mip chain: model textures are seen from afar too.
LoadedTexture UploadEncoded(std::span<const uint8_t> bytes, ImageFileType type,
                            std::string_view name, const TextureUploader& upload)
{
    std::string refusal;
    const std::optional<DecodedImage> image = DecodeEncodedImage(bytes, &refusal);
    if (!refusal.empty()) {
        Report("Cannot decode " + std::string(name) + ": " + refusal);
        return {};
    }
    ShaderResourceViewPtr view;
    if (image)
        view = upload(
            [&] { return CreateRgba8Texture(image->width, image->height, image->texels, 0); });
    if (!view) {
        Report(ImageDecodeErrorMessage(name));
        return {};
    }
    return {std::move(view), EncodedTypeName(type), 0};
}

LoadedTexture LoadEncoded(const std::filesystem::path& path, ImageFileType type,
                          const TextureUploader& upload)
{
    const FileBytesResult file = ReadFileBytes(path, kMaxEncodedFileBytes);
    if (file.result != texture_result::Ok) {
        Report(ImageDecodeErrorMessage(path.string()));
        return {};
    }
    return UploadEncoded(file.bytes, type, path.string(), upload);
}

}  // namespace

LoadedTexture LoadTextureBytes(std::span<const uint8_t> bytes, std::string_view extension,
                               std::string_view name, const TextureUploader& upload)
{
    const ImageFileType type =
        ImageTypeOf(bytes.first(std::min<size_t>(bytes.size(), kImageProbeBytes)), extension);
    if (type == ImageFileType::Png || type == ImageFileType::Jpeg)
        return UploadEncoded(bytes, type, name, upload);
    if (type == ImageFileType::Targa) {
        const TargaImage image = DecodeTargaImage(bytes);
        ShaderResourceViewPtr view;
        if (image.HasPixels())
            view = upload([&] { return CreateTargaTexture(image); });
        if (!view) {
            Report(TgaErrorMessage(name));
            return {};
        }
        return {std::move(view), "TGA", 0};
    }
    if (type == ImageFileType::Dds) {
        const DdsParseResult parsed = ParseDds(bytes);
        if (ShaderResourceViewPtr view = UploadDds(parsed, upload)) {
            const DdsHeaderDx10* dx10 = parsed.dx10 ? &*parsed.dx10 : nullptr;
            return {std::move(view), DdsTypeName(*parsed.header, dx10), parsed.header->mipMapCount};
        }
        ReportDdsFailure(parsed.header ? &*parsed.header : nullptr);
        return {};
    }
    Report(UnsupportedTextureMessage(name));
    return {};
}

LoadedTexture LoadTextureFile(const std::filesystem::path& path, const TextureUploader& upload)
{
    const ImageFileType type = ProbeImageFile(path).type;
    std::optional<DdsHeader> ddsHeader;
    // Any file that reads as DDS is one, whatever its name says.
    if (type == ImageFileType::Dds) {
        DdsFile dds = ReadDdsFile(path);
        const DdsParseResult& parsed = dds.parsed;
        ddsHeader = parsed.header;
        if (ShaderResourceViewPtr view = UploadDds(parsed, upload)) {
            const DdsHeaderDx10* dx10 = parsed.dx10 ? &*parsed.dx10 : nullptr;
            WriteDdsDescription(*parsed.header, dx10);
            return {std::move(view), DdsTypeName(*parsed.header, dx10), parsed.header->mipMapCount};
        }
    }

    if (type == ImageFileType::Png || type == ImageFileType::Jpeg)
        return LoadEncoded(path, type, upload);

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
