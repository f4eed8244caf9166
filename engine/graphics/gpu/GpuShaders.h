// Shader programs and input layouts (Direct3D's shader objects and input layouts).
// Vertex and pixel programs are separable GL programs, bound independently through one
// program pipeline, the way Direct3D binds stages independently.
#pragma once

#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <vector>

namespace gpu {

enum class ShaderStage { Vertex, Pixel };

class ShaderProgram {
   public:
    ShaderProgram(GLuint name, ShaderStage stage);
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    GLuint Name() const { return name; }
    ShaderStage Stage() const { return stage; }

   private:
    GLuint name;
    ShaderStage stage;
};

// Links GLSL source as a separable program. On failure returns null and fills `log`.
std::shared_ptr<ShaderProgram> CreateShaderProgram(ShaderStage stage, const std::string& glsl,
                                                   std::string& log);

// One vertex attribute: where the shader reads it and where it lies in the vertex.
struct InputAttribute {
    GLuint location = 0;
    GLint components = 4;
    bool integer = false;  // 32-bit unsigned integers instead of floats
    GLuint offset = 0;
};

// A vertex-array object describing one vertex layout, read from vertex buffer slot 0.
class InputLayout {
   public:
    explicit InputLayout(GLuint vertexArray);
    ~InputLayout();
    InputLayout(const InputLayout&) = delete;
    InputLayout& operator=(const InputLayout&) = delete;

    GLuint VertexArray() const { return vertexArray; }

   private:
    GLuint vertexArray;
};

// Vertex arrays are not shared between GL contexts: create layouts on the window thread.
std::shared_ptr<InputLayout> CreateInputLayout(const std::vector<InputAttribute>& attributes);

}  // namespace gpu
