#include "models/FbxStructureCheck.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <cstring>
#include <vector>

#include "models/FbxBinaryFormat.h"
#include "models/FbxModelGraph.h"

namespace {

std::string NestingMessage()
{
    return "blocks are nested more than " + std::to_string(kMaxFbxBlockNesting) + " levels deep";
}

std::string ArrayMessage(uint64_t count)
{
    return "an array claims " + std::to_string(count) + " values, more than the file holds";
}

// Whether a connection makes its source a child of its destination in the library's model
// walk: every type but "PP", except object-property links that name a property.
bool IsHierarchyLink(std::string_view type, std::string_view property)
{
    return type != "PP" && !(type == "OP" && !property.empty());
}

// ---------------------------------------------------------------------------------------
// ASCII files: one pass. Below the second level (the bulk of a file: properties and
// arrays) only braces, strings and comments matter; the top two levels are tokenised to
// find the "Objects" models and the "Connections" links.

class AsciiScanner {
   public:
    explicit AsciiScanner(FbxModelGraph& graph) : graph(graph) {}

    // Why the file must be refused, as soon as that is known.
    std::optional<std::string> Scan(std::string_view bytes)
    {
        const char* p = bytes.data();
        const char* const end = p + bytes.size();
        while (p < end) {
            if (depth >= 2) {
                p = SkipPlain(p, end);
                if (p == end)
                    break;
            }
            switch (*p) {
                case '"': {
                    if (depth >= 2 && section == Section::Objects &&
                        FollowsContentKey(bytes.data(), p) && !IsBase64Content(p, end))
                        return "an embedded file's content is not base64";
                    const char* close = static_cast<const char*>(
                        std::memchr(p + 1, '"', static_cast<size_t>(end - p - 1)));
                    const char* stop = close ? close : end;
                    Data(std::string_view(p + 1, static_cast<size_t>(stop - p - 1)));
                    p = close ? close + 1 : end;
                    break;
                }
                case ';':
                    p = SkipComment(p + 1, end);
                    break;
                case '{':
                    if (!Open())
                        return NestingMessage();
                    ++p;
                    break;
                case '*': {
                    // An array's size: the library reserves room for that many values.
                    const char* digits = ++p;
                    while (p < end && *p >= '0' && *p <= '9')
                        ++p;
                    const std::optional<uint64_t> count =
                        ParseFbxTextId(std::string_view(digits, static_cast<size_t>(p - digits)));
                    if (count && *count > bytes.size())
                        return ArrayMessage(*count);
                    break;
                }
                case '}':
                    Close();
                    ++p;
                    break;
                default: {
                    if (IsDelimiter(*p)) {
                        ++p;
                        break;
                    }
                    const char* start = p;
                    while (p < end && !IsDelimiter(*p))
                        ++p;
                    const std::string_view token(start, static_cast<size_t>(p - start));
                    // Only a colon right after a token makes it a key; the library refuses
                    // one after white space.
                    if (p < end && *p == ':') {
                        ++p;
                        Key(token);
                    } else {
                        Data(token);
                    }
                    break;
                }
            }
        }
        if (depth == 1)
            EndElement();
        return std::nullopt;
    }

   private:
    enum class Section { Other, Objects, Connections };

    static constexpr std::array<bool, 256> kSpecial = [] {
        std::array<bool, 256> table{};
        table['{'] = table['}'] = table['"'] = table[';'] = table['*'] = true;
        return table;
    }();

    // The next brace, quote, semicolon or star. Most of a large file is numbers: sixteen
    // bytes at a time where the processor allows it.
    static const char* SkipPlain(const char* p, const char* end)
    {
#if defined(__SSE2__)
        const __m128i open = _mm_set1_epi8('{'), close = _mm_set1_epi8('}');
        const __m128i quote = _mm_set1_epi8('"'), semicolon = _mm_set1_epi8(';');
        const __m128i star = _mm_set1_epi8('*');
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i hits = _mm_or_si128(
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close)),
                             _mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, semicolon))),
                _mm_cmpeq_epi8(v, star));
            if (const int mask = _mm_movemask_epi8(hits))
                return p + __builtin_ctz(static_cast<unsigned>(mask));
            p += 16;
        }
