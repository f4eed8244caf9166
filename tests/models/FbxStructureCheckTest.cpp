// The FBX pre-scan refuses what would exhaust the import library's stack or memory, sees
// what the library's tokenizers see, and passes every real file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "HostileFbx.h"
#include "models/FbxModelGraph.h"
#include "models/FbxStructureCheck.h"

namespace {

using namespace hostile_fbx;

std::string Refusal(const std::string& bytes)
{
    return FindUnsafeFbxStructure(bytes).value_or("");
}

// Whether the scan refuses `bytes` for a reason that holds `reason`.
bool Refuses(const std::string& bytes, const std::string& reason)
{
    return Refusal(bytes).find(reason) != std::string::npos;
}

// Models 1 and 2 under the root, then `extra` (one line of the Connections block).
std::string AsciiWithLink(const std::string& extra)
{
    std::string text = AsciiModels(2, {{1, 0}, {2, 1}});
    return text.insert(text.rfind('}'), extra + "\n");
}

// Rows of `width` models, each a child of every model of the row above.
std::string Lattice(int rows, int width)
{
    std::vector<std::pair<int, int>> links;
    for (int m = 1; m <= width; ++m)
        links.emplace_back(m, 0);
    for (int row = 1; row < rows; ++row)
        for (int m = 1; m <= width; ++m)
            for (int p = 1; p <= width; ++p)
                links.emplace_back(row * width + m, (row - 1) * width + p);
    return AsciiModels(rows * width, links);
}

}  // namespace

TEST(FbxStructureCheck, RefusesCyclesDeepChainsNestingAndSharedModelsInBothEncodings)
{
    const std::vector<std::pair<int, int>> cycle = {{1, 0}, {1, 2}, {2, 1}};
    const struct {
        const char* what;
        std::string bytes;
        const char* reason;  // empty: accepted
    } cases[] = {
        {"ascii tree", AsciiModels(3, {{1, 0}, {2, 1}, {3, 1}}), ""},
        {"ascii parent cycle", AsciiModels(2, cycle), "cycle (model 'M"},
        {"ascii self parent", AsciiModels(1, {{1, 1}}), "cycle (model 'M1')"},
        {"ascii 1000 levels", AsciiModels(1000, Chain(1000)), ""},
        {"ascii 1001 levels", AsciiModels(1001, Chain(1001)), "more than 1000 levels deep"},
        {"ascii 256 blocks", AsciiNestedBlocks(256), ""},
        {"ascii 257 blocks", AsciiNestedBlocks(257), "blocks are nested more than 256"},
        {"ascii 30000 braces", std::string(30000, '{') + std::string(30000, '}'),
         "blocks are nested more than 256"},
        {"braces in strings and comments",
         "A: \"" + std::string(1000, '{') + "\"\n;" + std::string(1000, '{') + "\n", ""},
        {"real file with a cycle", RealFileWithParentCycle(), "cycle (model '"},
        {"binary tree", BinaryModels(3, {{1, 0}, {2, 1}, {3, 2}}), ""},
        {"binary parent cycle", BinaryModels(2, cycle), "cycle (model 'M"},
        {"binary 1001 levels", BinaryModels(1001, Chain(1001)), "more than 1000 levels"},
        {"binary 256 blocks", BinaryFbx({NestedRecords(257)}), ""},
        {"binary 257 blocks", BinaryFbx({NestedRecords(258)}), "blocks are nested more than 256"},
        // Links to objects that are not models (materials, geometry) are not hierarchy.
        {"non-model links", AsciiModels(1, {{1, 0}, {7, 1}, {1, 7}}), ""},
        // Shared children are built once per parent: 2^20 nodes from 40 models.
        {"lattice of shared models", Lattice(20, 2), "would make 2097150 nodes"},
        {"small lattice", Lattice(3, 2), ""},
    };
    for (const auto& c : cases) {
        const std::string reason = Refusal(c.bytes);
        EXPECT_EQ(reason.empty(), *c.reason == '\0') << c.what << ": " << reason;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
    }
}

