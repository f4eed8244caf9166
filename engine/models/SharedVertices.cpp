#include "models/SharedVertices.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/ParallelFor.h"

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

SharedVertexDraw DrawSharingRecentVertices(const MeshData& mesh)
{
    const uint32_t count = mesh.vertexCount;
    const uint32_t stride = mesh.stride;
    if (count < 2 || stride == 0 || mesh.vertices.size() < size_t{count} * stride)
        return {};
    const uint8_t* bytes = mesh.vertices.data();
    auto vertex = [&](uint32_t v) { return bytes + size_t{v} * stride; };

    // Stretches of vertices each with slots of their own: a twin in the stretch before is
    // not found, which costs only a vertex kept twice. `same` first holds the vertex a
    // vertex repeats (itself when it is kept), then its place among the kept vertices.
    const size_t stretches = (count + kStretch - 1) / kStretch;
    auto stretchEnd = [&](size_t stretch) {
        return static_cast<uint32_t>(std::min<size_t>(count, (stretch + 1) * kStretch));
    };
    std::vector<uint32_t> same(count);
    std::vector<uint32_t> kept(stretches);
    platform::ParallelFor(stretches, [&](size_t stretch) {
        struct Slot {
            uint64_t hash = 0;
            uint32_t vertex = UINT32_MAX;
        };
        std::array<Slot, kRecentSlots> slots{};
        uint32_t keeps = 0;
        for (uint32_t v = static_cast<uint32_t>(stretch * kStretch); v < stretchEnd(stretch); ++v) {
            const uint64_t hash = HashOfBytes(vertex(v), stride);
            Slot& slot = slots[hash % kRecentSlots];
            if (slot.vertex != UINT32_MAX && slot.hash == hash &&
                std::memcmp(vertex(slot.vertex), vertex(v), stride) == 0) {
                same[v] = same[slot.vertex];
            } else {
                same[v] = v;
                slot = {hash, v};
                ++keeps;
            }
        }
        kept[stretch] = keeps;
    });
    std::vector<uint32_t> firstKept(stretches);
    uint32_t keptCount = 0;
    for (size_t stretch = 0; stretch < stretches; ++stretch) {
        firstKept[stretch] = keptCount;
        keptCount += kept[stretch];
    }
    if (keptCount == count)
        return {};

    SharedVertexDraw draw;
    draw.vertices.resize(size_t{keptCount} * stride);
    platform::ParallelFor(stretches, [&](size_t stretch) {
        uint32_t place = firstKept[stretch];
        for (uint32_t v = static_cast<uint32_t>(stretch * kStretch); v < stretchEnd(stretch); ++v) {
            if (same[v] == v) {
                std::memcpy(draw.vertices.data() + size_t{place} * stride, vertex(v), stride);
                same[v] = place++;
            } else {
                same[v] = same[same[v]];  // an earlier vertex of this stretch, placed already
            }
        }
    });

    draw.places = std::move(same);
    return draw;
}
