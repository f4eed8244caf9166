#include "FbxTreeWriter.h"

#include <cmath>

#include "FbxRecord.h"

namespace assets {

namespace {

// FBX time: 46186158000 ticks a second.
constexpr double kKTimePerSecond = 46186158000.0;
constexpr double kDegrees = 3.14159265358979323846 / 180.0;

int64_t KTime(double seconds)
{
    return static_cast<int64_t>(std::llround(seconds * kKTimePerSecond));
}

FbxMatrix Identity()
{
    FbxMatrix m{};
    for (int i = 0; i < 4; ++i)
        m[i][i] = 1.0;
    return m;
}

FbxMatrix Translation(Vec3 t)
{
    FbxMatrix m = Identity();
    m[3] = {t.x, t.y, t.z, 1.0};
    return m;
}

FbxMatrix Scaling(Vec3 s)
{
    FbxMatrix m = Identity();
    m[0][0] = s.x, m[1][1] = s.y, m[2][2] = s.z;
    return m;
}

// About one axis (0 x, 1 y, 2 z) by `degrees`.
FbxMatrix AxisRotation(int axis, double degrees)
{
    const double c = std::cos(degrees * kDegrees), s = std::sin(degrees * kDegrees);
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    FbxMatrix m = Identity();
    m[a][a] = c, m[a][b] = s;  // column a: the image of axis a
    m[b][a] = -s, m[b][b] = c;
    return m;
}

// XYZ Euler angles: x first, then y, then z.
FbxMatrix EulerRotation(Vec3 degrees)
{
    return Multiply(AxisRotation(2, degrees.z),
                    Multiply(AxisRotation(1, degrees.y), AxisRotation(0, degrees.x)));
}

Vec3 Negated(Vec3 v)
{
    return {-v.x, -v.y, -v.z};
}

// A channel's value at `seconds`: linear between keys, the end keys beyond them.
Vec3 Sample(const FbxChannel& channel, double seconds)
{
    const std::vector<FbxKey>& keys = channel.keys;
    if (seconds <= keys.front().seconds)
        return keys.front().value;
    for (size_t i = 1; i < keys.size(); ++i) {
        if (seconds > keys[i].seconds)
            continue;
        const double f = (seconds - keys[i - 1].seconds) / (keys[i].seconds - keys[i - 1].seconds);
        const Vec3 a = keys[i - 1].value, b = keys[i].value;
        const auto mix = [f](float x, float y) { return static_cast<float>(x + (y - x) * f); };
        return {mix(a.x, b.x), mix(a.y, b.y), mix(a.z, b.z)};
    }
    return keys.back().value;
}

int64_t NodeId(size_t i)
{
    return 2000000 + static_cast<int64_t>(i);
}
int64_t GeometryId(size_t i)
{
    return 3000000 + static_cast<int64_t>(i);
}
int64_t MaterialId(size_t i)
{
    return 4000000 + static_cast<int64_t>(i);
}

std::string Named(const std::string& name, const char* type)
{
    return name + std::string("\0\1", 2) + type;
}

std::vector<double> Values(const FbxMatrix& m)
{
    std::vector<double> values;
    for (const auto& column : m)
        values.insert(values.end(), column.begin(), column.end());
    return values;
}

void Vector(Record& properties, const char* name, const char* type, const char* label,
            const char* flags, Vec3 v)
{
    properties.P(name, type, label, flags).D(v.x).D(v.y).D(v.z);
}

Record Model(const FbxTreeNode& node, size_t index)
{
    Record model{"Model", {}, 0, {}};
    model.L(NodeId(index))
        .S(Named(node.name, "Model"))
        .S(node.mesh >= 0 ? "Mesh"
           : node.bone    ? "LimbNode"
                          : "Null");
    model.Add("Version").I(232);
    Record& p = model.Add("Properties70");
    p.P("RotationActive", "bool", "", "").I(1);
    p.P("InheritType", "enum", "", "").I(1);
    const FbxNodeTransform& t = node.transform;
    Vector(p, "PreRotation", "Vector3D", "Vector", "", t.preRotation);
    Vector(p, "RotationPivot", "Vector3D", "Vector", "", t.rotationPivot);
    Vector(p, "ScalingPivot", "Vector3D", "Vector", "", t.scalingPivot);
    Vector(p, "Lcl Translation", "Lcl Translation", "", "A", t.translation);
    Vector(p, "Lcl Rotation", "Lcl Rotation", "", "A", t.rotation);
    Vector(p, "Lcl Scaling", "Lcl Scaling", "", "A", t.scaling);
    model.Add("Culling").S("CullingOff");
    return model;
}

void AddMaterial(const FbxTreeMaterial& material, size_t index, Record& objects,
                 Record& connections)
{
    Record& record = objects.Add("Material");
    record.L(MaterialId(index)).S(Named(material.name, "Material")).S("");
    record.Add("Version").I(102);
    record.Add("ShadingModel").S("phong");
    Record& p = record.Add("Properties70");
    Vector(p, "DiffuseColor", "Color", "", "A", material.diffuse);
    if (material.metallic >= 0.0f)
        p.P("ReflectionFactor", "Number", "", "A").D(material.metallic);
    if (material.roughness >= 0.0f) {
        // Blender's formula: the exponent from (1 - roughness) x 10, squared.
        const double shininess = std::pow((1.0 - material.roughness) * 10.0, 2.0);
        p.P("Shininess", "Number", "", "A").D(shininess);
        p.P("ShininessExponent", "Number", "", "A").D(shininess);
    }
    if (material.diffuseTexture.empty())
        return;
    const int64_t texture = 5000000 + static_cast<int64_t>(index);
    const int64_t video = 5500000 + static_cast<int64_t>(index);
    const std::string name = material.name + "_texture";
    Record& t = objects.Add("Texture");
    t.L(texture).S(Named(name, "Texture")).S("");
    t.Add("Type").S("TextureVideoClip");
    t.Add("Version").I(202);
    t.Add("TextureName").S(Named(name, "Texture"));
    t.Add("Media").S(Named(name, "Video"));
    t.Add("FileName").S(material.diffuseTexture);
    t.Add("RelativeFilename").S(material.diffuseTexture);
    Record& v = objects.Add("Video");
    v.L(video).S(Named(name, "Video")).S("Clip");
    v.Add("Type").S("Clip");
    v.Add("Filename").S(material.diffuseTexture);
    v.Add("RelativeFilename").S(material.diffuseTexture);
    connections.Add("C").S("OP").L(texture).L(MaterialId(index)).S("DiffuseColor");
    connections.Add("C").S("OO").L(video).L(texture);
}

void AddSkin(const FbxTree& tree, const FbxTreeSkin& skin, size_t index, Record& objects,
             Record& connections)
{
    const int64_t id = 7000000 + static_cast<int64_t>(index) * 1000;
    objects.Add("Deformer").L(id).S(Named("", "Deformer")).S("Skin").Add("Version").I(101);
    connections.Add("C").S("OO").L(id).L(GeometryId(tree.nodes[skin.node].mesh));
    const FbxMatrix meshGlobal = GlobalTransform(tree, skin.node);
    for (size_t c = 0; c < skin.clusters.size(); ++c) {
        const FbxSkinCluster& cluster = skin.clusters[c];
        const int64_t clusterId = id + 1 + static_cast<int64_t>(c);
        Record& record = objects.Add("Deformer");
        record.L(clusterId).S(Named(tree.nodes[cluster.bone].name, "SubDeformer")).S("Cluster");
        record.Add("Version").I(100);
        record.Add("Indexes").Ints(cluster.vertices);
        record.Add("Weights").Doubles(cluster.weights);
        // As Blender writes them: Transform is the bone's offset (from the mesh's space at
        // bind time to the bone's), TransformLink the bone's global at bind time.
        const FbxMatrix link = GlobalTransform(tree, cluster.bone);
        record.Add("Transform").Doubles(Values(Multiply(Inverse(link), meshGlobal)));
        record.Add("TransformLink").Doubles(Values(link));
        connections.Add("C").S("OO").L(clusterId).L(id);
        connections.Add("C").S("OO").L(NodeId(cluster.bone)).L(clusterId);
    }
}

void AddTake(const FbxTake& take, size_t index, Record& objects, Record& connections)
{
    const int64_t stack = 8000000 + static_cast<int64_t>(index) * 10000, layer = stack + 1;
    Record& s = objects.Add("AnimationStack");
    s.L(stack).S(Named(take.name, "AnimStack")).S("");
    Record& p = s.Add("Properties70");
    p.P("LocalStart", "KTime", "Time", "").L(0);
    p.P("LocalStop", "KTime", "Time", "").L(KTime(take.seconds));
    p.P("ReferenceStart", "KTime", "Time", "").L(0);
    p.P("ReferenceStop", "KTime", "Time", "").L(KTime(take.seconds));
    objects.Add("AnimationLayer").L(layer).S(Named("BaseLayer", "AnimLayer")).S("").Block();
    connections.Add("C").S("OO").L(layer).L(stack);
    for (size_t c = 0; c < take.channels.size(); ++c) {
        const FbxChannel& channel = take.channels[c];
        const int64_t node = stack + 10 + static_cast<int64_t>(c) * 4;
        const char* property = channel.property == 'T'   ? "Lcl Translation"
                               : channel.property == 'R' ? "Lcl Rotation"
                                                         : "Lcl Scaling";
        Record& n = objects.Add("AnimationCurveNode");
        n.L(node).S(Named(std::string(1, channel.property), "AnimCurveNode")).S("");
        Record& np = n.Add("Properties70");
        const Vec3 first = channel.keys.front().value;
        np.P("d|X", "Number", "", "A").D(first.x);
        np.P("d|Y", "Number", "", "A").D(first.y);
        np.P("d|Z", "Number", "", "A").D(first.z);
        connections.Add("C").S("OO").L(node).L(layer);
        connections.Add("C").S("OP").L(node).L(NodeId(channel.node)).S(property);
        for (int axis = 0; axis < 3; ++axis) {
            std::vector<int64_t> times;
            std::vector<float> values;
            for (const FbxKey& key : channel.keys) {
                times.push_back(KTime(key.seconds));
                values.push_back(axis == 0 ? key.value.x : axis == 1 ? key.value.y : key.value.z);
            }
            const int64_t curve = node + 1 + axis;
            Record& k = objects.Add("AnimationCurve");
            k.L(curve).S(Named("", "AnimCurve")).S("");
            k.Add("Default").D(values.front());
            k.Add("KeyVer").I(4008);
            k.Add("KeyTime").Longs(times);
            k.Add("KeyValueFloat").Floats(values);
            k.Add("KeyAttrFlags").Ints({0x4});  // linear
            k.Add("KeyAttrDataFloat").Floats({0, 0, 0, 0});
            k.Add("KeyAttrRefCount").Ints({static_cast<int32_t>(times.size())});
            connections.Add("C").S("OP").L(curve).L(node).S(axis == 0   ? "d|X"
                                                            : axis == 1 ? "d|Y"
                                                                        : "d|Z");
        }
    }
}

}  // namespace

FbxMatrix Multiply(const FbxMatrix& a, const FbxMatrix& b)
{
    FbxMatrix r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                r[c][row] += a[k][row] * b[c][k];
    return r;
}

FbxMatrix Inverse(const FbxMatrix& m)
{
    // Gauss-Jordan on the rows of the matrix as it acts (row = output component).
    double a[4][8];
    for (int row = 0; row < 4; ++row)
        for (int c = 0; c < 4; ++c) {
            a[row][c] = m[c][row];
            a[row][c + 4] = row == c ? 1.0 : 0.0;
        }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int row = c + 1; row < 4; ++row)
            if (std::fabs(a[row][c]) > std::fabs(a[pivot][c]))
                pivot = row;
        for (int k = 0; k < 8; ++k)
            std::swap(a[c][k], a[pivot][k]);
        const double d = a[c][c];
        for (int k = 0; k < 8; ++k)
            a[c][k] /= d;
        for (int row = 0; row < 4; ++row)
            if (row != c) {
                const double f = a[row][c];
                for (int k = 0; k < 8; ++k)
                    a[row][k] -= f * a[c][k];
            }
    }
    FbxMatrix r{};
    for (int row = 0; row < 4; ++row)
        for (int c = 0; c < 4; ++c)
            r[c][row] = a[row][c + 4];
    return r;
}

