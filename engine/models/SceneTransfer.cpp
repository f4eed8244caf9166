#include "models/SceneTransfer.h"

#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kMagic = 0x564e5331;  // "VNS1"
// Nested metadata deeper than this is not handed over; the engine reads one level.
constexpr int kMaxMetadataDepth = 8;
// The large arrays (vertices, faces, bone weights, texture data, animation keys) start at a
// multiple of this from the scene's first byte, so that they can be read where they lie.
constexpr size_t kArrayAlignment = 8;

// Small items gather in a buffer; with a sink, the buffer goes out whenever it fills and a
// large array goes out straight from the scene's memory, so a large model's arrays are never
// copied into a second buffer of their own size.
class Writer {
   public:
    using Sink = std::function<bool(std::string_view)>;
    explicit Writer(Sink sink = {}) : sink(std::move(sink)) {}

    template <typename T>
    void Put(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        Append(reinterpret_cast<const char*>(&value), sizeof(T));
    }
    template <typename T>
    void PutArray(const T* values, size_t count)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        if (values && count)
            Append(reinterpret_cast<const char*>(values), sizeof(T) * count);
    }
    void PutString(const aiString& text)
    {
        const uint32_t length = std::min<uint32_t>(text.length, MAXLEN - 1);
        Put(length);
        Append(text.data, length);
    }
    // Zero bytes up to the next multiple of kArrayAlignment from the start.
    void PadForArray()
    {
        static constexpr char zeros[kArrayAlignment] = {};
        Append(zeros, (kArrayAlignment - written % kArrayAlignment) % kArrayAlignment);
    }
    // Hands what is buffered to the sink; false once the sink has refused anything.
    bool Flush()
    {
        if (sink && !bytes.empty()) {
            sent = sent && sink(bytes);
            bytes.clear();
        }
        return sent;
    }
    std::string bytes;

   private:
    static constexpr size_t kBufferBytes = size_t{1} << 20;

    void Append(const char* data, size_t size)
    {
        written += size;
        if (sink && size >= kBufferBytes / 4) {
            Flush();
            sent = sent && sink(std::string_view(data, size));
            return;
        }
        bytes.append(data, size);
        if (sink && bytes.size() >= kBufferBytes)
            Flush();
    }

    Sink sink;
    bool sent = true;
    size_t written = 0;
};

class Reader {
   public:
    // With `borrow`, the large arrays that lie aligned in `data` are used where they are.
    Reader(std::string_view data, bool borrow)
        : begin(data.data()), at(data.data()), end(data.data() + data.size()), borrow(borrow)
    {
    }

    template <typename T>
    T Get()
    {
        T value{};
        GetArray(&value, 1);
        return value;
    }
    // Whether `count` items of `size` bytes remain: checked before anything is allocated.
    bool Holds(uint64_t count, size_t size)
    {
        if (failed || count > static_cast<uint64_t>(end - at) / size)
            failed = true;
        return !failed;
    }
    template <typename T>
    bool GetArray(T* out, uint64_t count)
    {
        if (!Holds(count, sizeof(T)))
            return false;
        if (count)
            std::memcpy(out, at, sizeof(T) * count);
        at += sizeof(T) * count;
        return true;
    }
    // A count of items of at least `size` bytes each; zero when the bytes cannot hold them.
    uint32_t GetCount(size_t size)
    {
        const uint32_t count = Get<uint32_t>();
        return Holds(count, size) ? count : 0;
    }
    void GetString(aiString& text)
    {
        const uint32_t length = Get<uint32_t>();
        if (length >= MAXLEN || !Holds(length, 1)) {
            failed = true;
            return;
        }
        text.length = length;
        std::memcpy(text.data, at, length);
        text.data[length] = '\0';
        at += length;
    }
    template <typename T>
    T* GetNewArray(uint32_t count)
    {
        if (count == 0 || !Holds(count, sizeof(T)))
            return nullptr;
        T* values = new T[count];
        GetArray(values, count);
        return values;
    }
    // A large array: where it lies in the bytes when they are borrowed and it is aligned
    // for its type, else a copy.
    template <typename T>
    T* GetLargeArray(uint32_t count)
    {
        if (!borrow || reinterpret_cast<uintptr_t>(at) % alignof(T) != 0)
            return GetNewArray<T>(count);
        if (count == 0 || !Holds(count, sizeof(T)))
            return nullptr;
        // Never written through: the scene is handed on as const.
        T* values = reinterpret_cast<T*>(const_cast<char*>(at));
        at += sizeof(T) * count;
        return values;
    }
    void SkipPadForArray()
    {
        const size_t pad =
            (kArrayAlignment - static_cast<size_t>(at - begin) % kArrayAlignment) % kArrayAlignment;
        if (Holds(pad, 1))
            at += pad;
    }
    bool failed = false;
    bool AtEnd() const { return at == end; }

