// Forward declarations of the GPU layer's objects, for headers that only hold them.
#pragma once

#include <memory>

namespace gpu {
class Buffer;
class Texture;
class ShaderResourceView;
class RenderTargetView;
class DepthStencilView;
}  // namespace gpu

using ShaderResourceViewPtr = std::shared_ptr<gpu::ShaderResourceView>;
