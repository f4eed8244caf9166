// Generators of FBX files that take an unguarded import library down: cycles, deep model
// chains, deeply nested blocks, in ASCII and binary. The tests and the hostile set
// (vornis-make-hostile-set) write them where they need them; nothing of this kind is
// stored in the repository.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace hostile_fbx {

inline const char* kFbxDirectory = "/usr/share/assimp/models/FBX/";

inline std::string AsciiHeader()
{
    return "; FBX 7.4.0 project file\nFBXHeaderExtension:  {\n\tFBXVersion: 7400\n}\n";
}

// An ASCII FBX with models 1..models and the given (child, parent) links; parent 0 is
// the scene root.
inline std::string AsciiModels(int models, const std::vector<std::pair<int, int>>& links)
{
    std::string text = AsciiHeader() + "Objects:  {\n";
    for (int id = 1; id <= models; ++id)
        text += "\tModel: " + std::to_string(id) + ", \"Model::M" + std::to_string(id) +
                "\", \"Null\" {\n\t\tVersion: 232\n\t}\n";
    text += "}\nConnections:  {\n";
    for (const auto& [child, parent] : links)
        text += "\tC: \"OO\"," + std::to_string(child) + "," + std::to_string(parent) + "\n";
    return text + "}\n";
}

// (1, 0), (2, 1), ... (length, length - 1): one chain of `length` models under the root.
inline std::vector<std::pair<int, int>> Chain(int length)
{
    std::vector<std::pair<int, int>> links;
    for (int id = 1; id <= length; ++id)
        links.emplace_back(id, id - 1);
    return links;
}

// `depth` elements, each inside the one before: "X: {X: {...}}".
inline std::string AsciiNestedBlocks(int depth)
{
    std::string text = AsciiHeader();
    text.reserve(text.size() + 6 * static_cast<size_t>(depth));
    for (int i = 0; i < depth; ++i)
        text += "X: {";
    return text + std::string(static_cast<size_t>(depth), '}') + "\n";
}

// A real file (Cube2 holds Куб1) with one more link that makes Cube2 also a child of
// Куб1: a cycle that the walk from the root reaches.
inline std::string RealFileWithParentCycle()
{
    std::ifstream in(std::string(kFbxDirectory) + "cubes_with_names.fbx", std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string connections = "Connections:  {\n";
    const size_t at = text.find(connections);
    if (at == std::string::npos)
        return {};
    return text.insert(at + connections.size(), "\tC: \"OO\",2359439406816,2359439411456\n");
}

// Binary FBX records (version 7400: 32-bit header fields).
struct Record {
    std::string name;
    std::string properties;  // encoded
    std::vector<Record> children;
};

inline void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

inline std::string LongProperty(int64_t v)
{
    std::string out = "L";
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(static_cast<uint64_t>(v) >> (8 * i)));
    return out;
}

inline std::string StringProperty(const std::string& s)
{
    std::string out = "S";
    Put32(out, static_cast<uint32_t>(s.size()));
    return out + s;
}

// Iterative, so that generating deep files needs no deep stack.
inline void Write(const Record& top, std::string& out)
{
    struct Pending {
        const Record* record;
        size_t start;
        size_t next;
    };
    const auto begin = [&out](const Record& record) {
        const size_t start = out.size();
        Put32(out, 0);  // end offset, patched when the record is done
        Put32(out, record.properties.empty() ? 0 : 1);
        Put32(out, static_cast<uint32_t>(record.properties.size()));
        out.push_back(static_cast<char>(record.name.size()));
        out += record.name + record.properties;
        return start;
    };
    std::vector<Pending> stack{{&top, begin(top), 0}};
    while (!stack.empty()) {
        Pending& pending = stack.back();
        if (pending.next < pending.record->children.size()) {
            const Record& child = pending.record->children[pending.next++];
            stack.push_back({&child, begin(child), 0});
            continue;
        }
        if (!pending.record->children.empty())
            out.append(13, '\0');
        const uint32_t end = static_cast<uint32_t>(out.size());
        for (int i = 0; i < 4; ++i)
            out[pending.start + i] = static_cast<char>(end >> (8 * i));
        stack.pop_back();
    }
}

inline std::string BinaryFbx(const std::vector<Record>& top)
{
    std::string out = "Kaydara FBX Binary  ";
    out += std::string("\0\x1a\0", 3);
    Put32(out, 7400);
    for (const Record& record : top)
        Write(record, out);
    out.append(13, '\0');
    return out;
}

inline std::string BinaryModels(int models, const std::vector<std::pair<int, int>>& links)
{
    Record objects{"Objects", "", {}};
    for (int id = 1; id <= models; ++id)
        objects.children.push_back(
            {"Model",
             LongProperty(id) +
                 StringProperty("M" + std::to_string(id) + std::string("\0\1Model", 7)) +
                 StringProperty("Null"),
             {}});
    Record connections{"Connections", "", {}};
    for (const auto& [child, parent] : links)
        connections.children.push_back(
            {"C", StringProperty("OO") + LongProperty(child) + LongProperty(parent), {}});
    return BinaryFbx({objects, connections});
}

// `depth` records, each inside the one before, written straight to bytes: a Record tree
// that deep would take a deep stack to destroy. `zeroWord` puts a zero end offset, which
// a reader steps over, before the children of the outermost record.
inline std::string BinaryNestedBlocks(int depth, bool zeroWord)
{
    std::string out = "Kaydara FBX Binary  ";
    out += std::string("\0\x1a\0", 3);
    Put32(out, 7400);
    std::vector<size_t> starts;
    for (int level = 0; level < depth; ++level) {
        starts.push_back(out.size());
        Put32(out, 0);
        Put32(out, 0);
        Put32(out, 0);
        out += std::string("\1X", 2);
        if (zeroWord && level == 0 && depth > 1)
            Put32(out, 0);
    }
    for (size_t level = starts.size(); level-- > 0;) {
        if (level + 1 < starts.size())
            out.append(13, '\0');
        const uint32_t end = static_cast<uint32_t>(out.size());
        for (int i = 0; i < 4; ++i)
            out[starts[level] + i] = static_cast<char>(end >> (8 * i));
    }
    out.append(13, '\0');
    return out;
}

// `depth` records, each inside the one before.
inline Record NestedRecords(int depth)
{
    Record inner{"X", "", {}};
    for (int i = 1; i < depth; ++i)
        inner = Record{"X", "", {std::move(inner)}};
    return inner;
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace hostile_fbx