#endif
        while (p < end && !kSpecial[static_cast<uint8_t>(*p)])
            ++p;
        return p;
    }

    // Whether the string at `quote` is the first of an embedded file's "Content:" element.
    static bool FollowsContentKey(const char* begin, const char* quote)
    {
        const char* p = quote;
        while (p > begin && (p[-1] == ' ' || p[-1] == '\t'))
            --p;
        constexpr std::string_view kKey = "Content:";
        return static_cast<size_t>(p - begin) >= kKey.size() &&
               std::string_view(p - kKey.size(), kKey.size()) == kKey;
    }

    // The library sizes an embedded file from its base64 text, decodes into that, and on a
    // mismatch frees the buffer and throws, and its destructor frees it again. So every
    // string of the element must be base64 exactly: the alphabet, then at most two '='
    // that pad it to a multiple of four.
    static bool IsBase64Content(const char* p, const char* end)
    {
        for (;;) {
            const char* close =
                static_cast<const char*>(std::memchr(p + 1, '"', static_cast<size_t>(end - p - 1)));
            if (!close)
                return false;
            if (!IsBase64(std::string_view(p + 1, static_cast<size_t>(close - p - 1))))
                return false;
            p = close + 1;
            while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
                ++p;
            if (p == end || *p != ',')
                return true;
            ++p;
            while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
                ++p;
            if (p == end || *p != '"')
                return false;  // a bare token among the strings: the library misreads it
        }
    }

    static bool IsBase64(std::string_view text)
    {
        size_t letters = text.size();
        while (letters > 0 && text[letters - 1] == '=')
            --letters;
        const size_t padding = text.size() - letters;
        if (padding > 2 || (padding > 0 && text.size() % 4 != 0))
            return false;
        for (size_t i = 0; i < letters; ++i) {
            const char c = text[i];
            if (!(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z') && !(c >= '0' && c <= '9') &&
                c != '+' && c != '/')
                return false;
        }
        return true;
    }

    // The library ends a comment at any of its line ends, not only at '\n'.
    static const char* SkipComment(const char* p, const char* end)
    {
        while (p < end && *p != '\n' && *p != '\r' && *p != '\f' && *p != '\0')
            ++p;
        return p;
    }

    static bool IsDelimiter(char c)
    {
        switch (c) {
            case ' ':
            case '\t':
            case '\r':
            case '\n':
            case '\f':
            case '\0':
            case ',':
            case ':':
            case '{':
            case '}':
            case '"':
            case ';':
            case '*':
                return true;
            default:
                return false;
        }
    }

    bool Open()
    {
        if (depth == 0)
            section = key == "Objects"       ? Section::Objects
                      : key == "Connections" ? Section::Connections
                                             : Section::Other;
        if (depth == 1)
            EndElement();
        return ++depth <= kMaxFbxBlockNesting;
    }

    void Close()
    {
        if (depth == 1)
            EndElement();
        if (depth > 0)
            --depth;
        if (depth == 0)
            section = Section::Other;
    }

    void Key(std::string_view token)
    {
        if (depth == 1)
            EndElement();
        if (depth <= 1) {
            key = token;
            values.clear();
        }
    }

    void Data(std::string_view token)
    {
        if (depth <= 1 && values.size() < 4)
            values.push_back(token);
    }

    // An element of the second level ends: record what it says about models.
    void EndElement()
    {
        if (section == Section::Objects && key == "Model" && !values.empty()) {
            if (const std::optional<uint64_t> id = ParseFbxTextId(values[0])) {
                std::string_view name = values.size() > 1 ? values[1] : std::string_view();
                if (name.substr(0, 7) == "Model::")
                    name.remove_prefix(7);
                graph.AddModel(*id, name);
            }
        }
        if (section == Section::Objects && key == "AnimationStack")
            ++graph.takes;
        if (section == Section::Objects && key == "Deformer" && values.size() >= 3) {
            if (const std::optional<uint64_t> id = ParseFbxTextId(values[0]))
                graph.AddDeformer(*id, values[2]);
        }
        if (section == Section::Connections && key == "C" && values.size() >= 3 &&
            IsHierarchyLink(values[0], values.size() > 3 ? values[3] : std::string_view())) {
            const std::optional<uint64_t> child = ParseFbxTextId(values[1]);
            const std::optional<uint64_t> parent = ParseFbxTextId(values[2]);
            if (child && parent)
                graph.links.emplace_back(*child, *parent);
        }
        key = {};
        values.clear();
    }

    FbxModelGraph& graph;
    Section section = Section::Other;
    uint32_t depth = 0;
    std::string_view key;
    std::vector<std::string_view> values;
};

