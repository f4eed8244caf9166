#include "shaders/ShaderCache.h"

#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/RegularFile.h"

namespace fs = std::filesystem;

namespace shader_cache {
namespace {

// Changes whenever the compile options or the entry format change.
constexpr char kFormatTag[] = "vornis-shader-cache-1 hlsl io-mapping offsets auto-locations O0";
constexpr uint32_t kEntryMagic = 0x31435356;  // "VSC1"
constexpr uint32_t kSpirvMagic = 0x07230203;
constexpr uint64_t kMaxEntryBytes = 64u << 20;
constexpr uint32_t kMaxIncludes = 256;
constexpr uint32_t kMaxPathBytes = 4096;

// FNV-1a, 64 bits, with a seed so that two independent hashes can be taken.
struct Hash {
    uint64_t value;
    explicit Hash(uint64_t seed) : value(1469598103934665603ull ^ seed) {}
    Hash& Add(const void* data, size_t size)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < size; ++i) {
            value ^= bytes[i];
            value *= 1099511628211ull;
        }
        return *this;
    }
    Hash& Add(const std::string& text)
    {
        const uint64_t size = text.size();
        Add(&size, sizeof(size));
        return Add(text.data(), text.size());
    }
};

uint64_t KeyHash(const CompileInputs& in, uint64_t seed)
{
    Hash hash(seed);
    hash.Add(std::string(kFormatTag)).Add(in.sourceName).Add(in.sourceText);
    hash.Add(in.entryPoint).Add(in.target);
    for (const auto& [name, value] : in.macros)
        hash.Add(name).Add(value);
    return hash.value;
}

uint64_t ContentHash(const std::string& text)
{
    return Hash(0).Add(text).value;
}

fs::path EntryPath(const fs::path& directory, uint64_t key)
{
    char name[32];
    std::snprintf(name, sizeof(name), "%016llx.spv", static_cast<unsigned long long>(key));
    return directory / name;
}

bool ReadFileLimited(const fs::path& path, uint64_t limit, std::string& bytes)
{
    platform::FileContents file = platform::ReadRegularFile(path, limit);
    bytes = std::move(file.bytes);
    return file.problem == platform::FileProblem::None;
}

// Reads fields front to back; any read past the end fails the whole entry.
class Reader {
   public:
    explicit Reader(const std::string& bytes) : bytes(bytes) {}
    bool Read(void* out, size_t size)
    {
        if (size > bytes.size() - offset)
            return false;
        std::memcpy(out, bytes.data() + offset, size);
        offset += size;
        return true;
    }
    template <typename T>
    bool Read(T& value)
    {
        return Read(&value, sizeof(T));
    }
    bool AtEnd() const { return offset == bytes.size(); }

   private:
    const std::string& bytes;
    size_t offset = 0;
};

template <typename T>
void Append(std::string& out, const T& value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof(T));
}

}  // namespace

std::optional<fs::path> Directory()
{
    if (const char* chosen = std::getenv("VORNIS_SHADER_CACHE")) {
        if (std::strcmp(chosen, "off") == 0 || chosen[0] == '\0')
            return std::nullopt;
        return fs::path(chosen);
    }
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/')
        return fs::path(cache) / "vornis" / "shaders";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return fs::path(home) / ".cache" / "vornis" / "shaders";
    return std::nullopt;
}

bool Load(const CompileInputs& inputs, ShaderBytecode& code)
{
    code.clear();
    const std::optional<fs::path> directory = Directory();
    if (!directory)
        return false;
    std::string bytes;
    if (!ReadFileLimited(EntryPath(*directory, KeyHash(inputs, 0)), kMaxEntryBytes, bytes))
        return false;
    Reader reader(bytes);
    uint32_t magic = 0, includeCount = 0, wordCount = 0;
    uint64_t check = 0;
    if (!reader.Read(magic) || magic != kEntryMagic || !reader.Read(check) ||
        check != KeyHash(inputs, 1) || !reader.Read(includeCount) || includeCount > kMaxIncludes)
        return false;
    for (uint32_t i = 0; i < includeCount; ++i) {
        uint32_t pathBytes = 0;
        uint64_t contentHash = 0;
        if (!reader.Read(pathBytes) || pathBytes > kMaxPathBytes)
            return false;
        std::string path(pathBytes, '\0');
        std::string content;
        if (!reader.Read(path.data(), pathBytes) || !reader.Read(contentHash) ||
            !ReadFileLimited(path, kMaxEntryBytes, content) || ContentHash(content) != contentHash)
            return false;
    }
    if (!reader.Read(wordCount) || wordCount == 0 || wordCount > kMaxEntryBytes / 4)
        return false;
    ShaderBytecode words(wordCount);
    if (!reader.Read(words.data(), words.size() * sizeof(uint32_t)) || !reader.AtEnd() ||
        words[0] != kSpirvMagic)
        return false;
    code = std::move(words);
    return true;
}

void Store(const CompileInputs& inputs, const std::vector<IncludedFile>& includes,
           const ShaderBytecode& code)
{
    const std::optional<fs::path> directory = Directory();
    if (!directory || code.empty() || includes.size() > kMaxIncludes)
        return;
    std::string bytes;
    Append(bytes, kEntryMagic);
    Append(bytes, KeyHash(inputs, 1));
    Append(bytes, static_cast<uint32_t>(includes.size()));
    for (const IncludedFile& file : includes) {
        if (file.path.size() > kMaxPathBytes)
            return;
        Append(bytes, static_cast<uint32_t>(file.path.size()));
        bytes += file.path;
        Append(bytes, ContentHash(file.content));
    }
    Append(bytes, static_cast<uint32_t>(code.size()));
    bytes.append(reinterpret_cast<const char*>(code.data()), code.size() * sizeof(uint32_t));

    std::error_code ec;
    fs::create_directories(*directory, ec);
    // A unique temporary name, then a rename: readers never see a half-written entry.
    static std::atomic<uint64_t> counter{0};
    const fs::path entry = EntryPath(*directory, KeyHash(inputs, 0));
    fs::path temporary = entry;
    temporary += "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            out.close();
            fs::remove(temporary, ec);
            return;
        }
    }
    fs::rename(temporary, entry, ec);
    if (ec)
        fs::remove(temporary, ec);
}

}  // namespace shader_cache
