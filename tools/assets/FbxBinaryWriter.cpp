#include "FbxBinaryWriter.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string_view>

namespace assets {

namespace {

static_assert(std::endian::native == std::endian::little, "arrays are copied as they lie");

constexpr uint32_t kVersion = 7400;
// Below this many bytes an array is stored as it is; compressing it gains nothing.
constexpr size_t kCompressFrom = 128;
// A zeroed record header (end offset, property count, property bytes, name length) closes
// the children of a record.
constexpr size_t kNullRecord = 13;

template <typename T>
void Put(std::string& out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

// One record: a name, typed properties, nested records. The property adders are named after
// the format's type codes (I int32, D double, L int64, C char, S string).
struct Record {
    std::string name;
    std::string properties;  // encoded
    uint32_t count = 0;
    std::vector<Record> children;

    Record& I(int32_t v) { return Scalar('I', v); }
    Record& D(double v) { return Scalar('D', v); }
    Record& L(int64_t v) { return Scalar('L', v); }
    Record& C(char v) { return Scalar('C', v); }
    Record& S(std::string_view text)
    {
        properties.push_back('S');
        Put(properties, static_cast<uint32_t>(text.size()));
        properties.append(text);
        ++count;
        return *this;
    }
    Record& Doubles(const std::vector<double>& v) { return Array('d', v.data(), v.size()); }
    Record& Ints(const std::vector<int32_t>& v) { return Array('i', v.data(), v.size()); }

    Record& Add(std::string childName)
    {
        children.push_back({std::move(childName), {}, 0, {}});
        return children.back();
    }
    // A property of a Properties70 block: name, type, label, flags; the values follow.
    Record& P(std::string_view property, std::string_view type, std::string_view label,
              std::string_view flags)
    {
        return Add("P").S(property).S(type).S(label).S(flags);
    }

   private:
    template <typename T>
    Record& Scalar(char type, T v)
    {
        properties.push_back(type);
        Put(properties, v);
        ++count;
        return *this;
    }

    template <typename T>
    Record& Array(char type, const T* values, size_t n)
    {
        const size_t bytes = n * sizeof(T);
        properties.push_back(type);
        Put(properties, static_cast<uint32_t>(n));
        if (bytes < kCompressFrom) {
            Put(properties, uint32_t{0});
            Put(properties, static_cast<uint32_t>(bytes));
            properties.append(reinterpret_cast<const char*>(values), bytes);
        } else {
            uLongf packed = compressBound(static_cast<uLong>(bytes));
            std::string deflated(packed, '\0');
            compress2(reinterpret_cast<Bytef*>(deflated.data()), &packed,
                      reinterpret_cast<const Bytef*>(values), static_cast<uLong>(bytes),
                      Z_DEFAULT_COMPRESSION);
            Put(properties, uint32_t{1});
            Put(properties, static_cast<uint32_t>(packed));
            properties.append(deflated.data(), packed);
        }
        ++count;
        return *this;
    }
};

// Record layout of version 7400: end offset, property count, property bytes (32 bits
// each), name length (one byte), name, properties, children and the null record. A record
// without properties gets the null record even without children, as exporters write it.
void Serialize(const Record& record, std::string& out)
{
    const size_t start = out.size();
    Put(out, uint32_t{0});  // end offset, set when the record is done
    Put(out, record.count);
    Put(out, static_cast<uint32_t>(record.properties.size()));
    out.push_back(static_cast<char>(record.name.size()));
    out += record.name;
    out += record.properties;
    if (!record.children.empty() || record.properties.empty()) {
        for (const Record& child : record.children)
            Serialize(child, out);
        out.append(kNullRecord, '\0');
    }
    const auto end = static_cast<uint32_t>(out.size());
    std::memcpy(out.data() + start, &end, sizeof end);
}

// The trailer that readers of the format expect after the last record: a footer code,
// padding to 16 bytes, the version again, and the closing magic.
void AppendFooter(std::string& out)
{
    out.append(kNullRecord, '\0');
    out.append("\xfa\xbc\xab\x09\xd0\xc8\xd4\x66\xb1\x76\xfb\x83\x1c\xf7\x26\x7e", 16);
    out.append(4, '\0');
    const size_t pad = 16 - out.size() % 16;
    out.append(pad, '\0');
    Put(out, kVersion);
    out.append(120, '\0');
    out.append("\xf8\x5a\x8c\x6a\xde\xf5\xd9\x7e\xec\xe9\x0c\xe3\x75\x8f\x29\x0b", 16);
}

Record Header()
{
    Record header{"FBXHeaderExtension", {}, 0, {}};
    header.Add("FBXHeaderVersion").I(1003);
    header.Add("FBXVersion").I(kVersion);
    header.Add("Creator").S("vornis-make-assets");
    return header;
}

Record GlobalSettings()
{
    Record settings{"GlobalSettings", {}, 0, {}};
    settings.Add("Version").I(1000);
    Record& p = settings.Add("Properties70");
    // Y up, Z front, X right, right-handed, in centimetres: what the ASCII writer states.
    for (const auto& [name, value] : {std::pair{"UpAxis", 1},
                                      {"UpAxisSign", 1},
                                      {"FrontAxis", 2},
                                      {"FrontAxisSign", 1},
                                      {"CoordAxis", 0},
                                      {"CoordAxisSign", 1},
                                      {"OriginalUpAxis", 1},
                                      {"OriginalUpAxisSign", 1}})
        p.P(name, "int", "Integer", "").I(value);
    p.P("UnitScaleFactor", "double", "Number", "").D(1);
    p.P("OriginalUnitScaleFactor", "double", "Number", "").D(1);
    p.P("AmbientColor", "ColorRGB", "Color", "").D(0).D(0).D(0);
    p.P("TimeMode", "enum", "", "").I(11);
    return settings;
}

Record Definitions(int nodes)
{
    Record definitions{"Definitions", {}, 0, {}};
    definitions.Add("Version").I(100);
    definitions.Add("Count").I(1 + 3 * nodes);
    for (const char* type : {"GlobalSettings", "Model", "Geometry", "Material"}) {
        Record& objectType = definitions.Add("ObjectType").S(type);
        objectType.Add("Count").I(std::string_view(type) == "GlobalSettings" ? 1 : nodes);
        if (std::string_view(type) != "Material")
            continue;
        // The defaults of every material property a material leaves out.
        Record& p = objectType.Add("PropertyTemplate").S("FbxSurfaceLambert").Add("Properties70");
        p.P("ShadingModel", "KString", "", "").S("Lambert");
        p.P("MultiLayer", "bool", "", "").I(0);
        p.P("EmissiveColor", "Color", "", "A").D(0).D(0).D(0);
        p.P("EmissiveFactor", "Number", "", "A").D(1);
        p.P("AmbientColor", "Color", "", "A").D(0.2).D(0.2).D(0.2);
        p.P("AmbientFactor", "Number", "", "A").D(1);
        p.P("DiffuseColor", "Color", "", "A").D(0.8).D(0.8).D(0.8);
        p.P("DiffuseFactor", "Number", "", "A").D(1);
        p.P("Bump", "Vector3D", "Vector", "").D(0).D(0).D(0);
        p.P("NormalMap", "Vector3D", "Vector", "").D(0).D(0).D(0);
        p.P("BumpFactor", "double", "Number", "").D(1);
        p.P("TransparentColor", "Color", "", "A").D(0).D(0).D(0);
        p.P("TransparencyFactor", "Number", "", "A").D(0);
        p.P("DisplacementColor", "ColorRGB", "Color", "").D(0).D(0).D(0);
        p.P("DisplacementFactor", "double", "Number", "").D(1);
    }
    return definitions;
}

// A layer element of the geometry: its version, name and how its values map to the mesh.
Record& LayerElement(Record& geometry, const char* kind, const char* mapping, const char* reference)
{
    Record& element = geometry.Add(kind).I(0);
    element.Add("Version").I(101);
    element.Add("Name").S("");
    element.Add("MappingInformationType").S(mapping);
    element.Add("ReferenceInformationType").S(reference);
    return element;
}

// Positions per vertex; normals per polygon corner; UVs per vertex, indexed by corner.
Record Geometry(const MeshGeometry& g, int64_t id)
{
    Record geometry{"Geometry", {}, 0, {}};
    geometry.L(id).S(std::string("\0\1Geometry", 10)).S("Mesh");
    std::vector<double> values;
    values.reserve(3 * std::max(g.positions.size(), g.indices.size()));
    for (const Vec3& p : g.positions)
        values.insert(values.end(), {p.x, p.y, p.z});
    geometry.Add("Vertices").Doubles(values);
    std::vector<int32_t> corners(g.indices.begin(), g.indices.end());
    for (size_t i = 2; i < corners.size(); i += 3)
        corners[i] = ~corners[i];  // the last corner of a polygon is stored complemented
    geometry.Add("PolygonVertexIndex").Ints(corners);
    geometry.Add("GeometryVersion").I(124);

    values.clear();
    for (uint32_t i : g.indices)
        values.insert(values.end(), {g.normals[i].x, g.normals[i].y, g.normals[i].z});
    LayerElement(geometry, "LayerElementNormal", "ByPolygonVertex", "Direct")
        .Add("Normals")
        .Doubles(values);
    values.clear();
    for (const Vec2& uv : g.uvs)
        values.insert(values.end(), {uv.x, uv.y});
    Record& uvs = LayerElement(geometry, "LayerElementUV", "ByPolygonVertex", "IndexToDirect");
    uvs.Add("UV").Doubles(values);
    uvs.Add("UVIndex").Ints(std::vector<int32_t>(g.indices.begin(), g.indices.end()));
    LayerElement(geometry, "LayerElementMaterial", "AllSame", "IndexToDirect")
        .Add("Materials")
        .Ints({0});

    Record& layer = geometry.Add("Layer").I(0);
    layer.Add("Version").I(100);
    for (const char* type :
         {"LayerElementNormal", "LayerElementColor", "LayerElementMaterial", "LayerElementUV"}) {
        Record& element = layer.Add("LayerElement");
        element.Add("Type").S(type);
        element.Add("TypedIndex").I(0);
    }
    return geometry;
}

Record Material(const SceneNodeMesh& node, int64_t id)
{
    Record material{"Material", {}, 0, {}};
    material.L(id).S(node.nodeName + "_Material" + std::string("\0\1Material", 10)).S("");
    material.Add("Version").I(102);
    material.Add("ShadingModel").S("lambert");
    material.Add("MultiLayer").I(0);
    Record& p = material.Add("Properties70");
    const Vec3 c = node.diffuseColor;
    p.P("DiffuseColor", "Color", "", "A").D(c.x).D(c.y).D(c.z);
    p.P("Emissive", "Vector3D", "Vector", "").D(0).D(0).D(0);
    p.P("Ambient", "Vector3D", "Vector", "").D(0).D(0).D(0);
    p.P("Diffuse", "Vector3D", "Vector", "").D(c.x).D(c.y).D(c.z);
    p.P("Opacity", "double", "Number", "").D(1);
    return material;
}

Record Model(const SceneNodeMesh& node, int64_t id)
{
    Record model{"Model", {}, 0, {}};
    model.L(id).S(node.nodeName + std::string("\0\1Model", 7)).S("Mesh");
    model.Add("Version").I(232);
    Record& p = model.Add("Properties70");
    p.P("RotationActive", "bool", "", "").I(1);
    p.P("DefaultAttributeIndex", "int", "Integer", "").I(0);
    p.P("InheritType", "enum", "", "").I(1);
    model.Add("Shading").C('T');
    model.Add("Culling").S("CullingOff");
    return model;
}

}  // namespace

std::string WriteBinaryFbxScene(const std::string& path, const std::vector<SceneNodeMesh>& nodes)
{
    if (nodes.empty())
        return "no meshes to write";
    for (const SceneNodeMesh& node : nodes)
        if (!node.diffuseTexture.empty())
            return "the binary writer writes no textures (" + node.nodeName + ")";

    const int count = static_cast<int>(nodes.size());
    std::vector<Record> top{Header(), GlobalSettings()};
    Record& documents = top.emplace_back(Record{"Documents", {}, 0, {}});
    documents.Add("Count").I(1);
    documents.Add("Document").L(1000000).S("").S("Scene").Add("RootNode").L(0);
    top.push_back({"References", {}, 0, {}});
    top.push_back(Definitions(count));
    Record objects{"Objects", {}, 0, {}};
    Record connections{"Connections", {}, 0, {}};
    for (int i = 0; i < count; ++i) {
        const int64_t geometry = 1000001 + 3 * i, material = geometry + 1, model = geometry + 2;
        objects.children.push_back(Geometry(nodes[i].geometry, geometry));
        objects.children.push_back(Material(nodes[i], material));
        objects.children.push_back(Model(nodes[i], model));
        connections.Add("C").S("OO").L(model).L(0);
        connections.Add("C").S("OO").L(geometry).L(model);
        connections.Add("C").S("OO").L(material).L(model);
    }
    top.push_back(std::move(objects));
    top.push_back(std::move(connections));

    std::string out("Kaydara FBX Binary  \0\x1a\0", 23);
    Put(out, kVersion);
    for (const Record& record : top)
        Serialize(record, out);
    AppendFooter(out);
    if (out.size() > UINT32_MAX)
        return "the scene is too large for a version 7400 file";
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    return file ? std::string() : "cannot write " + path;
}

}  // namespace assets
