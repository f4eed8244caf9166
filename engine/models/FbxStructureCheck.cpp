#include "models/FbxStructureCheck.h"

#include <fcntl.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

constexpr std::string_view kBinaryMagic = "Kaydara FBX Binary";
constexpr size_t kBinaryHeaderBytes = 27;  // magic, 0x1A 0x00, version
constexpr uint32_t kLargeHeaderVersion = 7500;

// ---------------------------------------------------------------------------------------
// The model hierarchy: model ids, names for messages and the parent links between models.

struct ModelGraph {
    std::unordered_map<int64_t, std::string> names;
    std::vector<std::pair<int64_t, int64_t>> links;  // (child, parent), both may be models

    void AddModel(int64_t id, std::string_view name)
    {
        names.emplace(id, std::string(name.substr(0, name.find('\0'))));
    }
};

std::string ModelName(const ModelGraph& graph, int64_t id)
{
    const auto it = graph.names.find(id);
    return it == graph.names.end() || it->second.empty() ? std::to_string(id) : it->second;
}

// Refuses a cycle among the model parent links, or a chain deeper than the limit.
// Iterative, so the check itself cannot run out of stack.
std::optional<std::string> CheckModelGraph(const ModelGraph& graph)
{
    std::unordered_map<int64_t, uint32_t> index;
    std::vector<int64_t> ids;
    for (const auto& [id, name] : graph.names) {
        index.emplace(id, static_cast<uint32_t>(ids.size()));
        ids.push_back(id);
    }
    // Parents of each model, as a compact adjacency list.
    std::vector<uint32_t> first(ids.size() + 1, 0);
    std::vector<std::pair<uint32_t, uint32_t>> edges;
    for (const auto& [child, parent] : graph.links) {
        const auto c = index.find(child);
        const auto p = index.find(parent);
        if (c != index.end() && p != index.end())
            edges.emplace_back(c->second, p->second);
    }
    std::sort(edges.begin(), edges.end());
    for (const auto& edge : edges)
        ++first[edge.first + 1];
    for (size_t i = 1; i < first.size(); ++i)
        first[i] += first[i - 1];

    enum : uint8_t { kUnseen, kOnPath, kDone };
    std::vector<uint8_t> state(ids.size(), kUnseen);
    std::vector<uint32_t> depth(ids.size(), 1);
    struct Frame {
        uint32_t node;
        uint32_t next;  // next parent edge to follow
    };
    std::vector<Frame> path;
    for (uint32_t start = 0; start < ids.size(); ++start) {
        if (state[start] != kUnseen)
            continue;
        path.push_back({start, first[start]});
        state[start] = kOnPath;
        while (!path.empty()) {
            Frame& frame = path.back();
            if (frame.next == first[frame.node + 1]) {
                state[frame.node] = kDone;
                const uint32_t finished = frame.node;
                path.pop_back();
                if (depth[finished] > kMaxFbxModelDepth)
                    return "models are nested more than " + std::to_string(kMaxFbxModelDepth) +
                           " levels deep (model '" + ModelName(graph, ids[finished]) + "')";
                if (!path.empty())
                    depth[path.back().node] =
                        std::max(depth[path.back().node], depth[finished] + 1);
                continue;
            }
            const uint32_t parent = edges[frame.next++].second;
            if (state[parent] == kOnPath)
                return "models are parented in a cycle (model '" + ModelName(graph, ids[parent]) +
                       "')";
            if (state[parent] == kDone) {
                depth[frame.node] = std::max(depth[frame.node], depth[parent] + 1);
                continue;
            }
            state[parent] = kOnPath;
            path.push_back({parent, first[parent]});
        }
    }
    return std::nullopt;
}