   private:
    const char* begin;
    const char* at;
    const char* end;
    bool borrow;
};

void PutMetadata(Writer& out, const aiMetadata* metadata, int depth)
{
    const uint32_t count = metadata && depth < kMaxMetadataDepth ? metadata->mNumProperties : 0;
    out.Put(count);
    for (uint32_t i = 0; i < count; ++i) {
        const aiMetadataEntry& entry = metadata->mValues[i];
        out.PutString(metadata->mKeys[i]);
        const uint32_t type = entry.mData ? entry.mType : AI_META_MAX;
        out.Put(type);
        switch (type) {
            case AI_BOOL:
                out.Put<uint8_t>(*static_cast<const bool*>(entry.mData));
                break;
            case AI_INT32:
                out.Put(*static_cast<const int32_t*>(entry.mData));
                break;
            case AI_UINT64:
                out.Put(*static_cast<const uint64_t*>(entry.mData));
                break;
            case AI_FLOAT:
                out.Put(*static_cast<const float*>(entry.mData));
                break;
            case AI_DOUBLE:
                out.Put(*static_cast<const double*>(entry.mData));
                break;
            case AI_AISTRING:
                out.PutString(*static_cast<const aiString*>(entry.mData));
                break;
            case AI_AIVECTOR3D:
                out.Put(*static_cast<const aiVector3D*>(entry.mData));
                break;
            case AI_AIMETADATA:
                PutMetadata(out, static_cast<const aiMetadata*>(entry.mData), depth + 1);
                break;
            default:
                break;
        }
    }
}

aiMetadata* GetMetadata(Reader& in, int depth)
{
    const uint32_t count = in.GetCount(8);
    if (count == 0 || depth >= kMaxMetadataDepth)
        return nullptr;
    aiMetadata* metadata = aiMetadata::Alloc(count);
    for (uint32_t i = 0; i < count && !in.failed; ++i) {
        in.GetString(metadata->mKeys[i]);
        aiMetadataEntry& entry = metadata->mValues[i];
        const uint32_t type = in.Get<uint32_t>();
        entry.mType = type < AI_META_MAX ? static_cast<aiMetadataType>(type) : AI_META_MAX;
        switch (type) {
            case AI_BOOL:
                entry.mData = new bool(in.Get<uint8_t>() != 0);
                break;
            case AI_INT32:
                entry.mData = new int32_t(in.Get<int32_t>());
                break;
            case AI_UINT64:
                entry.mData = new uint64_t(in.Get<uint64_t>());
                break;
            case AI_FLOAT:
                entry.mData = new float(in.Get<float>());
                break;
            case AI_DOUBLE:
                entry.mData = new double(in.Get<double>());
                break;
            case AI_AISTRING: {
                auto* text = new aiString;
                in.GetString(*text);
                entry.mData = text;
                break;
            }
            case AI_AIVECTOR3D:
                entry.mData = new aiVector3D(in.Get<aiVector3D>());
                break;
            case AI_AIMETADATA: {
                aiMetadata* nested = GetMetadata(in, depth + 1);
                entry.mData = nested ? nested : new aiMetadata;
                break;
            }
            default:
                break;
        }
    }
    return metadata;
}

// Nodes in depth-first order, each followed by its children: no recursion, so a deep
// hierarchy cannot exhaust the stack on either side.
void PutNodes(Writer& out, const aiNode* root)
{
    std::vector<const aiNode*> pending;
    if (root)
        pending.push_back(root);
    out.Put<uint32_t>(root ? 1 : 0);
    while (!pending.empty()) {
        const aiNode* node = pending.back();
        pending.pop_back();
        out.PutString(node->mName);
        out.Put(node->mTransformation);
        out.Put(node->mNumMeshes);
        out.PutArray(node->mMeshes, node->mMeshes ? node->mNumMeshes : 0);
        PutMetadata(out, node->mMetaData, 0);
        const uint32_t children = node->mChildren ? node->mNumChildren : 0;
        out.Put(children);
        for (uint32_t c = children; c-- > 0;)
            pending.push_back(node->mChildren[c]);
    }
}

