#include "models/LargeMeshSplit.h"

#include <assimp/scene.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "models/FacePrimitive.h"
#include "platform/ParallelFor.h"

namespace {

struct Piece {
    unsigned firstFace = 0, endFace = 0;
    size_t firstVertex = 0;  // into the plan's source list
    unsigned vertexCount = 0;
};

// Which faces each piece takes and which source vertex each of its vertices copies. The
// faces' indices are renumbered in place: every face keeps its index array.
struct Plan {
    std::vector<Piece> pieces;
    std::vector<uint32_t> source;
};

Plan PlanPieces(aiMesh& mesh, unsigned limit)
{
    Plan plan;
    std::vector<uint32_t> pieceOf(mesh.mNumVertices, UINT32_MAX), numberIn(mesh.mNumVertices);
    plan.source.reserve(mesh.mNumVertices);
    unsigned face = 0;
    do {
        Piece piece;
        piece.firstFace = face;
        piece.firstVertex = plan.source.size();
        const uint32_t id = static_cast<uint32_t>(plan.pieces.size());
        while (face < mesh.mNumFaces) {
            aiFace& f = mesh.mFaces[face];
            // A corner repeated in the face counts twice, as the library counts it.
            unsigned need = 0;
            for (unsigned c = 0; c < f.mNumIndices; ++c)
                need += pieceOf[f.mIndices[c]] != id;
            // A face too large for any piece goes alone, where the library would never end.
            if (piece.vertexCount + need > limit && face > piece.firstFace)
                break;
            for (unsigned c = 0; c < f.mNumIndices; ++c) {
                const uint32_t v = f.mIndices[c];
                if (pieceOf[v] != id) {
                    pieceOf[v] = id;
                    numberIn[v] = piece.vertexCount++;
                    plan.source.push_back(v);
                }
                f.mIndices[c] = numberIn[v];
            }
            ++face;
            if (piece.vertexCount >= limit)
                break;
        }
        piece.endFace = face;
        plan.pieces.push_back(piece);
    } while (face < mesh.mNumFaces);
    return plan;
}

template <typename T>
void CopyInto(T*& to, const T* from, const uint32_t* source, unsigned count)
{
    to = new T[count];
    for (unsigned i = 0; i < count; ++i)
        to[i] = from[source[i]];
}

// The pieces of one mesh, their vertex arrays to be filled by `tasks`.
std::vector<aiMesh*> Split(aiMesh& mesh, const Plan& plan,
                           std::vector<std::function<void()>>& tasks)
{
    std::vector<aiMesh*> pieces;
    for (const Piece& piece : plan.pieces) {
        aiMesh* out = new aiMesh;
        pieces.push_back(out);
        out->mName = mesh.mName;
        out->mMaterialIndex = mesh.mMaterialIndex;
        out->mNumVertices = piece.vertexCount;
        out->mNumFaces = piece.endFace - piece.firstFace;
        const uint32_t* source = plan.source.data() + piece.firstVertex;
        const unsigned n = piece.vertexCount;
        auto copy = [&tasks, source, n](auto& to, const auto* from) {
            tasks.push_back([&to, from, source, n] { CopyInto(to, from, source, n); });
        };
        copy(out->mVertices, mesh.mVertices);
        if (mesh.HasNormals())
            copy(out->mNormals, mesh.mNormals);
        if (mesh.HasTangentsAndBitangents()) {
            copy(out->mTangents, mesh.mTangents);
            copy(out->mBitangents, mesh.mBitangents);
        }
        for (unsigned c = 0; c < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++c)
            if (mesh.HasTextureCoords(c)) {
                out->mNumUVComponents[c] = mesh.mNumUVComponents[c];
                copy(out->mTextureCoords[c], mesh.mTextureCoords[c]);
            }
        for (unsigned c = 0; c < AI_MAX_NUMBER_OF_COLOR_SETS; ++c)
            if (mesh.HasVertexColors(c))
                copy(out->mColors[c], mesh.mColors[c]);
        tasks.push_back([out, &mesh, piece] {
            out->mFaces = new aiFace[out->mNumFaces];
            for (unsigned f = 0; f < out->mNumFaces; ++f) {
                aiFace& from = mesh.mFaces[piece.firstFace + f];
                out->mFaces[f].mNumIndices = from.mNumIndices;
                out->mFaces[f].mIndices = from.mIndices;
                from.mIndices = nullptr;
                from.mNumIndices = 0;
                out->mPrimitiveTypes |= FacePrimitiveType(out->mFaces[f].mNumIndices);
            }
        });
    }
    return pieces;
}

void RenumberNode(aiNode& node, const std::vector<std::vector<unsigned>>& newIndices)
{
    std::vector<unsigned> meshes;
    for (unsigned i = 0; i < node.mNumMeshes; ++i)
        if (node.mMeshes[i] < newIndices.size())
            meshes.insert(meshes.end(), newIndices[node.mMeshes[i]].begin(),
                          newIndices[node.mMeshes[i]].end());
    delete[] node.mMeshes;
    node.mNumMeshes = static_cast<unsigned>(meshes.size());
    node.mMeshes = new unsigned[meshes.size()];
    std::copy(meshes.begin(), meshes.end(), node.mMeshes);
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        if (node.mChildren[c])
            RenumberNode(*node.mChildren[c], newIndices);
}

}  // namespace

bool SplitMeshesByVertexCount(aiScene& scene, unsigned limit)
{
    if (!scene.mMeshes)
        return true;
    bool anyLarge = false;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        const aiMesh* mesh = scene.mMeshes[m];
        // The library leaves a scene with a mesh of points alone.
        if (!mesh || mesh->mPrimitiveTypes == aiPrimitiveType_POINT)
            return true;
        if (mesh->mNumVertices > limit) {
            if (mesh->HasBones())
                return false;
            anyLarge = anyLarge || mesh->mVertices;
        }
    }
    if (!anyLarge)
        return true;

    std::vector<aiMesh*> meshes;
    std::vector<std::vector<unsigned>> newIndices(scene.mNumMeshes);
    std::vector<aiMesh*> replaced;
    std::vector<Plan> plans;
    plans.reserve(scene.mNumMeshes);  // the tasks read the plans where they lie
    std::vector<std::function<void()>> tasks;
    for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
        aiMesh* mesh = scene.mMeshes[m];
        if (mesh->mNumVertices <= limit || !mesh->mVertices) {
            newIndices[m].push_back(static_cast<unsigned>(meshes.size()));
            meshes.push_back(mesh);
            continue;
        }
        plans.push_back(PlanPieces(*mesh, limit));
        for (aiMesh* piece : Split(*mesh, plans.back(), tasks)) {
            newIndices[m].push_back(static_cast<unsigned>(meshes.size()));
            meshes.push_back(piece);
        }
        replaced.push_back(mesh);
    }
    platform::ParallelFor(tasks.size(), [&](size_t t) { tasks[t](); });
    for (aiMesh* mesh : replaced)
        delete mesh;

    // Also where a mesh became a single piece: the list must not name the mesh let go of.
    delete[] scene.mMeshes;
    scene.mNumMeshes = static_cast<unsigned>(meshes.size());
    scene.mMeshes = new aiMesh*[meshes.size()];
    std::copy(meshes.begin(), meshes.end(), scene.mMeshes);
    if (scene.mRootNode)
        RenumberNode(*scene.mRootNode, newIndices);
    return true;
}
