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

int32_t UvSetOffset(const VertexAttributeOffsets& offsets, uint32_t set)
{
    if (set == 0)
        return offsets.uv0;
    if (set > 3 || offsets.uvSets < 0)
        return -1;
    return offsets.uvSets + static_cast<int32_t>((set - 1) * 2 * sizeof(float));
}

namespace {

template <size_t N>
std::optional<std::array<float, N>> ReadVertexFloats(const MeshData& mesh, uint32_t vertex,
                                                     int32_t offset)
{
    const uint8_t* bytes = mesh.VertexAt(vertex);
    if (offset < 0 || !bytes || static_cast<size_t>(offset) + N * sizeof(float) > mesh.stride)
        return std::nullopt;
    std::array<float, N> value;
    std::memcpy(value.data(), bytes + offset, N * sizeof(float));
    return value;
}

}  // namespace

std::optional<Float3> ReadVertexFloat3(const MeshData& mesh, uint32_t vertex, int32_t offset)
{
    return ReadVertexFloats<3>(mesh, vertex, offset);
}

std::optional<std::array<float, 2>> ReadVertexFloat2(const MeshData& mesh, uint32_t vertex,
                                                     int32_t offset)
{
    return ReadVertexFloats<2>(mesh, vertex, offset);
}