aiNode* GetNodes(Reader& in)
{
    if (in.Get<uint32_t>() == 0)
        return nullptr;
    struct Open {
        aiNode* node;
        uint32_t filled;
    };
    auto* root = new aiNode;
    std::vector<Open> open;
    aiNode* next = root;
    while (next && !in.failed) {
        aiNode* node = next;
        next = nullptr;
        in.GetString(node->mName);
        node->mTransformation = in.Get<aiMatrix4x4>();
        const uint32_t meshes = in.GetCount(sizeof(unsigned));
        node->mMeshes = in.GetNewArray<unsigned>(meshes);
        node->mNumMeshes = node->mMeshes ? meshes : 0;
        node->mMetaData = GetMetadata(in, 0);
        // Each node takes at least its name length, matrix and counts.
        const uint32_t children = in.GetCount(sizeof(aiMatrix4x4));
        if (children) {
            node->mChildren = new aiNode*[children]();
            node->mNumChildren = children;
            open.push_back({node, 0});
        }
        while (!open.empty() && open.back().filled == open.back().node->mNumChildren)
            open.pop_back();
        if (!open.empty()) {
            Open& parent = open.back();
            next = new aiNode;
            next->mParent = parent.node;
            parent.node->mChildren[parent.filled++] = next;
        }
    }
    if (in.failed) {
        // Children never filled are null: close the lists so the tree frees cleanly.
        for (Open& parent : open)
            parent.node->mNumChildren = parent.filled;
    }
    return root;
}

void PutMesh(Writer& out, const aiMesh& mesh)
{
    out.PutString(mesh.mName);
    out.Put(mesh.mPrimitiveTypes);
    out.Put(mesh.mMaterialIndex);
    const uint32_t vertices = mesh.mNumVertices;
    out.Put(vertices);
    uint32_t present = 0;
    const auto mark = [&](const void* array, int bit) {
        if (array)
            present |= 1u << bit;
    };
    mark(mesh.mVertices, 0);
    mark(mesh.mNormals, 1);
    mark(mesh.mTangents && mesh.mBitangents ? mesh.mTangents : nullptr, 2);
    for (int c = 0; c < AI_MAX_NUMBER_OF_COLOR_SETS; ++c)
        mark(mesh.mColors[c], 3 + c);
    for (int t = 0; t < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++t)
        mark(mesh.mTextureCoords[t], 3 + AI_MAX_NUMBER_OF_COLOR_SETS + t);
    out.Put(present);
    out.PadForArray();
    out.PutArray(mesh.mVertices, vertices);
    out.PutArray(mesh.mNormals, vertices);
    if (present & 4) {
        out.PutArray(mesh.mTangents, vertices);
        out.PutArray(mesh.mBitangents, vertices);
    }
    for (int c = 0; c < AI_MAX_NUMBER_OF_COLOR_SETS; ++c)
        out.PutArray(mesh.mColors[c], vertices);
    for (int t = 0; t < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++t) {
        if (!mesh.mTextureCoords[t])
            continue;
        out.Put(mesh.mNumUVComponents[t]);
        out.PutArray(mesh.mTextureCoords[t], vertices);
    }
    const uint32_t faces = mesh.mFaces ? mesh.mNumFaces : 0;
    out.Put(faces);
    for (uint32_t f = 0; f < faces; ++f)
        out.Put(mesh.mFaces[f].mIndices ? mesh.mFaces[f].mNumIndices : 0u);
    for (uint32_t f = 0; f < faces; ++f)
        out.PutArray(mesh.mFaces[f].mIndices, mesh.mFaces[f].mNumIndices);
    const uint32_t bones = mesh.mBones ? mesh.mNumBones : 0;
    out.Put(bones);
    for (uint32_t b = 0; b < bones; ++b) {
        const aiBone& bone = *mesh.mBones[b];
        out.PutString(bone.mName);
        out.Put(bone.mOffsetMatrix);
        const uint32_t weights = bone.mWeights ? bone.mNumWeights : 0;
        out.Put(weights);
        out.PadForArray();
        out.PutArray(bone.mWeights, weights);
    }
}

