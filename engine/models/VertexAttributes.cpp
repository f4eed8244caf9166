#include "models/VertexAttributes.h"

#include <cstring>

#include "models/MeshData.h"
#include "models/VertexFormat.h"

VertexAttributeOffsets AttributeOffsets(uint32_t format)
{
    using namespace vertexformat;
    VertexAttributeOffsets offsets;
    int32_t at = 0;
    auto place = [&](uint32_t bits, uint32_t bytes, int32_t& offset) {
        if ((format & bits) != bits)
            return;
        offset = at;
        at += static_cast<int32_t>(bytes);
    };
    place(kPosition, kPositionBytes, offsets.position);
    place(kNormal, kNormalBytes, offsets.normal);
    place(kTangentSpace, kTangentSpaceBytes, offsets.tangent);
    place(kTexCoord0, kTexCoord0Bytes, offsets.uv0);
    place(kTexSets, kTexSetsBytes, offsets.uvSets);
    place(kColors, kColorsBytes, offsets.colors);
    place(kBones, kBonesBytes, offsets.bones);
    offsets.stride = static_cast<uint32_t>(at);
    return offsets;
}

std::optional<Float3> ReadVertexFloat3(const MeshData& mesh, uint32_t vertex, int32_t offset)
{
    if (offset < 0 || mesh.stride == 0 || vertex >= mesh.vertexCount)
        return std::nullopt;
    const size_t start = static_cast<size_t>(vertex) * mesh.stride + static_cast<size_t>(offset);
    if (start + sizeof(Float3) > mesh.vertices.size())
        return std::nullopt;
    Float3 value;
    std::memcpy(value.data(), mesh.vertices.data() + start, sizeof(Float3));
    return value;
}
