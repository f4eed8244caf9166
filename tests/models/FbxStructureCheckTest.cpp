// The FBX pre-scan refuses what would exhaust the import library's stack and nothing else.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "models/FbxStructureCheck.h"

namespace {

// An ASCII FBX with one model per id and the given (child, parent) links; parent 0 is the
// scene root.
std::string AsciiFbx(int models, const std::vector<std::pair<int, int>>& links,
                     const std::string& padding = {})
{
    std::string text = "; FBX 7.4.0 project file\nFBXHeaderExtension:  {\n\tFBXVersion: 7400\n}\n";
    text += padding;
    text += "Objects:  {\n";
    for (int id = 1; id <= models; ++id)
        text += "\tModel: " + std::to_string(id) + ", \"Model::M" + std::to_string(id) +
                "\", \"Null\" {\n\t\tVersion: 232\n\t}\n";
    text += "}\nConnections:  {\n";
    for (const auto& [child, parent] : links)
        text += "\tC: \"OO\"," + std::to_string(child) + "," + std::to_string(parent) + "\n";
    return text + "}\n";
}

std::vector<std::pair<int, int>> Chain(int length)
{
    std::vector<std::pair<int, int>> links;
    for (int id = 1; id <= length; ++id)
        links.emplace_back(id, id - 1);
    return links;
}

// Binary FBX 7.4 records: 32-bit header fields.
struct Record {
    std::string name;
    std::string properties;  // encoded
    std::vector<Record> children;
};

void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

std::string LongProperty(int64_t v)
{
    std::string out = "L";
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(static_cast<uint64_t>(v) >> (8 * i)));
    return out;
}

std::string StringProperty(const std::string& s)
{
    std::string out = "S";
    Put32(out, static_cast<uint32_t>(s.size()));
    return out + s;
}

void Write(const Record& record, std::string& out)
{
    const size_t start = out.size();
    Put32(out, 0);  // end offset, patched below
    Put32(out, 1);
    Put32(out, static_cast<uint32_t>(record.properties.size()));
    out.push_back(static_cast<char>(record.name.size()));
    out += record.name + record.properties;
    if (!record.children.empty()) {
        for (const Record& child : record.children)
            Write(child, out);
        out.append(13, '\0');
    }
    const uint32_t end = static_cast<uint32_t>(out.size());
    for (int i = 0; i < 4; ++i)
        out[start + i] = static_cast<char>(end >> (8 * i));
}

std::string BinaryFbx(const std::vector<Record>& top)
{
    std::string out = "Kaydara FBX Binary  ";
    out.push_back('\0');
    out.push_back('\x1a');
    out.push_back('\0');
    Put32(out, 7400);
    for (const Record& record : top)
        Write(record, out);
    out.append(13, '\0');
    return out;
}

std::string BinaryModels(int models, const std::vector<std::pair<int, int>>& links)
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

Record Nested(int depth)
{
    Record inner{"X", "", {}};
    for (int i = 1; i < depth; ++i)
        inner = Record{"X", "", {inner}};
    return inner;
}

std::string Refusal(const std::string& bytes)
{
    return FindUnsafeFbxStructure(bytes).value_or("");
}

}  // namespace

TEST(FbxStructureCheck, RefusesCyclesAndUnboundedNestingInBothEncodings)
{
    const std::vector<std::pair<int, int>> cycle = {{1, 0}, {1, 2}, {2, 1}};
    const struct {
        const char* what;
        std::string bytes;
        const char* reason;  // empty: accepted
    } cases[] = {
        {"ascii tree", AsciiFbx(3, {{1, 0}, {2, 1}, {3, 1}}), ""},
        {"ascii parent cycle", AsciiFbx(2, cycle), "cycle (model 'M"},
        {"ascii self parent", AsciiFbx(1, {{1, 1}}), "cycle (model 'M1')"},
        {"ascii 1000 levels", AsciiFbx(1000, Chain(1000)), ""},
        {"ascii 10000 levels", AsciiFbx(10000, Chain(10000)), "more than 1000 levels deep"},
        {"ascii 30000 braces", std::string(30000, '{') + std::string(30000, '}'),
         "blocks are nested more than 256"},
        {"braces in strings and comments",
         "A: \"" + std::string(1000, '{') + "\"\n;" + std::string(1000, '{') + "\n", ""},
        {"binary tree", BinaryModels(3, {{1, 0}, {2, 1}, {3, 2}}), ""},
        {"binary parent cycle", BinaryModels(2, cycle), "cycle (model 'M"},
        {"binary 10000 levels", BinaryModels(10000, Chain(10000)), "more than 1000 levels"},
        {"binary 256 blocks", BinaryFbx({Nested(256)}), ""},
        {"binary 257 blocks", BinaryFbx({Nested(257)}), "blocks are nested more than 256"},
        // Links to objects that are not models (materials, geometry) are not hierarchy.
        {"non-model links", AsciiFbx(1, {{1, 0}, {7, 1}, {1, 7}}), ""},
    };
    for (const auto& c : cases) {
        const std::string reason = Refusal(c.bytes);
        if (std::string(c.reason).empty())
            EXPECT_EQ(reason, "") << c.what;
        else
            EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
    }
}

TEST(FbxStructureCheck, TruncatedAndDamagedFilesAreLeftToTheImporter)
{
    const std::string good = BinaryModels(4, {{1, 0}, {2, 1}, {3, 2}, {4, 3}});
    for (size_t length = 0; length < good.size(); length += 7)
        EXPECT_EQ(Refusal(good.substr(0, length)), "") << length;
    std::string flipped = good;
    for (size_t i = 27; i < flipped.size(); i += 11) {
        flipped[i] = static_cast<char>(~flipped[i]);
        EXPECT_EQ(Refusal(flipped).find("nested"), std::string::npos);
    }
}

TEST(FbxStructureCheck, RealFilesPassAndFileScanMatchesMemoryScanAcrossReadChunks)
{
    const std::filesystem::path dir = "/usr/share/assimp/models/FBX";
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir, ec))
        if (entry.is_regular_file())
            EXPECT_EQ(FindUnsafeFbxStructureInFile(entry.path()).value_or(""), "") << entry.path();

    // The cycle's link line straddles the 1 MiB read boundary of the file scan.
    const auto withPadding = [](size_t bytes) {
        return AsciiFbx(2, {{1, 2}, {2, 1}}, ";" + std::string(bytes, 'x') + "\n");
    };
    const size_t linkAt = withPadding(0).find("C: \"OO\"");
    const std::string file = ::testing::TempDir() + "/straddle.fbx";
    for (size_t shift = 0; shift < 12; ++shift) {
        std::ofstream(file, std::ios::binary) << withPadding((1 << 20) - linkAt - 6 + shift);
        EXPECT_NE(FindUnsafeFbxStructureInFile(file).value_or("").find("cycle"), std::string::npos)
            << shift;
    }
    std::filesystem::remove(file);
}
