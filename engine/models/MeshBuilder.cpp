#include <assimp/material.h>
#include <assimp/mesh.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "models/MaterialLook.h"
#include "models/MeshData.h"
#include "models/ModelImportContext.h"
#include "models/SharedVertices.h"
#include "models/VertexFormat.h"
#include "platform/Log.h"
#include "platform/ParallelFor.h"
#include "platform/Prefault.h"

namespace {

constexpr size_t kMaxMaterials = 8;
// Vertices packed, or measured, a stretch at a time on each core.
constexpr uint32_t kPackStretch = 65536;
constexpr int kWeightsPerVertex = 4;

// Bone indices (by position in the mesh's bone array) and weights of one vertex.
struct VertexWeights {
    uint32_t bones[kWeightsPerVertex] = {};
    float weights[kWeightsPerVertex] = {};
};

// Appends floats to the vertex bytes without a temporary float array.
class VertexWriter {
   public:
    explicit VertexWriter(uint8_t* out) : out(out) {}
    void Put(float value)
    {
        std::memcpy(out, &value, sizeof value);
        out += sizeof value;
    }
    void Put3And1(const aiVector3D& v)
    {
        Put(v.x);
        Put(v.y);
        Put(v.z);
        Put(1.0f);
    }
    void PutUv(const aiVector3D& v)
    {
        Put(v.x);
        Put(v.y);
    }

   private:
    uint8_t* out;
};

bool HasBones(const aiMesh& mesh)
{
    return mesh.mBones != nullptr && mesh.mNumBones > 0;
}

// A mesh without UVs has no tangents either (they follow the UVs). One made from the
// normal alone bends nothing, since a normal map read at one texel is flat or uniform,
// and it puts the mesh on the vertex variants that textured meshes use: a mesh with
// vertex colours has no variant without tangents.
bool MadeTangentSpace(const aiMesh& mesh)
{
    return !mesh.HasTextureCoords(0) && mesh.HasNormals() && !mesh.HasTangentsAndBitangents();
}

bool HasTangentSpace(const aiMesh& mesh)
{
    return mesh.HasTangentsAndBitangents() || MadeTangentSpace(mesh);
}

// Any tangent and bitangent that make a right angle with the normal and each other.
void TangentFrameOf(const aiVector3D& normal, aiVector3D& tangent, aiVector3D& bitangent)
{
    aiVector3D n = normal;
    if (n.SquareLength() < 1e-12f)
        n = aiVector3D(0.0f, 0.0f, 1.0f);
    n.Normalize();
    const aiVector3D axis = std::fabs(n.y) < 0.9f ? aiVector3D(0, 1, 0) : aiVector3D(1, 0, 0);
    tangent = (axis ^ n).Normalize();
    bitangent = n ^ tangent;
}

Matrix4 ToMatrix(const aiMatrix4x4& m)
{
    return {{{m.a1, m.a2, m.a3, m.a4},
             {m.b1, m.b2, m.b3, m.b4},
             {m.c1, m.c2, m.c3, m.c4},
             {m.d1, m.d2, m.d3, m.d4}}};
}

// Numbers the mesh's bones model-wide and gathers up to four weights per vertex.
std::vector<VertexWeights> GatherBoneWeights(const aiMesh& importedMesh,
                                             ModelImportContext* context)
{
    std::vector<VertexWeights> perVertex(importedMesh.mNumVertices);
    for (uint32_t b = 0; b < importedMesh.mNumBones; ++b) {
        const aiBone* bone = importedMesh.mBones[b];
        if (!bone)
            continue;
        if (context) {
            std::string boneName(bone->mName.C_Str(), bone->mName.length);
            if (context->boneNames.find(boneName) == context->boneNames.end()) {
                uint32_t index = context->boneCount++;
                BoneInfo info;
                info.offset = ToMatrix(bone->mOffsetMatrix);
                context->boneTable.push_back(info);
                context->boneNames.emplace(std::move(boneName), index);
            }
        }
        for (uint32_t w = 0; w < bone->mNumWeights && bone->mWeights; ++w) {
            const aiVertexWeight& weight = bone->mWeights[w];
            if (weight.mVertexId >= perVertex.size())
                continue;
            VertexWeights& slots = perVertex[weight.mVertexId];
            for (int s = 0; s < kWeightsPerVertex; ++s) {
                if (slots.weights[s] == 0.0f) {
                    slots.bones[s] = b;
                    slots.weights[s] = weight.mWeight;
                    break;
                }
            }
            // A fifth weight finds no free slot and is dropped.
        }
    }
    return perVertex;
}

void ComputeBounds(const aiMesh& importedMesh, MeshData& mesh)
{
    // Stretches of the vertices on all cores, their boxes then taken in order: the minimum
    // and maximum come out as one pass in vertex order gives them.
    struct Box {
        float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
        float high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
        void Add(const float coords[3])
        {
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], coords[axis]);
                high[axis] = std::max(high[axis], coords[axis]);
            }
        }
    };
    const uint32_t count = importedMesh.HasPositions() ? importedMesh.mNumVertices : 0;
    std::vector<Box> boxes((size_t{count} + kPackStretch - 1) / kPackStretch);
    platform::ParallelForStretches(count, kPackStretch,
                                   [&](size_t stretch, size_t first, size_t end) {
                                       // Kept in registers: the boxes of neighbouring
                                       // stretches share cache lines across the cores.
                                       Box local;
                                       for (size_t v = first; v < end; ++v) {
                                           const aiVector3D& p = importedMesh.mVertices[v];
                                           const float coords[3] = {p.x, p.y, p.z};
                                           local.Add(coords);
                                       }
                                       boxes[stretch] = local;
                                   });
    Box box;
    for (const Box& part : boxes)
        for (int axis = 0; axis < 3; ++axis) {
            box.low[axis] = std::min(box.low[axis], part.low[axis]);
            box.high[axis] = std::max(box.high[axis], part.high[axis]);
        }
    mesh.pointsMin = {box.low[0], box.low[1], box.low[2]};
    mesh.pointsMax = {box.high[0], box.high[1], box.high[2]};
    // The extents also take in the origin, so the box always contains it (a positive zero,
    // as a pass starting at the origin keeps it).
    float minimum[3], maximum[3];
    for (int axis = 0; axis < 3; ++axis) {
        minimum[axis] = std::min(0.0f, box.low[axis]);
        maximum[axis] = std::max(0.0f, box.high[axis]);
    }
    float half[3];
    for (int axis = 0; axis < 3; ++axis) {
        half[axis] = (maximum[axis] - minimum[axis]) * 0.5f;
        mesh.boundsCentre[axis] = minimum[axis] + half[axis];
        mesh.boxMin[axis] = minimum[axis];
        mesh.boxMax[axis] = maximum[axis];
    }
    // Only x and y decide the radius.
    mesh.boundsRadius = std::max(half[0], half[1]);
}

}  // namespace

