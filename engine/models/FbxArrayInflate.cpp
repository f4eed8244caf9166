#include "models/FbxArrayInflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <exception>
#include <numeric>
#include <vector>

#include "models/Adler32.h"
#include "models/FbxBinaryFormat.h"
#include "platform/ParallelFor.h"
#include "platform/Prefault.h"

namespace {

// Inflating ahead holds every array at once, where the library holds one at a time.
constexpr uint64_t kMaxInflatedBytes = uint64_t{2} << 30;

template <class T>
void StoreLittleEndian(char* at, T value)
{
    std::memcpy(at, &value, sizeof value);
}

struct Record {
    uint64_t at;
    uint64_t end;
    uint64_t propertiesAt;
    uint64_t propertiesEnd;
};

// A compressed array property: its count word (after the type byte), and its sizes.
struct PackedArray {
    uint64_t at;
    uint32_t packedBytes;
    uint32_t bytes;
};

// The records and compressed arrays of a binary file, walked as the library's reader walks
// them; false where that reader would complain or does something this rewrite does not
// follow (a zero end offset inside a record, 'b' properties).
class RecordWalk {
   public:
    explicit RecordWalk(std::string_view file) : file(file) {}

    bool Walk()
    {
        if (file.size() < kFbxBinaryFirstRecordAt || !StartsAsBinaryFbx(file))
            return false;
        large =
            LoadLittleEndian<uint32_t>(file.data() + kFbxBinaryVersionAt) >= kFbxLargeHeaderVersion;
        word = large ? 8 : 4;
        header = 3 * word + 1;
        struct Scope {
            uint64_t childrenEnd;
            uint64_t end;
        };
        std::vector<Scope> open;
        uint64_t at = kFbxBinaryFirstRecordAt;
        for (;;) {
            const uint64_t limit = open.empty() ? file.size() : open.back().childrenEnd;
            if (at == limit) {
                if (open.empty())
                    return true;
                // The sentinel: a zeroed record header.
                const std::string_view sentinel = file.substr(at, header);
                if (sentinel.find_first_not_of('\0') != std::string_view::npos)
                    return false;
                at = open.back().end;
                open.pop_back();
                continue;
            }
            if (at > limit || word > limit - at)
                return false;
            const uint64_t end = ReadWord(at);
            if (end == 0)
                return open.empty();  // the end of the top level's records
            if (end > limit || end < at + header || header > limit - at)
                return false;
            const uint64_t count = ReadWord(at + word);
            const uint64_t propertiesLength = ReadWord(at + 2 * word);
            const uint64_t propertiesAt = at + header + static_cast<uint8_t>(file[at + header - 1]);
            if (propertiesAt > end || propertiesLength > end - propertiesAt)
                return false;
            const uint64_t propertiesEnd = propertiesAt + propertiesLength;
            if (!WalkProperties(propertiesAt, propertiesEnd, count))
                return false;
            records.push_back({at, end, propertiesAt, propertiesEnd});
            if (propertiesEnd == end) {
                at = end;
                continue;
            }
            if (end - propertiesEnd < header)
                return false;
            open.push_back({end - header, end});
            at = propertiesEnd;
        }
    }

    bool Large() const { return large; }

    std::vector<Record> records;
    std::vector<PackedArray> arrays;

   private:
    uint64_t ReadWord(uint64_t at) const
    {
        return large ? LoadLittleEndian<uint64_t>(file.data() + at)
                     : LoadLittleEndian<uint32_t>(file.data() + at);
    }