template <typename T>
T* GetVertexArray(Reader& in, uint32_t present, int bit, uint32_t vertices)
{
    return (present >> bit) & 1 ? in.GetLargeArray<T>(vertices) : nullptr;
}

aiMesh* GetMesh(Reader& in)
{
    auto* mesh = new aiMesh;
    in.GetString(mesh->mName);
    mesh->mPrimitiveTypes = in.Get<uint32_t>();
    mesh->mMaterialIndex = in.Get<uint32_t>();
    const uint32_t vertices = in.Get<uint32_t>();
    const uint32_t present = in.Get<uint32_t>();
    in.SkipPadForArray();
    if (present != 0 && !in.Holds(vertices, sizeof(aiVector3D)))
        return mesh;
    mesh->mNumVertices = vertices;
    mesh->mVertices = GetVertexArray<aiVector3D>(in, present, 0, vertices);
    mesh->mNormals = GetVertexArray<aiVector3D>(in, present, 1, vertices);
    mesh->mTangents = GetVertexArray<aiVector3D>(in, present, 2, vertices);
    mesh->mBitangents = GetVertexArray<aiVector3D>(in, present, 2, vertices);
    for (int c = 0; c < AI_MAX_NUMBER_OF_COLOR_SETS; ++c)
        mesh->mColors[c] = GetVertexArray<aiColor4D>(in, present, 3 + c, vertices);
    for (int t = 0; t < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++t) {
        if (!((present >> (3 + AI_MAX_NUMBER_OF_COLOR_SETS + t)) & 1))
            continue;
        mesh->mNumUVComponents[t] = in.Get<uint32_t>();
        mesh->mTextureCoords[t] = in.GetLargeArray<aiVector3D>(vertices);
    }
    const uint32_t faces = in.GetCount(sizeof(uint32_t));
    if (faces) {
        std::vector<uint32_t> counts(faces);
        in.GetArray(counts.data(), faces);
        uint64_t indices = 0;
        for (uint32_t count : counts)
            indices += count;
        if (in.Holds(indices, sizeof(unsigned))) {
            mesh->mFaces = new aiFace[faces];
            mesh->mNumFaces = faces;
            for (uint32_t f = 0; f < faces; ++f) {
                aiFace& face = mesh->mFaces[f];
                face.mIndices = in.GetLargeArray<unsigned>(counts[f]);
                face.mNumIndices = face.mIndices ? counts[f] : 0;
            }
        }
    }
    const uint32_t bones = in.GetCount(sizeof(aiMatrix4x4));
    if (bones) {
        mesh->mBones = new aiBone*[bones]();
        mesh->mNumBones = bones;
        for (uint32_t b = 0; b < bones; ++b) {
            auto* bone = mesh->mBones[b] = new aiBone;
            in.GetString(bone->mName);
            bone->mOffsetMatrix = in.Get<aiMatrix4x4>();
            const uint32_t weights = in.Get<uint32_t>();
            in.SkipPadForArray();
            bone->mWeights = in.GetLargeArray<aiVertexWeight>(weights);
            bone->mNumWeights = bone->mWeights ? weights : 0;
        }
    }
    return mesh;
}

void PutMaterial(Writer& out, const aiMaterial& material)
{
    const uint32_t count = material.mProperties ? material.mNumProperties : 0;
    out.Put(count);
    for (uint32_t p = 0; p < count; ++p) {
        const aiMaterialProperty& property = *material.mProperties[p];
        out.PutString(property.mKey);
        out.Put(property.mSemantic);
        out.Put(property.mIndex);
        out.Put(static_cast<uint32_t>(property.mType));
        const uint32_t length = property.mData ? property.mDataLength : 0;
        out.Put(length);
        out.PutArray(property.mData, length);
    }
}

aiMaterial* GetMaterial(Reader& in)
{
    auto* material = new aiMaterial;
    const uint32_t count = in.GetCount(20);
    for (uint32_t p = 0; p < count && !in.failed; ++p) {
        aiString key;
        in.GetString(key);
        const auto semantic = in.Get<uint32_t>();
        const auto index = in.Get<uint32_t>();
        const auto type = static_cast<aiPropertyTypeInfo>(in.Get<uint32_t>());
        const uint32_t length = in.GetCount(1);
        std::vector<char> data(length);
        if (in.GetArray(data.data(), length) && length > 0)
            material->AddBinaryProperty(data.data(), length, key.C_Str(), semantic, index, type);
    }
    return material;
}

