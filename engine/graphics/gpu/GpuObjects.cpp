#include "graphics/gpu/GpuObjects.h"

#include <atomic>
#include <mutex>
#include <vector>

namespace gpu {
namespace {

enum class ObjectType { Buffer, Texture, Framebuffer };

struct QueuedObject {
    ObjectType type;
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

std::atomic<size_t> liveTextures{0};

void QueueRelease(ObjectType type, GLuint name)
{
    if (name == 0)
        return;
    std::lock_guard<std::mutex> lock(QueueLock());
    Queue().push_back({type, name});
}

}  // namespace

Buffer::Buffer(GLuint name, uint32_t byteSize, uint32_t structureStride, BufferUsage usage,
               BufferBinding binding)
    : name(name),
      byteSize(byteSize),
      structureStride(structureStride),
      usage(usage),
      binding(binding)
{
}

Buffer::~Buffer()
{
    QueueRelease(ObjectType::Buffer, name);
}

Texture::Texture(GLuint name, GLenum target, const TextureDesc& desc)
    : name(name), target(target), desc(desc)
{
    if (name != 0)
        ++liveTextures;
}

Texture::~Texture()
{
    QueueRelease(ObjectType::Texture, name);
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
}

RenderTargetView::~RenderTargetView()
{
    QueueRelease(ObjectType::Framebuffer, framebuffer);
}

void ReleaseQueuedObjects()
{
    std::vector<QueuedObject> pending;
    {
        std::lock_guard<std::mutex> lock(QueueLock());
        pending.swap(Queue());
    }
    for (const QueuedObject& object : pending) {
        switch (object.type) {
            case ObjectType::Buffer:
                glDeleteBuffers(1, &object.name);
                break;
            case ObjectType::Texture:
                glDeleteTextures(1, &object.name);
                --liveTextures;
                break;
            case ObjectType::Framebuffer:
                glDeleteFramebuffers(1, &object.name);
                break;
        }
    }
}

size_t QueuedReleaseCount()
{
    std::lock_guard<std::mutex> lock(QueueLock());
    return Queue().size();
}

size_t LiveTextureCount()
{
    return liveTextures;
}

}  // namespace gpu
