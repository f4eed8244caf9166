#include "shaders/ShaderTranslator.h"

#include <spirv_cross/spirv_cross_c.h>

#include <cctype>

namespace {

struct ContextOwner {
    spvc_context context = nullptr;
    ~ContextOwner()
    {
        if (context)
            spvc_context_destroy(context);
    }
};

void CaptureError(void* userData, const char* message)
{
    *static_cast<std::string*>(userData) = message ? message : "";
}

}  // namespace

ShaderInput ParseSemantic(const std::string& semantic)
{
    ShaderInput input;
    size_t digits = semantic.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1])))
        --digits;
    input.semanticName = semantic.substr(0, digits);
    for (char& c : input.semanticName)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string index = semantic.substr(digits);
    // More than a few digits cannot be a real semantic index; keep it from overflowing.
    input.semanticIndex = index.empty() || index.size() > 6 ? 0 : std::stoul(index);
    if (index.size() > 6)
        input.semanticIndex = UINT32_MAX;
    return input;
}

bool TranslateToGlsl(const ShaderBytecode& code, TranslatedShader& out, std::string& errorText)
{
    out = TranslatedShader{};
    ContextOwner owner;
    if (spvc_context_create(&owner.context) != SPVC_SUCCESS) {
        errorText = "Cannot create the shader translator";
        return false;
    }
    std::string lastError;
    spvc_context_set_error_callback(owner.context, CaptureError, &lastError);
    auto fail = [&](const char* what) {
        errorText = lastError.empty() ? std::string(what) : lastError;
        return false;
    };

    spvc_parsed_ir ir = nullptr;
    if (code.empty() ||
        spvc_context_parse_spirv(owner.context, code.data(), code.size(), &ir) != SPVC_SUCCESS)
        return fail("Invalid shader bytecode");
    spvc_compiler compiler = nullptr;
    if (spvc_context_create_compiler(owner.context, SPVC_BACKEND_GLSL, ir,
                                     SPVC_CAPTURE_MODE_TAKE_OWNERSHIP, &compiler) != SPVC_SUCCESS)
        return fail("Invalid shader bytecode");

    switch (spvc_compiler_get_execution_model(compiler)) {
        case SpvExecutionModelVertex:
            out.stage = ShaderStage::Vertex;
            break;
        case SpvExecutionModelFragment:
            out.stage = ShaderStage::Pixel;
            break;
        default:
            errorText = "Shader bytecode is neither a vertex nor a pixel shader";
            return false;
    }

    spvc_compiler_options options = nullptr;
    if (spvc_compiler_create_compiler_options(compiler, &options) != SPVC_SUCCESS)
        return fail("Cannot set translator options");
    spvc_compiler_options_set_uint(options, SPVC_COMPILER_OPTION_GLSL_VERSION, 450);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_ES, SPVC_FALSE);
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_VULKAN_SEMANTICS, SPVC_FALSE);
    // Separable programs need the gl_PerVertex block declared.
    spvc_compiler_options_set_bool(options, SPVC_COMPILER_OPTION_GLSL_SEPARATE_SHADER_OBJECTS,
                                   SPVC_TRUE);
    spvc_compiler_install_compiler_options(compiler, options);

    // GLSL has no separate samplers: one combined sampler per texture, at the texture's unit.
    // A texture only read with Load or GetDimensions has no sampler of its own: it is paired
    // with a stand-in, whose filtering texelFetch ignores.
    spvc_variable_id dummySampler = 0;
    if (spvc_compiler_build_dummy_sampler_for_combined_images(compiler, &dummySampler) !=
            SPVC_SUCCESS ||
        spvc_compiler_build_combined_image_samplers(compiler) != SPVC_SUCCESS)
        return fail("Cannot combine textures and samplers");
    const spvc_combined_image_sampler* samplers = nullptr;
    size_t samplerCount = 0;
    spvc_compiler_get_combined_image_samplers(compiler, &samplers, &samplerCount);
    for (size_t i = 0; i < samplerCount; ++i) {
        unsigned binding =
            spvc_compiler_get_decoration(compiler, samplers[i].image_id, SpvDecorationBinding);
        spvc_compiler_set_decoration(compiler, samplers[i].combined_id, SpvDecorationBinding,
                                     binding);
    }

    spvc_resources resources = nullptr;
    if (spvc_compiler_create_shader_resources(compiler, &resources) != SPVC_SUCCESS)
        return fail("Cannot reflect shader resources");
    if (out.stage == ShaderStage::Vertex) {
        const spvc_reflected_resource* list = nullptr;
        size_t count = 0;
        spvc_resources_get_resource_list_for_type(resources, SPVC_RESOURCE_TYPE_STAGE_INPUT, &list,
                                                  &count);
        for (size_t i = 0; i < count; ++i) {
            const char* semantic = spvc_compiler_get_decoration_string(
                compiler, list[i].id, SpvDecorationHlslSemanticGOOGLE);
            ShaderInput input = ParseSemantic(semantic ? semantic : "");
            input.location =
                spvc_compiler_get_decoration(compiler, list[i].id, SpvDecorationLocation);
            out.inputs.push_back(std::move(input));
        }
    }

    const char* source = nullptr;
    if (spvc_compiler_compile(compiler, &source) != SPVC_SUCCESS || !source)
        return fail("Cannot translate shader");
    out.glsl = source;
    return true;
}