Vec3 Apply(const FbxMatrix& m, Vec3 p)
{
    double out[3];
    for (int row = 0; row < 3; ++row)
        out[row] = m[0][row] * p.x + m[1][row] * p.y + m[2][row] * p.z + m[3][row];
    return {static_cast<float>(out[0]), static_cast<float>(out[1]), static_cast<float>(out[2])};
}

FbxMatrix LocalTransform(const FbxTree& tree, int node, const FbxTake* take, double seconds)
{
    FbxNodeTransform t = tree.nodes[node].transform;
    if (take)
        for (const FbxChannel& channel : take->channels) {
            if (channel.node != node || channel.keys.empty())
                continue;
            const Vec3 value = Sample(channel, seconds);
            (channel.property == 'T'   ? t.translation
             : channel.property == 'R' ? t.rotation
                                       : t.scaling) = value;
        }
    FbxMatrix m = Translation(t.translation);
    m = Multiply(m, Translation(t.rotationPivot));
    m = Multiply(m, EulerRotation(t.preRotation));
    m = Multiply(m, EulerRotation(t.rotation));
    m = Multiply(m, Translation(Negated(t.rotationPivot)));
    m = Multiply(m, Translation(t.scalingPivot));
    m = Multiply(m, Scaling(t.scaling));
    return Multiply(m, Translation(Negated(t.scalingPivot)));
}

