#include "graphics/gpu/GpuObjects.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace gpu {
namespace {

struct QueuedObject {
    ObjectKind kind;
    GLuint name;
};

std::mutex& QueueLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<QueuedObject>& Queue()
{
    static std::vector<QueuedObject> queue;
    return queue;
}

std::array<std::atomic<size_t>, kObjectKindCount> liveObjects{};

std::atomic<size_t>& Live(ObjectKind kind)
{
    return liveObjects[static_cast<size_t>(kind)];
}

void Delete(const QueuedObject& object)
{
    switch (object.kind) {
        case ObjectKind::Buffer:
            glDeleteBuffers(1, &object.name);
            break;
        case ObjectKind::Texture:
            glDeleteTextures(1, &object.name);
            break;
        case ObjectKind::Framebuffer:
            glDeleteFramebuffers(1, &object.name);
            break;
        case ObjectKind::Program:
            glDeleteProgram(object.name);
            break;
        case ObjectKind::VertexArray:
            glDeleteVertexArrays(1, &object.name);
            break;
        case ObjectKind::Sampler:
            glDeleteSamplers(1, &object.name);
            break;
        case ObjectKind::Pipeline:
            glDeleteProgramPipelines(1, &object.name);
            break;
    }
    --Live(object.kind);
}

const char* KindName(ObjectKind kind, bool plural)
{
    static const char* const names[kObjectKindCount][2] = {
        {"buffer", "buffers"},
        {"texture", "textures"},
        {"framebuffer", "framebuffers"},
        {"program", "programs"},
        {"vertex array", "vertex arrays"},
        {"sampler", "samplers"},
        {"pipeline", "pipelines"},
    };
    return names[static_cast<size_t>(kind)][plural ? 1 : 0];
}

}  // namespace

void CountCreated(ObjectKind kind, GLuint name)
{
    if (name != 0)
        ++Live(kind);
}

void QueueRelease(ObjectKind kind, GLuint name)
{
    if (name == 0)
        return;
    std::lock_guard<std::mutex> lock(QueueLock());
    Queue().push_back({kind, name});
}

OwnedName& OwnedName::operator=(OwnedName&& other) noexcept
{
    if (this != &other) {
        Reset();
        kind = other.kind;
        name = other.name;
        other.name = 0;
    }
    return *this;
}

void OwnedName::Reset()
{
    QueueRelease(kind, name);
    name = 0;
}

Buffer::Buffer(GLuint name, uint32_t byteSize, uint32_t structureStride, BufferUsage usage,
               BufferBinding binding)
    : name(name),
      byteSize(byteSize),
      structureStride(structureStride),
      usage(usage),
      binding(binding)
{
    CountCreated(ObjectKind::Buffer, name);
}

Buffer::~Buffer()
{
    QueueRelease(ObjectKind::Buffer, name);
}

Texture::Texture(GLuint name, GLenum target, const TextureDesc& desc)
    : name(name), target(target), desc(desc)
{
    CountCreated(ObjectKind::Texture, name);
}

Texture::~Texture()
{
    QueueRelease(ObjectKind::Texture, name);
}

ShaderResourceView::ShaderResourceView(std::shared_ptr<Texture> texture)
    : texture(std::move(texture))
{
}

ShaderResourceView::ShaderResourceView(std::shared_ptr<Buffer> buffer) : buffer(std::move(buffer))
{
}

RenderTargetView::RenderTargetView(GLuint framebuffer, std::shared_ptr<Texture> texture)
    : framebuffer(framebuffer), texture(std::move(texture))
{
    CountCreated(ObjectKind::Framebuffer, framebuffer);
}

RenderTargetView::~RenderTargetView()
{
    QueueRelease(ObjectKind::Framebuffer, framebuffer);
}

void ReleaseQueuedObjects()
{
    std::vector<QueuedObject> pending;
    {
        std::lock_guard<std::mutex> lock(QueueLock());
        pending.swap(Queue());
    }
    for (const QueuedObject& object : pending)
        Delete(object);
}

size_t QueuedReleaseCount()
{
    std::lock_guard<std::mutex> lock(QueueLock());
    return Queue().size();
}

size_t LiveObjects::Total() const
{
    size_t total = 0;
    for (size_t n : count)
        total += n;
    return total;
}

std::string LiveObjects::Describe() const
{
    std::string text;
    for (size_t kind = 0; kind < kObjectKindCount; ++kind) {
        if (count[kind] == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += std::to_string(count[kind]) + " " +
                KindName(static_cast<ObjectKind>(kind), count[kind] != 1);
    }
    return text;
}

LiveObjects LiveObjectCounts()
{
    LiveObjects live;
    for (size_t kind = 0; kind < kObjectKindCount; ++kind)
        live.count[kind] = liveObjects[kind].load();
    return live;
}

size_t LiveTextureCount()
{
    return Live(ObjectKind::Texture);
}

}  // namespace gpu