// Each of these spellings makes the library follow the link (each crashed it with the
// link closing a cycle); the scan must read them alike.
TEST(FbxStructureCheck, SeesLinksTheWayTheLibraryReadsThem)
{
    const char* links[] = {
        "\tC: \"OO\",1,2",
        "\tC: \"XX\",1,2",       // any type but "PP" links objects
        "\tC: \"OP\",1,2,\"\"",  // a property link without a property
        "\tC: \"OO\",1abc,2",    // ids end at the first non-digit
        "\tC: \"OO\",0000000000000000000000000000000000000000001,2",
        "\t; a comment ended by a carriage return\r\tC: \"OO\",1,2",
        "\t; ended by a form feed\f\tC: \"OO\",1,2",
    };
    for (const char* link : links)
        EXPECT_TRUE(Refuses(AsciiWithLink(link), "cycle")) << link;

    EXPECT_EQ(Refusal(AsciiWithLink("\tC: \"PP\",1,2")), "");
    EXPECT_EQ(Refusal(AsciiWithLink("\tC: \"OP\",1,2,\"Lcl Translation\"")), "");

    // An id that overflows 64 bits reads as 0, the root: a model with it is its own parent.
    std::string overflow = AsciiWithLink("\tC: \"OO\",99999999999999999999999,2");
    overflow.replace(overflow.find("Model: 1,"), 9, "Model: 18446744073709551616,");
    EXPECT_TRUE(Refuses(overflow, "cycle"));

    // A binary reader steps over a zero word inside a record and reads on.
    EXPECT_TRUE(Refuses(BinaryNestedBlocks(300, true), "nested more than 256"));
    EXPECT_EQ(Refusal(BinaryNestedBlocks(256, true)), "");

    // A link whose type string is long: the ids after it still count.
    const std::string longType(5000, 'Q');
    Record objects{"Objects", "", {}};
    for (int id = 1; id <= 2; ++id)
        objects.children.push_back({"Model", LongProperty(id), {}});
    Record connections{"Connections", "", {}};
    for (const auto& [child, parent] : {std::pair{1, 2}, std::pair{2, 1}})
        connections.children.push_back(
            {"C", StringProperty(longType) + LongProperty(child) + LongProperty(parent), {}});
    EXPECT_TRUE(Refuses(BinaryFbx({objects, connections}), "cycle"));
}

// The library sizes buffers by an array's claimed count: it must fit the file.
TEST(FbxStructureCheck, RefusesArraysThatClaimMoreValuesThanTheFileHolds)
{
    const auto ascii = [](const std::string& count) {
        return AsciiHeader() + "Objects: {\n\tGeometry: 1, \"Geometry::\", \"Mesh\" {\n" +
               "\t\tVertices: *" + count + " {\n\t\t\ta: 1,2,3\n\t\t}\n\t}\n}\n";
    };
    EXPECT_EQ(Refusal(ascii("3")), "");
    EXPECT_EQ(Refusal(ascii("999999999999")),
              "an array claims 999999999999 values, more than the file holds");

    // Type, count, encoding (0 plain, 1 deflate), stored bytes, then the bytes.
    const auto array = [](char type, uint32_t count, uint32_t encoding, uint32_t stored) {
        std::string out(1, type);
        for (uint32_t v : {count, encoding, stored})
            Put32(out, v);
        return out + std::string(stored, '\0');
    };
    const auto binary = [](const std::string& properties) {
        return BinaryFbx({{"Objects", "", {{"Geometry", LongProperty(1) + properties, {}}}}});
    };
    EXPECT_EQ(Refusal(binary(array('f', 3, 0, 12) + array('d', 1000, 1, 40))), "");
    // 0x40000001 floats make 4 bytes in 32-bit arithmetic: the reader would read 4 GiB.
    EXPECT_TRUE(Refuses(binary(array('f', 0x40000001, 0, 4)), "an array claims 1073741825"));
    EXPECT_TRUE(Refuses(binary(array('d', 100000000, 1, 40)), "an array claims 100000000"));
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

TEST(FbxStructureCheck, RealFilesPass)
{
    std::error_code ec;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kFbxDirectory, ec)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        EXPECT_EQ(Refusal(bytes), "") << entry.path();
    }
}