VertexLayout ComputeVertexLayout(const aiMesh& importedMesh)
{
    using namespace vertexformat;
    VertexLayout layout{kTexCoord0, kTexCoord0Bytes};
    auto add = [&layout](bool present, uint32_t bits, uint32_t bytes) {
        if (present) {
            layout.format |= bits;
            layout.stride += bytes;
        }
    };
    add(importedMesh.HasPositions(), kPosition, kPositionBytes);
    add(importedMesh.HasNormals(), kNormal, kNormalBytes);
    add(HasTangentSpace(importedMesh), kTangentSpace, kTangentSpaceBytes);
    add(HasBones(importedMesh), kBones, kBonesBytes);
    add(importedMesh.HasTextureCoords(1), kTexSets, kTexSetsBytes);
    add(importedMesh.HasVertexColors(0), kColors, kColorsBytes);
    return layout;
}

namespace {

// What packing a mesh's vertices needs, worked out once for all its stretches.
struct VertexPacker {
    const aiMesh& mesh;
    bool positions = false, normals = false, tangentSpace = false, madeTangentSpace = false;
    bool hasUvs = false, texSets = false, colors = false, bones = false;
    std::vector<VertexWeights> weights{};

    // Vertices [first, end) to `out`, every byte written.
    void Pack(uint32_t first, uint32_t end, uint8_t* out) const
    {
        static const aiVector3D kMissingUv(0.0f, 0.0f, 0.0f);
        VertexWriter writer(out);
        for (uint32_t v = first; v < end; ++v) {
            if (positions)
                writer.Put3And1(mesh.mVertices[v]);
            if (normals)
                writer.Put3And1(mesh.mNormals[v]);
            if (madeTangentSpace) {
                aiVector3D tangent, bitangent;
                TangentFrameOf(mesh.mNormals[v], tangent, bitangent);
                writer.Put3And1(tangent);
                writer.Put3And1(bitangent);
            } else if (tangentSpace) {
                writer.Put3And1(mesh.mTangents[v]);
                writer.Put3And1(mesh.mBitangents[v]);
            }
            writer.PutUv(hasUvs ? mesh.mTextureCoords[0][v] : kMissingUv);
            if (texSets) {
                for (unsigned set = 1; set <= 3; ++set) {
                    const aiVector3D* uvs = mesh.mTextureCoords[set];
                    writer.PutUv(uvs ? uvs[v] : kMissingUv);
                }
            }
            if (colors) {
                // Colours come before the bone data; the input layouts use the same order.
                const aiColor4D& c = mesh.mColors[0][v];
                for (int copy = 0; copy < 4; ++copy) {
                    writer.Put(c.r);
                    writer.Put(c.g);
                    writer.Put(c.b);
                    writer.Put(c.a);
                }
            }
            if (bones) {
                // Bone indices travel as floats (0.0, 1.0, ...), as the shaders read them.
                for (uint32_t bone : weights[v].bones)
                    writer.Put(static_cast<float>(bone));
                for (float weight : weights[v].weights)
                    writer.Put(weight);
            }
        }
    }
};

// The mesh's format, stride and counts, with the messages about what it lacks; nothing for
// a mesh without vertices.
std::optional<VertexPacker> PreparePacking(const aiMesh& importedMesh, MeshData& mesh)
{
    if (importedMesh.mNumVertices == 0) {
        platform::ReportMessage("Error: No UV:s found", MessageLevelError);
        return std::nullopt;
    }
    // Many exporters leave UVs out of untextured meshes: they are drawn all the same, every
    // vertex at texture coordinate (0, 0), which shows the material's colour.
    VertexPacker packer{importedMesh};
    packer.hasUvs = importedMesh.HasTextureCoords(0);
    if (!packer.hasUvs) {
        platform::ReportMessage("Error: No UV:s found", MessageLevelError);
        platform::ReportMessage("Mesh '" + std::string(importedMesh.mName.C_Str()) +
                                    "' has no texture coordinates: drawn with its material colour",
                                MessageLevelInfo);
    }
    const VertexLayout layout = ComputeVertexLayout(importedMesh);
    packer.tangentSpace = HasTangentSpace(importedMesh);
    packer.madeTangentSpace = MadeTangentSpace(importedMesh);
    if (!packer.tangentSpace)
        platform::ReportMessage("Model is missing tangents and bitangents", MessageLevelError);

    mesh.materialIndex = importedMesh.mMaterialIndex;
    mesh.format = layout.format;
    mesh.stride = layout.stride;
    mesh.vertexCount = importedMesh.mNumVertices;
    mesh.vertexPlaces.clear();
    mesh.hasBones = HasBones(importedMesh) ? 1 : 0;
    mesh.uvSetMask = 0;
    for (unsigned set = 0; set < 4; ++set)
        if (importedMesh.HasTextureCoords(set))
            mesh.uvSetMask = static_cast<uint8_t>(mesh.uvSetMask | (1u << set));
    packer.bones = mesh.hasBones;
    if (packer.bones)
        packer.weights = GatherBoneWeights(importedMesh, mesh.context);
    packer.positions = importedMesh.HasPositions();
    packer.normals = importedMesh.HasNormals();
    packer.texSets = importedMesh.HasTextureCoords(1);
    packer.colors = importedMesh.HasVertexColors(0);
    return packer;
}

}  // namespace