uint64_t TextureBytes(const aiTexture& texture)
{
    return texture.mHeight == 0 ? texture.mWidth
                                : uint64_t{texture.mWidth} * texture.mHeight * sizeof(aiTexel);
}

void PutTexture(Writer& out, const aiTexture& texture)
{
    out.Put(texture.mWidth);
    out.Put(texture.mHeight);
    out.PutArray(texture.achFormatHint, sizeof(texture.achFormatHint));
    out.PutString(texture.mFilename);
    const bool hasData = texture.pcData != nullptr;
    out.Put<uint8_t>(hasData);
    out.PadForArray();
    if (hasData)
        out.PutArray(reinterpret_cast<const char*>(texture.pcData), TextureBytes(texture));
}

aiTexture* GetTexture(Reader& in)
{
    auto* texture = new aiTexture;
    texture->mWidth = in.Get<uint32_t>();
    texture->mHeight = in.Get<uint32_t>();
    in.GetArray(texture->achFormatHint, sizeof(texture->achFormatHint));
    texture->achFormatHint[sizeof(texture->achFormatHint) - 1] = '\0';
    in.GetString(texture->mFilename);
    const uint64_t bytes = TextureBytes(*texture);
    const bool hasData = in.Get<uint8_t>() != 0;
    in.SkipPadForArray();
    if (hasData && bytes % sizeof(aiTexel) == 0 && bytes / sizeof(aiTexel) <= UINT32_MAX &&
        in.Holds(bytes, 1)) {
        texture->pcData = in.GetLargeArray<aiTexel>(static_cast<uint32_t>(bytes / sizeof(aiTexel)));
    } else if (hasData && in.Holds(bytes, 1)) {
        texture->pcData = new aiTexel[(bytes + sizeof(aiTexel) - 1) / sizeof(aiTexel)];
        in.GetArray(reinterpret_cast<char*>(texture->pcData), bytes);
    } else {
        texture->mWidth = texture->mHeight = 0;
    }
    return texture;
}

// Rotation keys have no padding and go as they are. A position or scaling key has four
// bytes of padding after its value, which the library leaves as its heap had them: copied
// through a zeroed buffer, the answer carries none of the worker's memory and is the same
// for the same file.
void PutKeys(Writer& out, const aiQuatKey* keys, uint32_t count)
{
    out.PutArray(keys, count);
}

void PutKeys(Writer& out, const aiVectorKey* keys, uint32_t count)
{
    std::array<aiVectorKey, 256> clean;
    std::memset(static_cast<void*>(clean.data()), 0, sizeof(clean));
    for (uint32_t first = 0; first < count; first += clean.size()) {
        const uint32_t n = std::min<uint32_t>(clean.size(), count - first);
        for (uint32_t k = 0; k < n; ++k) {
            clean[k].mTime = keys[first + k].mTime;
            clean[k].mValue = keys[first + k].mValue;
        }
        out.PutArray(clean.data(), n);
    }
}

void PutAnimation(Writer& out, const aiAnimation& animation)
{
    out.PutString(animation.mName);
    out.Put(animation.mDuration);
    out.Put(animation.mTicksPerSecond);
    const uint32_t channels = animation.mChannels ? animation.mNumChannels : 0;
    out.Put(channels);
    for (uint32_t c = 0; c < channels; ++c) {
        const aiNodeAnim& channel = *animation.mChannels[c];
        out.PutString(channel.mNodeName);
        out.Put(static_cast<uint32_t>(channel.mPreState));
        out.Put(static_cast<uint32_t>(channel.mPostState));
        const auto putKeys = [&](const auto* keys, uint32_t count) {
            count = keys ? count : 0;
            out.Put(count);
            out.PadForArray();
            PutKeys(out, keys, count);
        };
        putKeys(channel.mPositionKeys, channel.mNumPositionKeys);
        putKeys(channel.mRotationKeys, channel.mNumRotationKeys);
        putKeys(channel.mScalingKeys, channel.mNumScalingKeys);
    }
}