FbxMatrix GlobalTransform(const FbxTree& tree, int node, const FbxTake* take, double seconds)
{
    FbxMatrix m = LocalTransform(tree, node, take, seconds);
    for (int parent = tree.nodes[node].parent; parent >= 0; parent = tree.nodes[parent].parent)
        m = Multiply(LocalTransform(tree, parent, take, seconds), m);
    return m;
}

std::string WriteFbxTree(const std::string& path, const FbxTree& tree, FbxEncoding encoding)
{
    std::vector<Record> top{Header(tree.creator), GlobalSettings()};
    Record& documents = top.emplace_back(Record{"Documents", {}, 0, {}});
    documents.Add("Count").I(1);
    documents.Add("Document").L(1000000).S("").S("Scene").Add("RootNode").L(0);
    top.push_back({"References", {}, 0, {}});
    Record objects{"Objects", {}, 0, {}};
    Record connections{"Connections", {}, 0, {}};
    for (size_t m = 0; m < tree.meshes.size(); ++m)
        objects.children.push_back(Geometry(tree.meshes[m], GeometryId(m)));
    for (size_t m = 0; m < tree.materials.size(); ++m)
        AddMaterial(tree.materials[m], m, objects, connections);
    for (size_t i = 0; i < tree.nodes.size(); ++i) {
        const FbxTreeNode& node = tree.nodes[i];
        if (node.parent >= static_cast<int>(i))
            return "node " + node.name + " comes before its parent";
        objects.children.push_back(Model(node, i));
        connections.Add("C").S("OO").L(NodeId(i)).L(node.parent < 0 ? 0 : NodeId(node.parent));
        if (node.mesh >= 0)
            connections.Add("C").S("OO").L(GeometryId(node.mesh)).L(NodeId(i));
        if (node.mesh >= 0 && node.material >= 0)
            connections.Add("C").S("OO").L(MaterialId(node.material)).L(NodeId(i));
        if (node.bone) {
            const int64_t attribute = 6000000 + static_cast<int64_t>(i);
            objects.Add("NodeAttribute")
                .L(attribute)
                .S(Named(node.name, "NodeAttribute"))
                .S("LimbNode")
                .Add("TypeFlags")
                .S("Skeleton");
            connections.Add("C").S("OO").L(attribute).L(NodeId(i));
        }
    }
    for (size_t s = 0; s < tree.skins.size(); ++s)
        AddSkin(tree, tree.skins[s], s, objects, connections);
    for (size_t t = 0; t < tree.takes.size(); ++t)
        AddTake(tree.takes[t], t, objects, connections);
    top.push_back(std::move(objects));
    top.push_back(std::move(connections));

    return WriteFbxFile(path, top, encoding);
}

}  // namespace assets
