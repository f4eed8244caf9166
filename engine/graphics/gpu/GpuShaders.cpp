#include "graphics/gpu/GpuShaders.h"

#include "graphics/gpu/GpuDevice.h"
#include "platform/DebugOutput.h"

namespace gpu {

namespace {

// A separable program of one stage, or 0 with the driver's log.
GLuint LinkSeparable(ShaderStage stage, const std::string& glsl, std::string& log)
{
    log.clear();
    const char* source = glsl.c_str();
    const GLenum type = stage == ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER;
    GLuint program = glCreateShaderProgramv(type, 1, &source);
    if (program == 0) {
        log = "the driver could not create a shader program";
        return 0;
    }
    GLint linked = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        log.resize(length > 0 ? static_cast<size_t>(length) : 0);
        if (length > 0)
            glGetProgramInfoLog(program, length, nullptr, log.data());
        while (!log.empty() && (log.back() == '\0' || log.back() == '\n'))
            log.pop_back();
        if (log.empty())
            log = "the driver refused the translated shader";
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

}  // namespace

ShaderProgram::ShaderProgram(GLuint name, ShaderStage stage) : name(name), stage(stage)
{
    CountCreated(ObjectKind::Program, name);
}

ShaderProgram::ShaderProgram(ShaderStage stage, std::string glsl, std::string label)
    : stage(stage), pendingGlsl(std::move(glsl)), label(std::move(label))
{
}

ShaderProgram::~ShaderProgram()
{
    if (name != 0)
        QueueRelease(ObjectKind::Program, name);
}

GLuint ShaderProgram::Name() const
{
    if (!pendingGlsl.empty()) {
        std::string log;
        name = LinkSeparable(stage, pendingGlsl, log);
        pendingGlsl.clear();
        pendingGlsl.shrink_to_fit();
        if (name != 0)
            CountCreated(ObjectKind::Program, name);
        else
            platform::DebugOutput(label + ": " + log);
    }
    return name;
}

std::shared_ptr<ShaderProgram> CreateShaderProgram(ShaderStage stage, const std::string& glsl,
                                                   std::string& log)
{
    const GLuint program = LinkSeparable(stage, glsl, log);
    if (program == 0)
        return nullptr;
    return std::make_shared<ShaderProgram>(program, stage);
}

std::shared_ptr<ShaderProgram> DeferShaderProgram(ShaderStage stage, std::string glsl,
                                                  std::string label)
{
    if (glsl.empty())
        return nullptr;
    return std::make_shared<ShaderProgram>(stage, std::move(glsl), std::move(label));
}

InputLayout::InputLayout(GLuint vertexArray) : vertexArray(vertexArray)
{
    CountCreated(ObjectKind::VertexArray, vertexArray);
}

InputLayout::~InputLayout()
{
    QueueRelease(ObjectKind::VertexArray, vertexArray);
}

std::shared_ptr<InputLayout> CreateInputLayout(const std::vector<InputAttribute>& attributes)
{
    ClearGlErrors();
    GLuint vertexArray = 0;
    glCreateVertexArrays(1, &vertexArray);
    if (vertexArray == 0)
        return nullptr;
    for (const InputAttribute& attribute : attributes) {
        glEnableVertexArrayAttrib(vertexArray, attribute.location);
        if (attribute.integer)
            glVertexArrayAttribIFormat(vertexArray, attribute.location, attribute.components,
                                       GL_UNSIGNED_INT, attribute.offset);
        else
            glVertexArrayAttribFormat(vertexArray, attribute.location, attribute.components,
                                      GL_FLOAT, GL_FALSE, attribute.offset);
        glVertexArrayAttribBinding(vertexArray, attribute.location, 0);
    }
    if (glGetError() != GL_NO_ERROR) {
        glDeleteVertexArrays(1, &vertexArray);
        return nullptr;
    }
    return std::make_shared<InputLayout>(vertexArray);
}

}  // namespace gpu
