#include "models/SharedVertices.h"

#include <algorithm>
#include <cstring>

#include "platform/ParallelFor.h"

namespace {

constexpr size_t kStretch = 65536;
// Vertices are sorted into this many tables by their hashes' top two bits, a core each.
constexpr unsigned kTables = 4;

uint64_t HashOfBytes(const uint8_t* bytes, uint32_t size)
{
    uint64_t hash = 0x9E3779B97F4A7C15ull ^ size;
    uint32_t at = 0;
    for (; at + 8 <= size; at += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    for (; at < size; ++at)
        hash = (hash ^ bytes[at]) * 0x100000001B3ull;
    hash ^= hash >> 29;
    return hash * 0xC4CEB9FE1A85EC53ull;
}

size_t TableSizeFor(size_t entries)
{
    size_t size = 16;
    while (size < 2 * entries)
        size *= 2;
    return size;
}

}  // namespace

std::vector<uint32_t> IndicesOfFirstIdenticalVertices(const MeshData& mesh)
{
    const uint32_t count = mesh.vertexCount;
    const uint32_t stride = mesh.stride;
    if (count < 2 || stride == 0 || mesh.vertices.size() < size_t{count} * stride)
        return {};
    const uint8_t* bytes = mesh.vertices.data();
    auto vertex = [&](uint32_t v) { return bytes + size_t{v} * stride; };

    std::vector<uint64_t> hashes(count);
    platform::ParallelFor((count + kStretch - 1) / kStretch, [&](size_t stretch) {
        const uint32_t end =
            static_cast<uint32_t>(std::min<size_t>(count, (stretch + 1) * kStretch));
        for (uint32_t v = static_cast<uint32_t>(stretch * kStretch); v < end; ++v)
            hashes[v] = HashOfBytes(vertex(v), stride);
    });

    // Each table takes the vertices of its share of hashes in vertex order, so the first of
    // identical vertices is the one that stays.
    std::vector<uint32_t> first(count);
    std::vector<uint32_t> repeats(kTables, 0);
    platform::ParallelFor(kTables, [&](size_t table) {
        std::vector<uint32_t> slots(TableSizeFor(count / kTables + 1), UINT32_MAX);
        const size_t mask = slots.size() - 1;
        for (uint32_t v = 0; v < count; ++v) {
            const uint64_t hash = hashes[v];
            if ((hash >> 62) != table)
                continue;
            for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
                const uint32_t held = slots[slot];
                if (held == UINT32_MAX) {
                    slots[slot] = v;
                    first[v] = v;
                    break;
                }
                if (hashes[held] == hash && std::memcmp(vertex(held), vertex(v), stride) == 0) {
                    first[v] = held;
                    ++repeats[table];
                    break;
                }
            }
        }
    });
    if (std::all_of(repeats.begin(), repeats.end(), [](uint32_t n) { return n == 0; }))
        return {};

    std::vector<uint32_t> indices(mesh.indices.size());
    platform::ParallelFor((indices.size() + kStretch - 1) / kStretch, [&](size_t stretch) {
        const size_t end = std::min(indices.size(), (stretch + 1) * kStretch);
        for (size_t i = stretch * kStretch; i < end; ++i) {
            const uint32_t index = mesh.indices[i];
            indices[i] = index < count ? first[index] : index;
        }
    });
    return indices;
}
