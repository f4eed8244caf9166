#include "FbxRecord.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>

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
    if (!record.children.empty() || record.properties.empty() || record.block) {
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

}  // namespace

Record& Record::S(std::string_view text)
{
    properties.push_back('S');
    Put(properties, static_cast<uint32_t>(text.size()));
    properties.append(text);
    ++count;
    return *this;
}

Record& Record::Add(std::string childName)
{
    children.push_back({std::move(childName), {}, 0, {}, false});
    return children.back();
}

template <typename T>
Record& Record::Scalar(char type, T v)
{
    properties.push_back(type);
    Put(properties, v);
    ++count;
    return *this;
}
template Record& Record::Scalar(char, int32_t);
template Record& Record::Scalar(char, double);
template Record& Record::Scalar(char, int64_t);
template Record& Record::Scalar(char, char);

template <typename T>
Record& Record::Array(char type, const T* values, size_t n)
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
template Record& Record::Array(char, const double*, size_t);
template Record& Record::Array(char, const float*, size_t);
template Record& Record::Array(char, const int32_t*, size_t);
template Record& Record::Array(char, const int64_t*, size_t);

Record Header(std::string_view creator)
{
    Record header{"FBXHeaderExtension", {}, 0, {}};
    header.Add("FBXHeaderVersion").I(1003);
    header.Add("FBXVersion").I(kVersion);
    header.Add("Creator").S(creator);
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

namespace {

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

}  // namespace

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

std::string EncodeBinaryFbx(const std::vector<Record>& top, std::string& error)
{
    std::string out("Kaydara FBX Binary  \0\x1a\0", 23);
    Put(out, kVersion);
    for (const Record& record : top)
        Serialize(record, out);
    AppendFooter(out);
    if (out.size() > UINT32_MAX) {
        error = "the scene is too large for a version 7400 file";
        return {};
    }
    return out;
}

namespace {

template <typename T>
T Take(const std::string& bytes, size_t& at)
{
    T value{};
    std::memcpy(&value, bytes.data() + at, sizeof(T));
    at += sizeof(T);
    return value;
}

// "Name\0\1Class" in the binary format reads "Class::Name" in the text format.
std::string AsciiString(std::string_view text)
{
    const size_t split = text.find(std::string_view("\0\1", 2));
    std::string out =
        split == std::string_view::npos
            ? std::string(text)
            : std::string(text.substr(split + 2)) + "::" + std::string(text.substr(0, split));
    std::string quoted = "\"";
    for (char c : out)
        quoted += c == '"' ? std::string("&quot;") : std::string(1, c);
    return quoted + "\"";
}

std::string Number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

template <typename T>
std::string ArrayText(const std::string& bytes, size_t& at)
{
    const uint32_t n = Take<uint32_t>(bytes, at);
    const uint32_t encoding = Take<uint32_t>(bytes, at);
    const uint32_t length = Take<uint32_t>(bytes, at);
    std::vector<T> values(n);
    if (encoding == 0) {
        std::memcpy(values.data(), bytes.data() + at, n * sizeof(T));
    } else {
        uLongf size = n * sizeof(T);
        uncompress(reinterpret_cast<Bytef*>(values.data()), &size,
                   reinterpret_cast<const Bytef*>(bytes.data() + at), length);
    }
    at += length;
    std::string text = "*" + std::to_string(n) + " {\n";
    std::string line = "a: ";
    for (uint32_t i = 0; i < n; ++i)
        line += (i ? "," : "") + Number(static_cast<double>(values[i]));
    return text + line;
}

void WriteAscii(const Record& record, int depth, std::string& out)
{
    const std::string indent(depth, '\t');
    out += indent + record.name + ": ";
    bool array = false;
    for (size_t at = 0, i = 0; at < record.properties.size(); ++i) {
        if (i)
            out += ", ";
        switch (record.properties[at++]) {
            case 'I':
                out += std::to_string(Take<int32_t>(record.properties, at));
                break;
            case 'L':
                out += std::to_string(Take<int64_t>(record.properties, at));
                break;
            case 'D':
                out += Number(Take<double>(record.properties, at));
                break;
            case 'C':
                out += std::string(1, Take<char>(record.properties, at));
                break;
            case 'S': {
                const uint32_t length = Take<uint32_t>(record.properties, at);
                out += AsciiString(std::string_view(record.properties).substr(at, length));
                at += length;
                break;
            }
            case 'd':
                out += ArrayText<double>(record.properties, at), array = true;
                break;
            case 'f':
                out += ArrayText<float>(record.properties, at), array = true;
                break;
            case 'i':
                out += ArrayText<int32_t>(record.properties, at), array = true;
                break;
            case 'l':
                out += ArrayText<int64_t>(record.properties, at), array = true;
                break;
            default:
                return;
        }
    }
    // An array is a block of its own: "*N {" then "a: ..." then "}".
    if (array) {
        const size_t cut = out.rfind("*");
        const size_t open = out.find("{\n", cut);
        const std::string values = out.substr(open + 2);
        out.erase(open + 2);
        out += indent + "\t" + values + "\n" + indent + "}\n";
        return;
    }
    if (record.children.empty() && !record.properties.empty() && !record.block) {
        out += "\n";
        return;
    }
    out += " {\n";
    for (const Record& child : record.children)
        WriteAscii(child, depth + 1, out);
    out += indent + "}\n";
}

}  // namespace

std::string EncodeAsciiFbx(const std::vector<Record>& top)
{
    std::string out = "; FBX 7.4.0 project file\n";
    for (const Record& record : top)
        WriteAscii(record, 0, out);
    return out;
}

std::string WriteFbxFile(const std::string& path, const std::vector<Record>& top,
                         FbxEncoding encoding)
{
    std::string error;
    const std::string out =
        encoding == FbxEncoding::Binary ? EncodeBinaryFbx(top, error) : EncodeAsciiFbx(top);
    if (!error.empty())
        return error;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    return file ? std::string() : "cannot write " + path;
}

}  // namespace assets