uint32_t BuildMeshVertices(const aiMesh& importedMesh, MeshData& mesh)
{
    const std::optional<VertexPacker> packer = PreparePacking(importedMesh, mesh);
    if (!packer)
        return 0;
    // Every byte is written below, in stretches over both cores.
    const uint32_t count = mesh.vertexCount;
    mesh.vertices.clear();
    mesh.vertices.resize(size_t(count) * mesh.stride);
    platform::ParallelForStretches(count, kPackStretch, [&](size_t, size_t first, size_t end) {
        packer->Pack(static_cast<uint32_t>(first), static_cast<uint32_t>(end),
                     mesh.vertices.data() + first * mesh.stride);
    });
    ComputeBounds(importedMesh, mesh);
    return mesh.stride;
}

namespace {

// The mesh keeps its distinct vertices only; the packed ones are made a stretch at a time
// and never all held at once.
void BuildDistinctMeshVertices(const aiMesh& importedMesh, MeshData& mesh)
{
    const std::optional<VertexPacker> packer = PreparePacking(importedMesh, mesh);
    if (!packer)
        return;
    DistinctVertexSet distinct = DistinctVertices(
        mesh.vertexCount, mesh.stride, [&](uint32_t first, uint32_t end, VertexBytes& scratch) {
            scratch.resize(size_t{end - first} * mesh.stride);
            packer->Pack(first, end, scratch.data());
            return static_cast<const uint8_t*>(scratch.data());
        });
    mesh.vertices = std::move(distinct.vertices);
    mesh.vertexPlaces = std::move(distinct.places);
    ComputeBounds(importedMesh, mesh);
}

}  // namespace