aiAnimation* GetAnimation(Reader& in)
{
    auto* animation = new aiAnimation;
    in.GetString(animation->mName);
    animation->mDuration = in.Get<double>();
    animation->mTicksPerSecond = in.Get<double>();
    const uint32_t channels = in.GetCount(16);
    if (channels == 0)
        return animation;
    animation->mChannels = new aiNodeAnim*[channels]();
    animation->mNumChannels = channels;
    for (uint32_t c = 0; c < channels; ++c) {
        auto* channel = animation->mChannels[c] = new aiNodeAnim;
        in.GetString(channel->mNodeName);
        channel->mPreState = static_cast<aiAnimBehaviour>(in.Get<uint32_t>() & 3);
        channel->mPostState = static_cast<aiAnimBehaviour>(in.Get<uint32_t>() & 3);
        const auto getKeys = [&in](auto*& keys, unsigned& count) {
            using Key = std::remove_reference_t<decltype(*keys)>;
            const uint32_t n = in.Get<uint32_t>();
            in.SkipPadForArray();
            keys = in.GetLargeArray<Key>(n);
            count = keys ? n : 0;
        };
        getKeys(channel->mPositionKeys, channel->mNumPositionKeys);
        getKeys(channel->mRotationKeys, channel->mNumRotationKeys);
        getKeys(channel->mScalingKeys, channel->mNumScalingKeys);
    }
    return animation;
}

// A list of scene items: the count, then each item.
template <typename T, typename Put>
void PutList(Writer& out, T* const* items, uint32_t count, Put put)
{
    count = items ? count : 0;
    out.Put(count);
    for (uint32_t i = 0; i < count; ++i)
        put(out, *items[i]);
}

template <typename T, typename Get>
void GetList(Reader& in, T**& items, unsigned& count, size_t minimumSize, Get get)
{
    const uint32_t n = in.GetCount(minimumSize);
    if (n == 0)
        return;
    items = new T*[n]();
    count = n;
    for (uint32_t i = 0; i < n; ++i)
        items[i] = get(in);
}

void PutCamera(Writer& out, const aiCamera& camera)
{
    out.PutString(camera.mName);
    out.Put(camera.mPosition);
    out.Put(camera.mUp);
    out.Put(camera.mLookAt);
    for (float value : {camera.mHorizontalFOV, camera.mClipPlaneNear, camera.mClipPlaneFar,
                        camera.mAspect, camera.mOrthographicWidth})
        out.Put(value);
}

aiCamera* GetCamera(Reader& in)
{
    auto* camera = new aiCamera;
    in.GetString(camera->mName);
    camera->mPosition = in.Get<aiVector3D>();
    camera->mUp = in.Get<aiVector3D>();
    camera->mLookAt = in.Get<aiVector3D>();
    for (float* value : {&camera->mHorizontalFOV, &camera->mClipPlaneNear, &camera->mClipPlaneFar,
                         &camera->mAspect, &camera->mOrthographicWidth})
        *value = in.Get<float>();
    return camera;
}

void PutLight(Writer& out, const aiLight& light)
{
    out.PutString(light.mName);
    out.Put(static_cast<uint32_t>(light.mType));
    out.Put(light.mPosition);
    out.Put(light.mDirection);
    out.Put(light.mUp);
    for (float value : {light.mAttenuationConstant, light.mAttenuationLinear,
                        light.mAttenuationQuadratic, light.mAngleInnerCone, light.mAngleOuterCone})
        out.Put(value);
    for (const aiColor3D& colour : {light.mColorDiffuse, light.mColorSpecular, light.mColorAmbient})
        for (float value : {colour.r, colour.g, colour.b})
            out.Put(value);
    out.Put(light.mSize);
}

aiLight* GetLight(Reader& in)
{
    auto* light = new aiLight;
    in.GetString(light->mName);
    light->mType = static_cast<aiLightSourceType>(in.Get<uint32_t>() & 7);
    light->mPosition = in.Get<aiVector3D>();
    light->mDirection = in.Get<aiVector3D>();
    light->mUp = in.Get<aiVector3D>();
    for (float* value :
         {&light->mAttenuationConstant, &light->mAttenuationLinear, &light->mAttenuationQuadratic,
          &light->mAngleInnerCone, &light->mAngleOuterCone})
        *value = in.Get<float>();
    for (aiColor3D* colour : {&light->mColorDiffuse, &light->mColorSpecular, &light->mColorAmbient})
        for (float* value : {&colour->r, &colour->g, &colour->b})
            *value = in.Get<float>();
    light->mSize = in.Get<aiVector2D>();
    return light;
}