    bool WalkProperties(uint64_t at, uint64_t end, uint64_t count)
    {
        for (uint64_t i = 0; i < count; ++i) {
            if (at >= end)
                return false;
            const char type = file[at++];
            uint64_t size = FbxScalarSize(type);
            switch (size ? 0 : type) {
                case 0:  // a scalar, sized above
                    break;
                case 'S':
                case 'R':
                    if (end - at < 4)
                        return false;
                    size = 4 + uint64_t{LoadLittleEndian<uint32_t>(file.data() + at)};
                    break;
                case 'f':
                case 'i':
                case 'd':
                case 'l': {
                    if (end - at < 12)
                        return false;
                    const uint32_t values = LoadLittleEndian<uint32_t>(file.data() + at);
                    const uint32_t encoding = LoadLittleEndian<uint32_t>(file.data() + at + 4);
                    const uint32_t packed = LoadLittleEndian<uint32_t>(file.data() + at + 8);
                    const uint32_t stride = (type == 'f' || type == 'i') ? 4 : 8;
                    if (values > UINT32_MAX / stride)
                        return false;
                    const uint32_t bytes = values * stride;
                    if (encoding == 0 ? bytes != packed : encoding != 1)
                        return false;
                    if (encoding == 1 && values != 0)
                        arrays.push_back({at, packed, bytes});
                    size = 12 + uint64_t{packed};
                    break;
                }
                default:
                    return false;
            }
            if (size > end - at)
                return false;
            at += size;
        }
        return at == end;
    }