void CollectMaterialTextures(const aiScene& scene, ModelImportContext& context)
{
    if (!context.materialTextures.empty())
        return;
    size_t count = scene.mNumMaterials;
    if (count > kMaxMaterials) {
        platform::ReportMessage(std::string("Sorry, only 8 different materials supported") +
                                    ", you have: " + std::to_string(count),
                                MessageLevelError);
        count = kMaxMaterials;
    }
    context.materialTextures.resize(count);
    for (size_t i = 0; i < count && scene.mMaterials; ++i) {
        const aiMaterial* material = scene.mMaterials[i];
        auto& list = context.materialTextures[i];
        // Diffuse, specular, ambient, emissive, height, normals, shininess, opacity,
        // displacement, lightmap, reflection.
        for (int type = aiTextureType_DIFFUSE; type <= aiTextureType_REFLECTION; ++type) {
            aiString path;
            unsigned int uvIndex = 0;
            if (material && aiGetMaterialTexture(material, static_cast<aiTextureType>(type), 0,
                                                 &path, nullptr, &uvIndex, nullptr, nullptr,
                                                 nullptr, nullptr) == aiReturn_SUCCESS) {
                list.push_back({BareTextureFileName(path.C_Str()), uvIndex});
            } else {
                list.push_back({});
            }
        }
    }
}

void BuildMesh(ModelImportContext& context, MeshData& mesh, const aiMesh& importedMesh,
               const aiScene& scene)
{
    if (!mesh.context)
        mesh.context = &context;
    mesh.importedMesh = &importedMesh;
    BuildDistinctMeshVertices(importedMesh, mesh);
    // The mesh is drawn as a triangle list: a line's or a point's indices would run into
    // the triangles after them and draw shapes that are not in the file.
    size_t triangles = 0;
    for (uint32_t f = 0; importedMesh.mFaces && f < importedMesh.mNumFaces; ++f)
        triangles += importedMesh.mFaces[f].mNumIndices == 3;
    platform::ReservePrefaulted(mesh.indices, 3 * triangles);
    for (uint32_t f = 0; importedMesh.mFaces && f < importedMesh.mNumFaces; ++f) {
        const aiFace& face = importedMesh.mFaces[f];
        if (face.mNumIndices == 3 && face.mIndices)
            mesh.indices.insert(mesh.indices.end(), face.mIndices, face.mIndices + 3);
    }
    if (triangles < importedMesh.mNumFaces)
        platform::ReportMessage("Mesh '" + std::string(importedMesh.mName.C_Str()) +
                                    "': " + std::to_string(importedMesh.mNumFaces - triangles) +
                                    " lines and points not drawn, only its triangles",
                                MessageLevelInfo);
    CollectMaterialTextures(scene, context);
}
