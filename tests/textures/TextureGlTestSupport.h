// What the texture tests on a started engine share: the fixture and texel read-backs.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "TextureTestFiles.h"
#include "api/Engine.h"
#include "graphics/gpu/GpuObjects.h"
#include "platform/FileWatcher.h"
#include "platform/Paths.h"
#include "scene/Scene.h"
#include "support/EngineWindow.h"
#include "textures/TextureManager.h"

namespace texture_test {

inline GLuint NameOf(const TextureHandle& record)
{
    return record && record->view && record->view->GetTexture() ? record->view->GetTexture()->Name()
                                                                : 0;
}

inline std::vector<uint8_t> Texels(const TextureHandle& record, int width = 1, int height = 1)
{
    return testing_support::ReadTextureRgba8(NameOf(record), width, height);
}

// One layer (array slice or cube face) of one square level as RGBA8.
inline std::vector<uint8_t> ReadLayer(GLuint texture, int level, int layer, int side)
{
    std::vector<uint8_t> texels(static_cast<size_t>(side) * side * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTextureSubImage(texture, level, 0, 0, layer, side, side, 1, GL_RGBA, GL_UNSIGNED_BYTE,
                         static_cast<GLsizei>(texels.size()), texels.data());
    return texels;
}

// A 1 x 1 RGBA8 DDS, or a cube of six such faces.
inline void WriteTexel(const std::filesystem::path& path, uint32_t texel, bool cube = false)
{
    WriteBytes(path, DdsFileBytes(cube ? Cube(1, 1, 1, kRgba8) : MakeHeader(1, 1, 1, kRgba8),
                                  Repeated(Rgba8Bytes({texel}), cube ? 6 : 1)));
}

class TextureManagerGl : public ::testing::Test {
   protected:
    void SetUp() override
    {
        ASSERT_EQ(testing_support::StartEngine(64, 64), 0);
        engine = GetEngine();
        manager = engine->textureManager.get();
        ASSERT_NE(manager, nullptr);
    }

    TextureHandle Load(const std::filesystem::path& path)
    {
        return manager->LoadTexture(platform::Utf8ToUtf16(path.string()).value());
    }

    int CountLines(const std::string& prefix) const
    {
        int count = 0;
        for (const CMessageLog::Entry& entry : engine->scene->log.EntriesFrom(0))
            count += entry.text.rfind(prefix, 0) == 0;
        return count;
    }

    // Dates the file `secondsAhead` into the future and lets the watcher report it.
    void DispatchChange(const std::filesystem::path& path, int secondsAhead)
    {
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() +
                                                   std::chrono::seconds(secondsAhead));
        engine->fileWatcher->ScanOnce();
        engine->fileWatcher->DispatchChanges();
    }

    CEngine* engine = nullptr;
    CTextureManager* manager = nullptr;
    ScratchDirectory scratch;
};

}  // namespace texture_test