std::optional<int64_t> ParseId(std::string_view text)
{
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::string NestingMessage()
{
    return "blocks are nested more than " + std::to_string(kMaxFbxBlockNesting) + " levels deep";
}

// ---------------------------------------------------------------------------------------
// ASCII files: one streaming pass. Below the second level (the bulk of a file: properties
// and arrays) only braces, strings and comments matter; the top two levels are tokenised
// to find the "Objects" models and the "Connections" links.

class AsciiScanner {
   public:
    explicit AsciiScanner(ModelGraph& graph) : graph(graph) {}

    // Returns false as soon as the nesting limit is passed.
    bool Feed(std::string_view chunk)
    {
        const char* p = chunk.data();
        const char* end = p + chunk.size();
        while (p < end) {
            switch (mode) {
                case Mode::String: {
                    const char* close = static_cast<const char*>(std::memchr(p, '"', end - p));
                    const char* stop = close ? close : end;
                    if (depth <= 1)
                        Append(p, stop);
                    p = stop;
                    if (close) {
                        ++p;
                        mode = Mode::Normal;
                        if (depth <= 1)
                            EndDataToken();
                    }
                    break;
                }
                case Mode::Comment: {
                    const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
                    p = eol ? eol + 1 : end;
                    if (eol)
                        mode = Mode::Normal;
                    break;
                }
                case Mode::Token: {
                    const char* start = p;
                    while (p < end && !IsDelimiter(*p))
                        ++p;
                    Append(start, p);
                    if (p == end)
                        break;
                    mode = Mode::Normal;
                    if (*p == ':') {
                        ++p;
                        EndKeyToken();
                    } else {
                        EndDataToken();
                    }
                    break;
                }
                case Mode::Normal:
                    if (depth >= 2) {
                        p = SkipPlain(p, end);
                        if (p == end)
                            break;
                    }
                    if (!Step(*p++))
                        return false;
                    break;
            }
        }
        return true;
    }

    void Finish()
    {
        if (mode == Mode::Token && depth <= 1)
            EndDataToken();
        EndElement();
    }

   private:
    enum class Mode { Normal, String, Comment, Token };
    enum class Section { Other, Objects, Connections };
    static constexpr size_t kMaxToken = 256;

    static constexpr std::array<bool, 256> kSpecial = [] {
        std::array<bool, 256> table{};
        table['{'] = table['}'] = table['"'] = table[';'] = true;
        return table;
    }();

    // The next brace, quote or semicolon. Most of a large file is numbers: sixteen bytes
    // at a time where the processor allows it.
    static const char* SkipPlain(const char* p, const char* end)
    {
#if defined(__SSE2__)
        const __m128i open = _mm_set1_epi8('{'), close = _mm_set1_epi8('}');
        const __m128i quote = _mm_set1_epi8('"'), semicolon = _mm_set1_epi8(';');
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i hits =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close)),
                             _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, semicolon)));
            if (const int mask = _mm_movemask_epi8(hits))
                return p + __builtin_ctz(static_cast<unsigned>(mask));
            p += 16;
        }
#endif
        while (p < end && !kSpecial[static_cast<uint8_t>(*p)])
            ++p;
        return p;
    }

    static bool IsDelimiter(char c)
    {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == ':' ||
               c == '{' || c == '}' || c == '"' || c == ';';
    }

    // One character outside strings, comments and bare tokens.
    bool Step(char c)
    {
        switch (c) {
            case '"':
                mode = Mode::String;
                token.clear();
                return true;
            case ';':
                mode = Mode::Comment;
                return true;
            case '{':
                if (depth == 0)
                    section = key == "Objects"       ? Section::Objects
                              : key == "Connections" ? Section::Connections
                                                     : Section::Other;
                if (depth == 1)
                    EndElement();
                return ++depth <= kMaxFbxBlockNesting;
            case '}':
                if (depth == 1)
                    EndElement();
                if (depth > 0)
                    --depth;
                if (depth == 0)
                    section = Section::Other;
                return true;
            case ' ':
            case '\t':
            case '\r':
            case '\n':
            case ',':
            case ':':
                return true;
            default:
                if (depth >= 2)
                    return true;
                mode = Mode::Token;
                token.assign(1, c);
                return true;
        }
    }

    void Append(const char* from, const char* to)
    {
        const size_t room = kMaxToken - std::min(kMaxToken, token.size());
        token.append(from, std::min<size_t>(room, to - from));
    }

    void EndKeyToken()
    {
        if (depth == 1)
            EndElement();
        key = token;
        values.clear();
    }

    void EndDataToken()
    {
        if (values.size() < 3)
            values.push_back(token);
    }

    // An element of the second level ends: record what it says about models.
    void EndElement()
    {
        if (depth == 1 && section == Section::Objects && key == "Model" && !values.empty()) {
            if (const std::optional<int64_t> id = ParseId(values[0])) {
                std::string_view name = values.size() > 1 ? values[1] : std::string_view();
                if (name.rfind("Model::", 0) == 0)
                    name.remove_prefix(7);
                graph.AddModel(*id, name);
            }
        }
        if (depth == 1 && section == Section::Connections && key == "C" && values.size() == 3 &&
            values[0] == "OO") {
            const std::optional<int64_t> child = ParseId(values[1]);
            const std::optional<int64_t> parent = ParseId(values[2]);
            if (child && parent)
                graph.links.emplace_back(*child, *parent);
        }
        if (depth == 1) {
            key.clear();
            values.clear();
        }
    }

    ModelGraph& graph;
    Mode mode = Mode::Normal;
    Section section = Section::Other;
    uint32_t depth = 0;
    std::string token;
    std::string key;
    std::vector<std::string> values;
};

