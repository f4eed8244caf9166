// Writes a set of hostile model files for vornis-snap to chew on (tools/hostile-snap.sh):
// real files cut at many offsets and with flipped bits, random bytes, and every structure
// and special file that once took the import down or blocked it.
//
// Usage: vornis-make-hostile-set FOLDER
// Prints one line per file: its name and the class it belongs to.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "HostileFbx.h"

namespace {

namespace fs = std::filesystem;
using namespace hostile_fbx;

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class HostileSet {
   public:
    explicit HostileSet(fs::path folder) : folder(std::move(folder)) {}

    void Add(const std::string& name, const std::string& kind, const std::string& bytes)
    {
        WriteFile(folder / name, bytes);
        Note(name, kind);
    }

    void Note(const std::string& name, const std::string& kind)
    {
        std::printf("%-36s %s\n", name.c_str(), kind.c_str());
        ++count;
    }

    fs::path Path(const std::string& name) const { return folder / name; }
    int Count() const { return count; }

   private:
    fs::path folder;
    int count = 0;
};

// Cuts at the start, in the header, and at fractions of the file.
void AddTruncations(HostileSet& set, const std::string& stem, const std::string& bytes)
{
    const size_t size = bytes.size();
    const size_t cuts[] = {0,         1,        20,       27,           64,       200,
                           size / 10, size / 4, size / 2, size * 3 / 4, size - 1, size * 9 / 10};
    for (size_t cut : cuts)
        set.Add(stem + "_cut" + std::to_string(cut) + ".fbx", "truncated",
                bytes.substr(0, std::min(cut, size)));
}

void AddBitFlips(HostileSet& set, const std::string& stem, const std::string& bytes, int files)
{
    std::mt19937 random(static_cast<unsigned>(bytes.size()));
    for (int file = 0; file < files; ++file) {
        std::string flipped = bytes;
        const int flips = 1 << (2 * file);  // 1, 4, 16, 64, ...
        for (int i = 0; i < flips && !flipped.empty(); ++i)
            flipped[random() % flipped.size()] ^= static_cast<char>(1 << (random() % 8));
        set.Add(stem + "_flip" + std::to_string(flips) + ".fbx", "bit flips", flipped);
    }
}

void AddRandom(HostileSet& set)
{
    std::mt19937 random(20240601);
    const std::string heads[] = {"", std::string("Kaydara FBX Binary  \0\x1a\0\xe8\x1c\0\0", 27),
                                 AsciiHeader()};
    const char* headNames[] = {"plain", "binary", "ascii"};
    for (size_t size : {size_t(1), size_t(4096), size_t(1) << 20}) {
        for (int h = 0; h < 3; ++h) {
            std::string bytes = heads[h];
            for (size_t i = 0; i < size; ++i)
                bytes.push_back(static_cast<char>(random()));
            set.Add(std::string("random_") + headNames[h] + "_" + std::to_string(size) + ".fbx",
                    "random bytes", bytes);
        }
    }
}

void AddStructures(HostileSet& set)
{
    set.Add("cycle_real_file.fbx", "parent cycle", RealFileWithParentCycle());
    set.Add("cycle_ascii.fbx", "parent cycle", AsciiModels(3, {{1, 0}, {2, 1}, {3, 2}, {1, 3}}));
    set.Add("cycle_self.fbx", "parent cycle", AsciiModels(1, {{1, 0}, {1, 1}}));
    set.Add("cycle_binary.fbx", "parent cycle", BinaryModels(2, {{1, 0}, {2, 1}, {1, 2}}));
    std::string property = AsciiModels(2, {{1, 0}, {2, 1}});
    set.Add("cycle_empty_property_link.fbx", "parent cycle",
            property.insert(property.rfind('}'), "\tC: \"OP\",1,2,\"\"\n"));
    std::string comment = AsciiModels(2, {{1, 0}, {2, 1}});
    set.Add("cycle_behind_cr_comment.fbx", "parent cycle",
            comment.insert(comment.rfind('}'), "\t; comment\r\tC: \"OO\",1,2\n"));
    set.Add("models_10000_deep.fbx", "nested models", AsciiModels(10000, Chain(10000)));
    set.Add("models_100000_deep.fbx", "nested models", AsciiModels(100000, Chain(100000)));
    set.Add("models_binary_10000_deep.fbx", "nested models", BinaryModels(10000, Chain(10000)));
    std::vector<std::pair<int, int>> lattice = {{1, 0}, {2, 0}};
    for (int row = 1; row < 40; ++row)
        for (int m = 1; m <= 2; ++m)
            for (int p = 1; p <= 2; ++p)
                lattice.emplace_back(row * 2 + m, (row - 1) * 2 + p);
    set.Add("models_shared_lattice.fbx", "shared models", AsciiModels(80, lattice));
    set.Add("braces_30000.fbx", "nested blocks", AsciiNestedBlocks(30000));
    set.Add("braces_bare_30000.fbx", "nested blocks",
            std::string(30000, '{') + std::string(30000, '}'));
    set.Add("blocks_binary_100000.fbx", "nested blocks", BinaryNestedBlocks(100000, false));
    set.Add("blocks_binary_zero_word.fbx", "nested blocks", BinaryNestedBlocks(100000, true));
    set.Add("array_count_absurd.fbx", "absurd counts",
            AsciiHeader() +
                "Objects: {\n\tGeometry: 1, \"Geometry::\", \"Mesh\" {\n"
                "\t\tVertices: *999999999999 {\n\t\t\ta: 1,2,3\n\t\t}\n\t}\n}\n");
    set.Add("empty.fbx", "empty file", "");
}

void AddSpecialFiles(HostileSet& set)
{
    fs::create_directories(set.Path("directory.fbx"));
    set.Note("directory.fbx", "directory");
    mkfifo(set.Path("fifo.fbx").c_str(), 0600);
    set.Note("fifo.fbx", "FIFO");
    fs::create_symlink("gone.fbx", set.Path("dangling_link.fbx"));
    set.Note("dangling_link.fbx", "dangling link");
    fs::create_symlink("link_loop_b.fbx", set.Path("link_loop_a.fbx"));
    fs::create_symlink("link_loop_a.fbx", set.Path("link_loop_b.fbx"));
    set.Note("link_loop_a.fbx", "link loop");
    fs::create_symlink("/dev/zero", set.Path("device_link.fbx"));
    set.Note("device_link.fbx", "device");
    set.Add(std::string(200, 'n') + ".fbx", "long name",
            ReadFile(fs::path(kFbxDirectory) / "cubes_with_names.fbx"));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vornis-make-hostile-set FOLDER\n");
        return 2;
    }
    const fs::path folder = argv[1];
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder);
    HostileSet set(folder);
    for (const char* real : {"spider.fbx", "cubes_with_names.fbx", "huesitos.fbx"}) {
        const std::string bytes = ReadFile(fs::path(kFbxDirectory) / real);
        if (bytes.empty()) {
            std::fprintf(stderr, "cannot read %s%s\n", kFbxDirectory, real);
            return 1;
        }
        const std::string stem = fs::path(real).stem().string();
        AddTruncations(set, stem, bytes);
        AddBitFlips(set, stem, bytes, 5);
    }
    AddRandom(set);
    AddStructures(set);
    AddSpecialFiles(set);
    std::printf("%d files in %s\n", set.Count(), folder.c_str());
    return 0;
}