// The bulk of a scene, reserved at once: a large model's arrays are copied once.
size_t MeshBytes(const aiScene& scene)
{
    size_t bytes = 0;
    for (unsigned m = 0; scene.mMeshes && m < scene.mNumMeshes; ++m) {
        const aiMesh& mesh = *scene.mMeshes[m];
        size_t arrays = 4;
        for (int t = 0; t < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++t)
            arrays += mesh.mTextureCoords[t] != nullptr;
        bytes += size_t{mesh.mNumVertices} * arrays * sizeof(aiVector3D) +
                 size_t{mesh.mNumFaces} * 4 * sizeof(uint32_t);
    }
    return bytes;
}

}  // namespace

namespace {

void PutScene(Writer& out, const aiScene& scene)
{
    out.Put(kMagic);
    out.Put(scene.mFlags);
    out.PutString(scene.mName);
    PutMetadata(out, scene.mMetaData, 0);
    PutNodes(out, scene.mRootNode);
    PutList(out, scene.mMeshes, scene.mNumMeshes, PutMesh);
    PutList(out, scene.mMaterials, scene.mNumMaterials, PutMaterial);
    PutList(out, scene.mTextures, scene.mNumTextures, PutTexture);
    PutList(out, scene.mAnimations, scene.mNumAnimations, PutAnimation);
    PutList(out, scene.mCameras, scene.mNumCameras, PutCamera);
    PutList(out, scene.mLights, scene.mNumLights, PutLight);
}

}  // namespace

std::string EncodeScene(const aiScene& scene)
{
    Writer out;
    out.bytes.reserve(MeshBytes(scene) + 4096);
    PutScene(out, scene);
    return std::move(out.bytes);
}

bool WriteScene(const aiScene& scene, const std::function<bool(std::string_view)>& write)
{
    Writer out(write);
    PutScene(out, scene);
    return out.Flush();
}

namespace {

// Lets go of the arrays that lie in [begin, end), so that deleting the scene frees only
// what it allocated.
void ReleaseBorrowedArrays(aiScene& scene, const char* begin, const char* end)
{
    const auto first = reinterpret_cast<uintptr_t>(begin);
    const auto last = reinterpret_cast<uintptr_t>(end);
    const auto release = [&](auto*& array) {
        const auto at = reinterpret_cast<uintptr_t>(array);
        if (at >= first && at < last)
            array = nullptr;
    };
    for (unsigned m = 0; scene.mMeshes && m < scene.mNumMeshes; ++m) {
        aiMesh* mesh = scene.mMeshes[m];
        if (!mesh)
            continue;
        release(mesh->mVertices);
        release(mesh->mNormals);
        release(mesh->mTangents);
        release(mesh->mBitangents);
        for (aiColor4D*& colours : mesh->mColors)
            release(colours);
        for (aiVector3D*& coords : mesh->mTextureCoords)
            release(coords);
        for (unsigned f = 0; mesh->mFaces && f < mesh->mNumFaces; ++f)
            release(mesh->mFaces[f].mIndices);
        for (unsigned b = 0; mesh->mBones && b < mesh->mNumBones; ++b)
            if (mesh->mBones[b])
                release(mesh->mBones[b]->mWeights);
    }
    for (unsigned t = 0; scene.mTextures && t < scene.mNumTextures; ++t)
        if (scene.mTextures[t])
            release(scene.mTextures[t]->pcData);
    for (unsigned a = 0; scene.mAnimations && a < scene.mNumAnimations; ++a) {
        aiAnimation* animation = scene.mAnimations[a];
        for (unsigned c = 0; animation && animation->mChannels && c < animation->mNumChannels;
             ++c) {
            if (aiNodeAnim* channel = animation->mChannels[c]) {
                release(channel->mPositionKeys);
                release(channel->mRotationKeys);
                release(channel->mScalingKeys);
            }
        }
    }
}

std::unique_ptr<aiScene> Decode(std::string_view bytes, bool borrow, std::string& problem)
{
    Reader in(bytes, borrow);
    if (in.Get<uint32_t>() != kMagic) {
        problem = "not a scene from the import worker";
        return nullptr;
    }
    // A scene given up half-way (damaged bytes, or an allocation that failed) may hold
    // borrowed arrays too; they must not be freed with it.
    struct PartialScene {
        std::unique_ptr<aiScene> scene;
        std::string_view bytes;
        bool borrow;
        ~PartialScene()
        {
            if (scene && borrow)
                ReleaseBorrowedArrays(*scene, bytes.data(), bytes.data() + bytes.size());
        }
    } partial{std::make_unique<aiScene>(), bytes, borrow};
    aiScene* scene = partial.scene.get();
    scene->mFlags = in.Get<uint32_t>();
    in.GetString(scene->mName);
    scene->mMetaData = GetMetadata(in, 0);
    scene->mRootNode = GetNodes(in);
    GetList(in, scene->mMeshes, scene->mNumMeshes, 24, GetMesh);
    GetList(in, scene->mMaterials, scene->mNumMaterials, 4, GetMaterial);
    GetList(in, scene->mTextures, scene->mNumTextures, 16, GetTexture);
    GetList(in, scene->mAnimations, scene->mNumAnimations, 24, GetAnimation);
    GetList(in, scene->mCameras, scene->mNumCameras, 60, GetCamera);
    GetList(in, scene->mLights, scene->mNumLights, 60, GetLight);
    if (in.failed || !in.AtEnd()) {
        problem = "the scene from the import worker is cut short or damaged";
        return nullptr;
    }
    return std::move(partial.scene);
}

}  // namespace