// ---------------------------------------------------------------------------------------
// Binary files: the records walked as the library's tokenizer walks them, jumping over
// property data.

struct BinaryProperty {
    char type;
    uint64_t integer = 0;   // 'L'
    std::string_view text;  // 'S', 'R'
};

// The first `count` properties of a record, fewer when one cannot be read.
std::vector<BinaryProperty> LeadingProperties(std::string_view bytes, size_t count)
{
    std::vector<BinaryProperty> properties;
    size_t at = 0;
    const auto take = [&](size_t n) {
        if (n > bytes.size() - at)
            return false;
        at += n;
        return true;
    };
    while (properties.size() < count && at < bytes.size()) {
        BinaryProperty property{bytes[at++], 0, {}};
        const size_t start = at;
        switch (property.type) {
            case 'L':
                if (!take(8))
                    return properties;
                property.integer = LoadLittleEndian<uint64_t>(bytes.data() + start);
                break;
            case 'S':
            case 'R': {
                if (!take(4))
                    return properties;
                const uint32_t length = LoadLittleEndian<uint32_t>(bytes.data() + start);
                if (!take(length))
                    return properties;
                property.text = bytes.substr(start + 4, length);
                break;
            }
            case 'C':
                if (!take(1))
                    return properties;
                break;
            case 'Y':
                if (!take(2))
                    return properties;
                break;
            case 'I':
            case 'F':
                if (!take(4))
                    return properties;
                break;
            case 'D':
                if (!take(8))
                    return properties;
                break;
            case 'f':
            case 'd':
            case 'l':
            case 'i':
            case 'b':
                if (!take(12) || !take(LoadLittleEndian<uint32_t>(bytes.data() + start + 8)))
                    return properties;
                break;
            default:
                return properties;
        }
        properties.push_back(property);
    }
    return properties;
}

// Element sizes of the array property types.
uint32_t ArrayStride(char type)
{
    switch (type) {
        case 'f':
        case 'i':
            return 4;
        case 'd':
        case 'l':
            return 8;
        case 'b':
        case 'c':
            return 1;
        default:
            return 0;
    }
}

// Deflate expands at most about 1032 to 1; a little more leaves room for headers.
constexpr uint64_t kMaxInflation = 1100;
// The reader multiplies count and element size in 32 bits, up to 8 bytes an element: past
// this a count wraps around and the reader walks off the buffer it sized with it.
constexpr uint64_t kMaxArrayCount = (uint64_t{1} << 32) / 8;

// An array whose count the reader would trust to size a buffer: one that wraps, or more
// values than its compressed bytes can inflate to.
std::optional<std::string> FindOversizedArray(std::string_view bytes)
{
    size_t at = 0;
    while (at < bytes.size()) {
        const char type = bytes[at++];
        const size_t left = bytes.size() - at;
        size_t size = FbxScalarSize(type);
        switch (size ? 0 : type) {
            case 0:  // a scalar, sized above
                break;
            case 'S':
            case 'R':
                if (left < 4)
                    return std::nullopt;
                size = 4 + size_t{LoadLittleEndian<uint32_t>(bytes.data() + at)};
                break;
            default: {
                const uint32_t stride = ArrayStride(type);
                if (stride == 0 || left < 12)
                    return std::nullopt;  // the library will not read on either
                const uint64_t count = LoadLittleEndian<uint32_t>(bytes.data() + at);
                const uint32_t encoding = LoadLittleEndian<uint32_t>(bytes.data() + at + 4);
                const uint64_t packed = LoadLittleEndian<uint32_t>(bytes.data() + at + 8);
                if (count >= kMaxArrayCount ||
                    (encoding == 1 && count * stride > packed * kMaxInflation + 64))
                    return ArrayMessage(count);
                size = 12 + packed;
            }
        }
        if (size > left)
            return std::nullopt;
        at += size;
    }
    return std::nullopt;
}

