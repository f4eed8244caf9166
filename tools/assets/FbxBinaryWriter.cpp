#include "FbxBinaryWriter.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "FbxRecord.h"

namespace assets {

namespace {

Record Definitions(int nodes, int textures)
{
    Record definitions{"Definitions", {}, 0, {}};
    definitions.Add("Version").I(100);
    definitions.Add("Count").I(1 + 3 * nodes + textures);
    for (const char* type : {"GlobalSettings", "Model", "Geometry", "Material", "Texture"}) {
        const std::string_view name(type);
        const int count = name == "GlobalSettings" ? 1 : name == "Texture" ? textures : nodes;
        if (count == 0)
            continue;
        Record& objectType = definitions.Add("ObjectType").S(type);
        objectType.Add("Count").I(count);
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

// A file beside the FBX, named as it is written, for the material's diffuse colour.
Record Texture(const SceneNodeMesh& node, int64_t id)
{
    Record texture{"Texture", {}, 0, {}};
    const std::string name = node.nodeName + "_Texture" + std::string("\0\1Texture", 9);
    texture.L(id).S(name).S("");
    texture.Add("Type").S("TextureVideoClip");
    texture.Add("Version").I(202);
    texture.Add("TextureName").S(name);
    Record& p = texture.Add("Properties70");
    p.P("UseMaterial", "bool", "", "").I(1);
    texture.Add("FileName").S(node.diffuseTexture);
    texture.Add("RelativeFilename").S(node.diffuseTexture);
    texture.Add("ModelUVTranslation").D(0).D(0);
    texture.Add("ModelUVScaling").D(1).D(1);
    texture.Add("Texture_Alpha_Source").S("None");
    texture.Add("Cropping").I(0).I(0).I(0).I(0);
    return texture;
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
        if (!node.embeddedImage.empty() || !node.sharedMaterial.empty())
            return "the binary writer embeds no images and shares no materials (" + node.nodeName +
                   ")";

    const int count = static_cast<int>(nodes.size());
    const int textures = static_cast<int>(std::count_if(
        nodes.begin(), nodes.end(), [](const auto& node) { return !node.diffuseTexture.empty(); }));
    std::vector<Record> top{Header(), GlobalSettings()};
    Record& documents = top.emplace_back(Record{"Documents", {}, 0, {}});
    documents.Add("Count").I(1);
    documents.Add("Document").L(1000000).S("").S("Scene").Add("RootNode").L(0);
    top.push_back({"References", {}, 0, {}});
    top.push_back(Definitions(count, textures));
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
        if (nodes[i].diffuseTexture.empty())
            continue;
        const int64_t texture = 1000001 + 3 * count + i;
        objects.children.push_back(Texture(nodes[i], texture));
        connections.Add("C").S("OP").L(texture).L(material).S("DiffuseColor");
    }
    top.push_back(std::move(objects));
    top.push_back(std::move(connections));

    return WriteFbxFile(path, top, FbxEncoding::Binary);
}

}  // namespace assets
