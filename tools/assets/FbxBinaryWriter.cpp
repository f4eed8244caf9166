#include "FbxBinaryWriter.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "FbxRecord.h"

namespace assets {

namespace {

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

    return WriteFbxFile(path, top, FbxEncoding::Binary);
}

}  // namespace assets