// ---------------------------------------------------------------------------------------
// Binary files: a walk over the block headers, jumping over property data.

// Random reads through a small window, from memory or from a file.
class ByteSource {
   public:
    explicit ByteSource(std::string_view memory) : memory(memory), size(memory.size()) {}
    ByteSource(int fd, uint64_t size) : fd(fd), size(size) {}

    uint64_t Size() const { return size; }

    bool Read(uint64_t offset, void* out, size_t count)
    {
        if (offset > size || count > size - offset)
            return false;
        if (fd < 0) {
            std::memcpy(out, memory.data() + offset, count);
            return true;
        }
        if (offset < windowStart || offset + count > windowStart + window.size()) {
            window.resize(std::max<size_t>(count, kWindowBytes));
            const ssize_t got = pread(fd, window.data(), window.size(), static_cast<off_t>(offset));
            if (got < static_cast<ssize_t>(count)) {
                window.clear();
                return false;
            }
            window.resize(static_cast<size_t>(got));
            windowStart = offset;
        }
        std::memcpy(out, window.data() + (offset - windowStart), count);
        return true;
    }

   private:
    static constexpr size_t kWindowBytes = 64 * 1024;
    std::string_view memory;
    int fd = -1;
    uint64_t size = 0;
    std::vector<char> window;
    uint64_t windowStart = 0;
};

template <typename T>
T LoadLittleEndian(const unsigned char* bytes)
{
    T value = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        value |= static_cast<T>(bytes[i]) << (8 * i);
    return value;
}

// The leading properties of one record: integers and strings, until anything else.
struct RecordProperties {
    std::vector<int64_t> integers;
    std::vector<std::string> strings;
};

RecordProperties ReadProperties(ByteSource& source, uint64_t offset, uint64_t length)
{
    RecordProperties result;
    std::vector<unsigned char> bytes(std::min<uint64_t>(length, 1024));
    if (!source.Read(offset, bytes.data(), bytes.size()))
        return result;
    size_t at = 0;
    while (at < bytes.size()) {
        const char type = static_cast<char>(bytes[at++]);
        if (type == 'L' && at + 8 <= bytes.size()) {
            result.integers.push_back(LoadLittleEndian<int64_t>(&bytes[at]));
            at += 8;
        } else if ((type == 'S' || type == 'R') && at + 4 <= bytes.size()) {
            const uint32_t count = LoadLittleEndian<uint32_t>(&bytes[at]);
            at += 4;
            if (count > bytes.size() - at)
                break;
            if (type == 'S')
                result.strings.emplace_back(reinterpret_cast<const char*>(&bytes[at]), count);
            at += count;
        } else {
            break;
        }
    }
    return result;
}

