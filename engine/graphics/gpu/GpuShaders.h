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
    // A program linked when it is first bound; a refusal of the driver then goes to the
    // debug output under `label`, and the program stays unbound (name 0).
    ShaderProgram(ShaderStage stage, std::string glsl, std::string label);
    ~ShaderProgram();
    ShaderProgram(const ShaderProgram&) = delete;
    ShaderProgram& operator=(const ShaderProgram&) = delete;

    // Links a deferred program on the first call: call it on the context's thread.
    GLuint Name() const;
    ShaderStage Stage() const { return stage; }
    bool Linked() const { return pendingGlsl.empty(); }

   private:
    mutable GLuint name = 0;
    ShaderStage stage;
    mutable std::string pendingGlsl;
    std::string label;
};

// Links GLSL source as a separable program. On failure returns null and fills `log`.
std::shared_ptr<ShaderProgram> CreateShaderProgram(ShaderStage stage, const std::string& glsl,
                                                   std::string& log);

// Keeps GLSL source to link when first bound: the driver's compile is paid only by programs
// that draw. For sources already compiled and translated, whose link the driver does not
// refuse in practice.
std::shared_ptr<ShaderProgram> DeferShaderProgram(ShaderStage stage, std::string glsl,
                                                  std::string label);

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