void RecordModelsAndLinks(std::string_view parentName, std::string_view name,
                          std::string_view propertyBytes, FbxModelGraph& graph)
{
    if (parentName == "Objects" && name == "Model") {
        const std::vector<BinaryProperty> p = LeadingProperties(propertyBytes, 2);
        if (!p.empty() && p[0].type == 'L')
            graph.AddModel(p[0].integer, p.size() > 1 && p[1].type == 'S' ? p[1].text : "");
    } else if (parentName == "Objects" && name == "AnimationStack") {
        ++graph.takes;
    } else if (parentName == "Objects" && name == "Deformer") {
        const std::vector<BinaryProperty> p = LeadingProperties(propertyBytes, 3);
        if (p.size() == 3 && p[0].type == 'L' && p[2].type == 'S')
            graph.AddDeformer(p[0].integer, p[2].text);
    } else if (parentName == "Connections" && name == "C") {
        const std::vector<BinaryProperty> p = LeadingProperties(propertyBytes, 4);
        if (p.size() >= 3 && p[0].type == 'S' && p[1].type == 'L' && p[2].type == 'L' &&
            IsHierarchyLink(p[0].text, p.size() > 3 ? p[3].text : std::string_view()))
            graph.links.emplace_back(p[1].integer, p[2].integer);
    }
}

// Record layout: end offset, property count, property bytes (32 bits each before version
// 7500, 64 bits from it), name length (one byte), name, properties, then nested records
// closed by a zeroed record header (the sentinel) when the record ends after its
// properties. Where the library throws, the scan stops and lets it.
std::optional<std::string> ScanBinary(std::string_view file, FbxModelGraph& graph)
{
    if (file.size() < kFbxBinaryFirstRecordAt)
        return std::nullopt;
    const bool large =
        LoadLittleEndian<uint32_t>(file.data() + kFbxBinaryVersionAt) >= kFbxLargeHeaderVersion;
    const uint64_t word = large ? 8 : 4;
    const uint64_t header = 3 * word + 1;
    const auto readWord = [&](uint64_t at) {
        return large ? LoadLittleEndian<uint64_t>(file.data() + at)
                     : LoadLittleEndian<uint32_t>(file.data() + at);
    };

    struct Scope {
        uint64_t childrenEnd;  // where the sentinel starts
        uint64_t end;
        std::string_view name;
        std::string_view parentName;
    };
    std::vector<Scope> open;
    uint64_t at = kFbxBinaryFirstRecordAt;
    for (;;) {
        const uint64_t limit = open.empty() ? file.size() : open.back().childrenEnd;
        if (at >= limit) {
            if (open.empty())
                return std::nullopt;
            at = open.back().end;
            open.pop_back();
            continue;
        }
        if (word > limit - at)
            return std::nullopt;
        const uint64_t end = readWord(at);
        if (end == 0) {
            // The library stops at a zero end offset at the top, and inside a record reads
            // on after the zero word.
            if (open.empty())
                return std::nullopt;
            at += word;
            continue;
        }
        if (end > limit || end < at + word || header > limit - at)
            return std::nullopt;
        const uint64_t propertyLength = readWord(at + 2 * word);
        const uint64_t nameAt = at + header;
        const uint8_t nameLength = static_cast<uint8_t>(file[nameAt - 1]);
        if (nameLength > limit - nameAt)
            return std::nullopt;
        const std::string_view name = file.substr(nameAt, nameLength);
        const uint64_t propertiesAt = nameAt + nameLength;
        if (propertyLength > limit - propertiesAt)
            return std::nullopt;
        const uint64_t childrenAt = propertiesAt + propertyLength;
        if (childrenAt > end)
            return std::nullopt;

        const std::string_view properties = file.substr(propertiesAt, propertyLength);
        if (std::optional<std::string> oversized = FindOversizedArray(properties))
            return oversized;
        if (!open.empty())
            RecordModelsAndLinks(open.back().name, name, properties, graph);
        if (childrenAt == end) {
            at = end;
            continue;
        }
        if (end - childrenAt < header)
            return std::nullopt;
        if (open.size() + 1 > kMaxFbxBlockNesting)
            return NestingMessage();
        // Only the top level's names matter: models and links sit one level below it.
        open.push_back({end - header, end, open.empty() ? name : std::string_view(), {}});
        at = childrenAt;
    }
}

}  // namespace

std::optional<std::string> FindUnsafeFbxStructure(std::string_view bytes, uint32_t* takes)
{
    FbxModelGraph graph;
    std::optional<std::string> problem =
        StartsAsBinaryFbx(bytes) ? ScanBinary(bytes, graph) : AsciiScanner(graph).Scan(bytes);
    if (!problem)
        problem = FindUnsafeModelHierarchy(graph);
    if (!problem)
        problem = FindBonesSharingAName(graph);
    if (takes)
        *takes = graph.takes;
    return problem;
}