std::optional<std::string> ScanBinary(ByteSource& source, ModelGraph& graph)
{
    unsigned char versionBytes[4];
    if (!source.Read(23, versionBytes, 4))
        return std::nullopt;
    const bool largeHeaders = LoadLittleEndian<uint32_t>(versionBytes) >= kLargeHeaderVersion;
    const size_t headerBytes = largeHeaders ? 25 : 13;

    enum class Kind { Other, Objects, Connections };
    struct Open {
        uint64_t end;
        Kind kind;
    };
    std::vector<Open> open;
    uint64_t at = kBinaryHeaderBytes;
    for (;;) {
        const uint64_t scopeEnd = open.empty() ? source.Size() : open.back().end;
        unsigned char header[25 + 255];
        if (at + headerBytes > scopeEnd || !source.Read(at, header, headerBytes)) {
            if (open.empty())
                return std::nullopt;
            at = open.back().end;
            open.pop_back();
            continue;
        }
        const uint64_t end =
            largeHeaders ? LoadLittleEndian<uint64_t>(header) : LoadLittleEndian<uint32_t>(header);
        const uint64_t propertyBytes = largeHeaders ? LoadLittleEndian<uint64_t>(header + 16)
                                                    : LoadLittleEndian<uint32_t>(header + 8);
        const uint8_t nameLength = header[headerBytes - 1];
        if (end == 0) {  // the empty record that closes a list
            if (open.empty())
                return std::nullopt;
            at = open.back().end;
            open.pop_back();
            continue;
        }
        if (open.size() + 1 > kMaxFbxBlockNesting)
            return NestingMessage();
        const uint64_t nameAt = at + headerBytes;
        if (end > scopeEnd || end < nameAt + nameLength ||
            !source.Read(nameAt, header + headerBytes, nameLength))
            return std::nullopt;  // malformed: the library will say so
        const std::string_view name(reinterpret_cast<const char*>(header + headerBytes),
                                    nameLength);
        const uint64_t propertiesAt = nameAt + nameLength;
        if (propertyBytes > end - propertiesAt)
            return std::nullopt;
        const uint64_t childrenAt = propertiesAt + propertyBytes;

        const Kind parent = open.empty() ? Kind::Other : open.back().kind;
        if (parent == Kind::Objects && name == "Model") {
            const RecordProperties properties = ReadProperties(source, propertiesAt, propertyBytes);
            if (!properties.integers.empty())
                graph.AddModel(properties.integers[0],
                               properties.strings.empty() ? "" : properties.strings[0]);
        } else if (parent == Kind::Connections && name == "C") {
            const RecordProperties properties = ReadProperties(source, propertiesAt, propertyBytes);
            if (properties.integers.size() >= 2 && !properties.strings.empty() &&
                properties.strings[0] == "OO")
                graph.links.emplace_back(properties.integers[0], properties.integers[1]);
        }

        if (childrenAt < end) {
            const Kind kind = !open.empty()           ? Kind::Other
                              : name == "Objects"     ? Kind::Objects
                              : name == "Connections" ? Kind::Connections
                                                      : Kind::Other;
            open.push_back({end, kind});
            at = childrenAt;
        } else {
            at = end;
        }
    }
}

bool IsBinary(std::string_view start)
{
    return start.substr(0, kBinaryMagic.size()) == kBinaryMagic;
}

std::optional<std::string> Verdict(std::optional<std::string> structureProblem,
                                   const ModelGraph& graph)
{
    if (structureProblem)
        return structureProblem;
    return CheckModelGraph(graph);
}

}  // namespace

std::optional<std::string> FindUnsafeFbxStructure(std::string_view bytes)
{
    ModelGraph graph;
    if (IsBinary(bytes)) {
        ByteSource source(bytes);
        return Verdict(ScanBinary(source, graph), graph);
    }
    AsciiScanner scanner(graph);
    if (!scanner.Feed(bytes))
        return NestingMessage();
    scanner.Finish();
    return CheckModelGraph(graph);
}

std::optional<std::string> FindUnsafeFbxStructureInFile(const std::filesystem::path& path)
{
    // Non-blocking: a FIFO or device must not stall the load thread here.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct FdCloser {
        int fd;
        ~FdCloser() { close(fd); }
    } closer{fd};
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;

    // Read, not mapped: a file rewritten while it is scanned must not fault the reader.
    char magic[kBinaryMagic.size()] = {};
    const ssize_t got = pread(fd, magic, sizeof(magic), 0);
    ModelGraph graph;
    if (got == static_cast<ssize_t>(sizeof(magic)) &&
        IsBinary(std::string_view(magic, sizeof(magic)))) {
        ByteSource source(fd, static_cast<uint64_t>(info.st_size));
        return Verdict(ScanBinary(source, graph), graph);
    }
    AsciiScanner scanner(graph);
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t count = read(fd, buffer.data(), buffer.size());
        if (count <= 0)
            break;
        if (!scanner.Feed(std::string_view(buffer.data(), static_cast<size_t>(count))))
            return NestingMessage();
    }
    scanner.Finish();
    return CheckModelGraph(graph);
}
