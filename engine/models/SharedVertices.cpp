#include "models/SharedVertices.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/ParallelFor.h"
#include "platform/Prefault.h"

namespace {

constexpr size_t kStretch = 65536;
// The vertices seen last, one per hash slot. A vertex cache keeps only the last few dozen
// shaded vertices, so an earlier twin helps only when it is recent, and recent vertices are
// still in the processor's cache when they are compared.
constexpr size_t kRecentSlots = 4096;

// Over the vertex's 8-byte words (every stride is a multiple of 8; bytes beyond the last
// whole word are still compared, only not hashed).
uint64_t HashOfBytes(const uint8_t* bytes, uint32_t size)
{
    uint64_t hash = 0x9E3779B97F4A7C15ull;
    for (uint32_t at = 0; at + 8 <= size; at += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    return hash;
}

}  // namespace

DistinctVertexSet DistinctVertices(uint32_t count, uint32_t stride, const PackStretch& pack)
{
    if (count == 0 || stride == 0)
        return {};

    // Stretches of vertices each with slots of their own: a twin in the stretch before is
    // not found, which costs only a vertex kept twice. `same` first holds the vertex a
    // vertex repeats (itself when it is kept), then its place among the kept vertices.
    // Each stretch keeps its distinct vertices aside until all are counted.
    const size_t stretches = (count + kStretch - 1) / kStretch;
    std::vector<uint32_t> same;
    platform::ReservePrefaulted(same, count);
    same.resize(count);
    std::vector<VertexBytes> kept(stretches);
    platform::ParallelFor(stretches, [&](size_t stretch) {
        const uint32_t first = static_cast<uint32_t>(stretch * kStretch);
        const uint32_t end = static_cast<uint32_t>(std::min<size_t>(count, first + kStretch));
        VertexBytes scratch;
        const uint8_t* bytes = pack(first, end, scratch);
        auto vertex = [&](uint32_t v) { return bytes + size_t{v - first} * stride; };
        struct Slot {
            uint64_t hash = 0;
            uint32_t vertex = UINT32_MAX;
        };
        std::array<Slot, kRecentSlots> slots{};
        uint32_t keeps = 0;
        for (uint32_t v = first; v < end; ++v) {
            const uint64_t hash = HashOfBytes(vertex(v), stride);
            Slot& slot = slots[hash % kRecentSlots];
            if (slot.vertex != UINT32_MAX && slot.hash == hash &&
                std::memcmp(vertex(slot.vertex), vertex(v), stride) == 0) {
                same[v] = same[slot.vertex];
            } else {
                same[v] = keeps++;
                slot = {hash, v};
            }
        }
        // A kept vertex is the first to name its place; a repeat names an earlier one.
        VertexBytes& keep = kept[stretch];
        keep.resize(size_t{keeps} * stride);
        for (uint32_t v = first, place = 0; v < end && place < keeps; ++v)
            if (same[v] == place) {
                std::memcpy(keep.data() + size_t{place} * stride, vertex(v), stride);
                ++place;
            }
    });
    std::vector<uint32_t> firstKept(stretches);
    size_t keptCount = 0;
    for (size_t stretch = 0; stretch < stretches; ++stretch) {
        firstKept[stretch] = static_cast<uint32_t>(keptCount);
        keptCount += kept[stretch].size() / stride;
    }

    DistinctVertexSet draw;
    draw.vertices.resize(keptCount * stride);
    platform::ParallelFor(stretches, [&](size_t stretch) {
        std::memcpy(draw.vertices.data() + size_t{firstKept[stretch]} * stride,
                    kept[stretch].data(), kept[stretch].size());
        VertexBytes().swap(kept[stretch]);
        const uint32_t first = static_cast<uint32_t>(stretch * kStretch);
        const uint32_t end = static_cast<uint32_t>(std::min<size_t>(count, first + kStretch));
        if (keptCount < count)
            for (uint32_t v = first; v < end; ++v)
                same[v] += firstKept[stretch];
    });
    if (keptCount < count)
        draw.places = std::move(same);
    return draw;
}