std::unique_ptr<aiScene> DecodeScene(std::string_view bytes, std::string& problem)
{
    return Decode(bytes, false, problem);
}

namespace {

// What a scene decoded in place holds on to, and how its borrowed arrays are let go of.
struct InPlaceScene {
    std::shared_ptr<const void> owner;
    const char* begin;
    const char* end;
    PageDiscard discard;

    void operator()(const aiScene* decoded) const
    {
        auto* scene = const_cast<aiScene*>(decoded);
        ReleaseBorrowedArrays(*scene, begin, end);
        delete scene;
    }
};

}  // namespace

std::shared_ptr<const aiScene> DecodeSceneInPlace(std::string_view bytes,
                                                  std::shared_ptr<const void> owner,
                                                  std::string& problem, PageDiscard discard)
{
    std::unique_ptr<aiScene> scene = Decode(bytes, true, problem);
    if (!scene)
        return nullptr;
    const char* begin = bytes.data();
    return std::shared_ptr<const aiScene>(
        scene.release(),
        InPlaceScene{std::move(owner), begin, begin + bytes.size(), std::move(discard)});
}

void DiscardMeshArrays(const std::shared_ptr<const aiScene>& scene, const aiMesh& mesh)
{
    const InPlaceScene* place = std::get_deleter<InPlaceScene>(scene);
    if (!place || !place->discard)
        return;
    const auto discard = [&](const void* array, size_t bytes) {
        const auto* at = static_cast<const char*>(array);
        if (at >= place->begin && at < place->end && bytes <= static_cast<size_t>(place->end - at))
            place->discard(at, bytes);
    };
    const size_t vertices = mesh.mNumVertices;
    discard(mesh.mVertices, vertices * sizeof(aiVector3D));
    discard(mesh.mNormals, vertices * sizeof(aiVector3D));
    discard(mesh.mTangents, vertices * sizeof(aiVector3D));
    discard(mesh.mBitangents, vertices * sizeof(aiVector3D));
    for (const aiColor4D* colours : mesh.mColors)
        discard(colours, vertices * sizeof(aiColor4D));
    for (const aiVector3D* coords : mesh.mTextureCoords)
        discard(coords, vertices * sizeof(aiVector3D));
    // The faces' indices follow one another in the bytes: one range from the first to the
    // last (checked against the bytes like every range).
    const aiFace* first = nullptr;
    const aiFace* last = nullptr;
    for (unsigned f = 0; mesh.mFaces && f < mesh.mNumFaces; ++f) {
        if (!mesh.mFaces[f].mIndices)
            continue;
        first = first ? first : &mesh.mFaces[f];
        last = &mesh.mFaces[f];
    }
    if (!first)
        return;
    const auto* from = reinterpret_cast<const char*>(first->mIndices);
    const auto* to = reinterpret_cast<const char*>(last->mIndices + last->mNumIndices);
    if (to > from)
        discard(from, static_cast<size_t>(to - from));
}
