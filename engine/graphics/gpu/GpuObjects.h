// The GPU layer's objects: the stand-ins for Direct3D 11 buffers, textures and views.
//
// Objects are shared (std::shared_ptr) the way Direct3D objects are reference counted.
// No GL name of any kind is deleted on the spot: the last owner may be a model-load thread
// without the main context, and vertex arrays, pipelines and framebuffers exist only in the
// main context, so deletions are queued and carried out by the window thread once per frame
// (ReleaseQueuedObjects). Every name is counted per kind from creation to deletion, so
// that a shutdown can tell what was never released.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "graphics/gpu/GpuForward.h"

namespace gpu {

enum class ObjectKind : uint8_t {
    Buffer,
    Texture,
    Framebuffer,
    Program,
    VertexArray,
    Sampler,
    Pipeline,
};
inline constexpr size_t kObjectKindCount = 7;

// For the object classes: counts a newly created name as live, and queues a name for
// deletion (it stays live until deleted). Name 0 is ignored by both.
void CountCreated(ObjectKind kind, GLuint name);
void QueueRelease(ObjectKind kind, GLuint name);

// A GL name with a single owner (the sampler, a context's pipeline and empty vertex
// array), released through the queue like the shared objects.
class OwnedName {
   public:
    OwnedName() = default;
    OwnedName(ObjectKind kind, GLuint name) : kind(kind), name(name) { CountCreated(kind, name); }
    ~OwnedName() { Reset(); }
    OwnedName(OwnedName&& other) noexcept : kind(other.kind), name(other.name) { other.name = 0; }
    OwnedName& operator=(OwnedName&& other) noexcept;
    OwnedName(const OwnedName&) = delete;
    OwnedName& operator=(const OwnedName&) = delete;

    GLuint Name() const { return name; }
    void Reset();

   private:
    ObjectKind kind = ObjectKind::Buffer;
    GLuint name = 0;
};

// How texel data of one format is created and uploaded in GL.
struct PixelFormat {
    GLenum internalFormat = 0;
    GLenum format = 0;  // upload format; unused for compressed formats
    GLenum type = 0;    // upload type; unused for compressed formats
    bool compressed = false;
    // Component swizzle applied to views (e.g. A8 kept as R8 but read as alpha).
    std::array<GLint, 4> swizzle = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

enum class BufferUsage { Immutable, Default, Dynamic };
enum class BufferBinding { Vertex, Index, Constant, Structured };

class Buffer {
   public:
    Buffer(GLuint name, uint32_t byteSize, uint32_t structureStride, BufferUsage usage,
           BufferBinding binding);
    ~Buffer();
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;

    GLuint Name() const { return name; }
    uint32_t ByteSize() const { return byteSize; }
    uint32_t StructureStride() const { return structureStride; }
    BufferUsage Usage() const { return usage; }
    BufferBinding Binding() const { return binding; }

   private:
    GLuint name;
    uint32_t byteSize;
    uint32_t structureStride;
    BufferUsage usage;
    BufferBinding binding;
};

enum class TextureKind { Texture1D, Texture2D, TextureCube, Texture3D };

struct TextureDesc {
    TextureKind kind = TextureKind::Texture2D;
    uint32_t width = 1;
    uint32_t height = 1;
    uint32_t depth = 1;      // 3D textures only
    uint32_t arraySize = 1;  // slices; for cube maps the number of cubes
    uint32_t mipLevels = 1;  // 0 asks for the full chain
    PixelFormat format;
};

class Texture {
   public:
    Texture(GLuint name, GLenum target, const TextureDesc& desc);
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    GLuint Name() const { return name; }
    GLenum Target() const { return target; }
    const TextureDesc& Desc() const { return desc; }

   private:
    GLuint name;
    GLenum target;
    TextureDesc desc;  // mipLevels holds the actual count
};

// A texture or structured buffer as the shaders read it.
class ShaderResourceView {
   public:
    explicit ShaderResourceView(std::shared_ptr<Texture> texture);
    explicit ShaderResourceView(std::shared_ptr<Buffer> buffer);

    const std::shared_ptr<Texture>& GetTexture() const { return texture; }
    const std::shared_ptr<Buffer>& GetBuffer() const { return buffer; }

   private:
    std::shared_ptr<Texture> texture;
    std::shared_ptr<Buffer> buffer;
};

// A colour target: one framebuffer object whose colour attachment is the texture. The
// depth attachment follows whatever depth view it is bound with.
class RenderTargetView {
   public:
    RenderTargetView(GLuint framebuffer, std::shared_ptr<Texture> texture);
    ~RenderTargetView();
    RenderTargetView(const RenderTargetView&) = delete;
    RenderTargetView& operator=(const RenderTargetView&) = delete;

    GLuint Framebuffer() const { return framebuffer; }
    const std::shared_ptr<Texture>& GetTexture() const { return texture; }
    // The depth texture attached now. Held, not just named: a GL name is reused once its
    // texture is deleted, so a name alone could not tell a new depth texture from the old.
    std::shared_ptr<Texture> attachedDepth;

   private:
    GLuint framebuffer;
    std::shared_ptr<Texture> texture;
};

class DepthStencilView {
   public:
    explicit DepthStencilView(std::shared_ptr<Texture> texture) : texture(std::move(texture)) {}
    const std::shared_ptr<Texture>& GetTexture() const { return texture; }

   private:
    std::shared_ptr<Texture> texture;
};

// Deletes every GL object whose last owner went away since the previous call. Call on the
// thread that owns the main context.
void ReleaseQueuedObjects();

// Number of GL objects waiting for deletion (for tests).
size_t QueuedReleaseCount();

// GL names created and not yet deleted, queued ones included, per kind.
struct LiveObjects {
    std::array<size_t, kObjectKindCount> count{};
    size_t Total() const;
    // "2 buffers, 1 texture"; empty when none is live.
    std::string Describe() const;
};
LiveObjects LiveObjectCounts();

// Live GL textures (for tests and the memory benchmark).
size_t LiveTextureCount();

}  // namespace gpu