    std::string_view file;
    bool large = false;
    uint64_t word = 4;
    uint64_t header = 13;
};

// An array inflated, with the checksum its stream ends with.
struct InflatedArray {
    const char* data = nullptr;
    size_t bytes = 0;  // what the stream gave, before the zeros that fill the array
    uint32_t sum = 0;
};

// What the library's call accepts (zlib's inflate of a zlib stream, all at once into a
// buffer of the array's size), with the stream's header checked here and its checksum
// after all are inflated: zlib checks the sum a byte at a time. The raw stream is inflated
// by libdeflate, which gives the same bytes as zlib for every stream in half the time or
// less; a large model's largest array, inflated alone on one core, decides how long the
// whole file takes.
bool InflateArray(const char* packed, uint32_t packedBytes, char* out, uint32_t bytes,
                  InflatedArray& inflated)
{
    // The header: deflate, a window of at most 32 KiB, its check bits, no preset dictionary.
    if (packedBytes < 2)
        return false;
    const auto method = static_cast<uint8_t>(packed[0]);
    const auto flags = static_cast<uint8_t>(packed[1]);
    if ((method & 0x0f) != Z_DEFLATED || (method >> 4) > 7 || (method << 8 | flags) % 31 != 0 ||
        (flags & 0x20) != 0)
        return false;
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (!inflater)
        return false;
    size_t used = 0, written = 0;
    const libdeflate_result result = libdeflate_deflate_decompress_ex(
        inflater, packed + 2, packedBytes - 2, out, bytes, &used, &written);
    libdeflate_free_decompressor(inflater);
    const size_t left = packedBytes - 2 - used;
    const auto* sum = reinterpret_cast<const uint8_t*>(packed + 2 + used);
    if (result != LIBDEFLATE_SUCCESS || left < 4)
        return false;
    // The checksum follows the stream, most significant byte first.
    inflated = {out, written,
                uint32_t{sum[0]} << 24 | uint32_t{sum[1]} << 16 | uint32_t{sum[2]} << 8 | sum[3]};
    std::memset(out + written, 0, bytes - written);
    return true;
}

// Every array's checksum, in stretches on every core: the largest array's sum no longer
// waits on the core that inflated it.
bool ChecksumsMatch(const std::vector<InflatedArray>& inflated)
{
    constexpr size_t kStretch = size_t{4} << 20;
    struct Stretch {
        size_t array;
        size_t at;
        size_t bytes;
    };
    std::vector<Stretch> stretches;
    for (size_t i = 0; i < inflated.size(); ++i)
        for (size_t at = 0; at < inflated[i].bytes; at += kStretch)
            stretches.push_back({i, at, std::min(kStretch, inflated[i].bytes - at)});
    std::vector<uint32_t> sums(stretches.size());
    platform::ParallelFor(stretches.size(), [&](size_t k) {
        const Stretch& stretch = stretches[k];
        sums[k] =
            Adler32(1, reinterpret_cast<const uint8_t*>(inflated[stretch.array].data) + stretch.at,
                    stretch.bytes);
    });
    std::vector<uint32_t> whole(inflated.size(), 1);  // the sum of no bytes
    for (size_t k = 0; k < stretches.size(); ++k) {
        const Stretch& stretch = stretches[k];
        whole[stretch.array] =
            stretch.at == 0
                ? sums[k]
                : static_cast<uint32_t>(adler32_combine(whole[stretch.array], sums[k],
                                                        static_cast<z_off_t>(stretch.bytes)));
    }
    for (size_t i = 0; i < inflated.size(); ++i)
        if (whole[i] != inflated[i].sum)
            return false;
    return true;
}

std::optional<FbxFileBytes> InflateArraysOf(std::string_view file)
{
    RecordWalk walk(file);
    if (!walk.Walk() || walk.arrays.empty())
        return std::nullopt;
    const std::vector<PackedArray>& arrays = walk.arrays;

    // Where each array's bytes start in the new file: everything after an array moves by
    // what inflating it adds.
    std::vector<int64_t> shiftAfter(arrays.size());
    int64_t shift = 0;
    uint64_t inflated = 0;
    for (size_t i = 0; i < arrays.size(); ++i) {
        shift += int64_t{arrays[i].bytes} - int64_t{arrays[i].packedBytes};
        inflated += arrays[i].bytes;
        shiftAfter[i] = shift;
    }
    const uint64_t size = file.size() + shift;
    if (inflated > kMaxInflatedBytes || (!walk.Large() && size > UINT32_MAX))
        return std::nullopt;
    const auto moved = [&](uint64_t at) {
        const auto after =
            std::lower_bound(arrays.begin(), arrays.end(), at,
                             [](const PackedArray& a, uint64_t x) { return a.at < x; });
        return after == arrays.begin() ? at : at + shiftAfter[after - arrays.begin() - 1];
    };

    FbxFileBytes out;
    out.resize(size);
    // Piece i: the bytes from the end of array i - 1 up to array i's sizes, then array i
    // inflated; the last piece is the rest of the file. Largest arrays first, so that the
    // cores finish together.
    std::vector<size_t> order(arrays.size() + 1);
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end() - 1,
              [&](size_t a, size_t b) { return arrays[a].bytes > arrays[b].bytes; });
    std::atomic<bool> failed{false};
    std::vector<InflatedArray> plain(arrays.size());
    platform::ParallelFor(order.size(), [&](size_t k) {
        const size_t i = order[k];
        const uint64_t from = i == 0 ? 0 : arrays[i - 1].at + 12 + arrays[i - 1].packedBytes;
        const uint64_t to = i == arrays.size() ? file.size() : arrays[i].at + 12;
        char* place = out.data() + moved(from);
        // Mapped in by the thread that writes it, not all at once before the threads start.
        platform::PrefaultPages(place, to - from + (i == arrays.size() ? 0 : arrays[i].bytes));
        std::memcpy(place, file.data() + from, to - from);
        if (i == arrays.size())
            return;
        char* sizes = place + (to - from) - 12;
        StoreLittleEndian<uint32_t>(sizes + 4, 0);  // stored plain
        StoreLittleEndian<uint32_t>(sizes + 8, arrays[i].bytes);
        if (!InflateArray(file.data() + to, arrays[i].packedBytes, sizes + 12, arrays[i].bytes,
                          plain[i]))
            failed = true;
    });
    if (failed || !ChecksumsMatch(plain))
        return std::nullopt;

    // Every record's end offset and property length, for the moved bytes.
    for (const Record& record : walk.records) {
        char* at = out.data() + moved(record.at);
        const uint64_t end = moved(record.end);
        const uint64_t propertiesLength = moved(record.propertiesEnd) - moved(record.propertiesAt);
        if (walk.Large()) {
            StoreLittleEndian<uint64_t>(at, end);
            StoreLittleEndian<uint64_t>(at + 2 * sizeof(uint64_t), propertiesLength);
        } else {
            StoreLittleEndian<uint32_t>(at, static_cast<uint32_t>(end));
            StoreLittleEndian<uint32_t>(at + 2 * sizeof(uint32_t),
                                        static_cast<uint32_t>(propertiesLength));
        }
    }
    return out;
}

}  // namespace

std::optional<FbxFileBytes> InflateFbxArrays(std::string_view file)
{
    // A file of countless tiny records, or arrays beyond the worker's memory cap: the
    // library gets the file as it is, and its own reading meets the same cap.
    try {
        return InflateArraysOf(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
