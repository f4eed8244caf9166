#include "models/NearPositions.h"

#include <assimp/vector3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numeric>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ParallelFor.h"

namespace {

constexpr uint32_t kEmpty = UINT32_MAX;
// Cells along one axis fit in 21 bits: the radius is a share of the mesh's extent.
constexpr int64_t kCellLimit = int64_t{1} << 21;

bool Finite(const aiVector3D& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

constexpr uint64_t kNoCell = UINT64_MAX;  // a position that is not a number
constexpr size_t kMaxTables = 8;
constexpr size_t kChunk = 65536;

uint64_t Hash(uint64_t key)
{
    return key * 0x9E3779B97F4A7C15ull;
}

uint32_t Slot(uint64_t key, uint32_t mask)
{
    return static_cast<uint32_t>(Hash(key) >> 32) & mask;
}

// The table of a cell: from the hash's bits below those of its slot.
size_t TableOf(uint64_t key, size_t tables)
{
    return static_cast<size_t>((Hash(key) >> 16) & 0xFFFF) % tables;
}

}  // namespace

NearPositions::NearPositions(const aiVector3D* positions, uint32_t count, float radius)
    : positions(positions), vertexCount(count), radius(radius)
{
    // The box of the finite positions, a part per core.
    const size_t chunks = (size_t{count} + kChunk - 1) / kChunk;
    std::vector<std::array<float, 6>> boxes(chunks);
    platform::ParallelForStretches(count, kChunk, [&](size_t chunk, size_t first, size_t end) {
        std::array<float, 6> box = {INFINITY, INFINITY, INFINITY, -INFINITY, -INFINITY, -INFINITY};
        for (size_t i = first; i < end; ++i) {
            if (!Finite(positions[i]))
                continue;
            for (int axis = 0; axis < 3; ++axis) {
                box[axis] = std::min(box[axis], positions[i][axis]);
                box[3 + axis] = std::max(box[3 + axis], positions[i][axis]);
            }
        }
        boxes[chunk] = box;
    });
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (const std::array<float, 6>& box : boxes)
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], box[axis]);
            high[axis] = std::max(high[axis], box[3 + axis]);
        }
    // Cells eight times the radius wide: the ball around a position reaches into the next
    // cell along an axis only when it lies within a radius of the cell's side, a quarter of
    // the time, so a look-up reads about two cells on average instead of eight. The entries
    // hold their positions, so that a cell's are read in a row however many it holds.
    cellSize = 8.0f * radius;
    useLibrary = !(std::isfinite(cellSize) && cellSize > 0.0f);
    for (int axis = 0; axis < 3 && !useLibrary; ++axis) {
        origin[axis] = std::isfinite(low[axis]) ? low[axis] : 0.0f;
        if (std::isfinite(high[axis]) && (high[axis] - low[axis]) / cellSize > kCellLimit - 4)
            useLibrary = true;
    }
    if (useLibrary) {
        library.Fill(positions, count, sizeof(aiVector3D));
        return;
    }

    // The entries grouped by cell, each cell's in vertex order, by counting instead of
    // sorting: a table numbers its cells as they first appear, the counts give each cell its
    // stretch of entries, and the vertices are placed in order. Each table holds the cells
    // whose hash falls to it and is filled by one thread; the look-ups do not depend on how
    // many tables there are.
    const size_t parts = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMaxTables);
    tables.resize(parts);
    std::vector<uint64_t> keys(count);
    std::vector<std::array<uint32_t, kMaxTables>> chunkCounts(chunks);
    platform::ParallelForStretches(count, kChunk, [&](size_t chunk, size_t first, size_t end) {
        std::array<uint32_t, kMaxTables> counts{};
        for (size_t i = first; i < end; ++i) {
            const aiVector3D& p = positions[i];
            keys[i] = kNoCell;
            if (!Finite(p))
                continue;
            keys[i] = CellKey(static_cast<int64_t>((p.x - origin[0]) / cellSize) + 1,
                              static_cast<int64_t>((p.y - origin[1]) / cellSize) + 1,
                              static_cast<int64_t>((p.z - origin[2]) / cellSize) + 1);
            ++counts[TableOf(keys[i], parts)];
        }
        chunkCounts[chunk] = counts;
    });
    std::vector<uint32_t> inPart(parts, 0);
    for (const std::array<uint32_t, kMaxTables>& counts : chunkCounts)
        for (size_t t = 0; t < parts; ++t)
            inPart[t] += counts[t];
    tableEntries.assign(parts + 1, 0);
    for (size_t t = 0; t < parts; ++t)
        tableEntries[t + 1] = tableEntries[t] + inPart[t];
    // Every entry is written by the tables' threads, which fault its pages in.
    entryCount = tableEntries.back();
    entries.reset(new Entry[entryCount]);
    platform::ParallelFor(parts, [&](size_t t) { FillTable(t, keys); });
}

std::vector<uint32_t> NearPositions::FirstAtSamePosition() const
{
    // Each cell's vertices are in vertex order; a few distinct positions per cell are kept
    // to compare with, which bounds the work however many vertices share a cell.
    constexpr size_t kKept = 8;
    std::vector<uint32_t> first(vertexCount);
    std::iota(first.begin(), first.end(), 0u);
    if (useLibrary)
        return first;
    platform::ParallelFor(tables.size(), [&](size_t t) {
        uint32_t kept[kKept];  // entries
        size_t keptCount = 0;
        for (uint32_t e = tableEntries[t]; e < tableEntries[t + 1]; ++e) {
            if (e == tableEntries[t] || entries[e].cell != entries[e - 1].cell)
                keptCount = 0;
            size_t k = 0;
            while (k < keptCount && std::memcmp(entries[kept[k]].position, entries[e].position,
                                                sizeof(entries[e].position)) != 0)
                ++k;
            if (k < keptCount)
                first[entries[e].vertex] = entries[kept[k]].vertex;
            else if (keptCount < kKept)
                kept[keptCount++] = e;
        }
    });
    return first;
}

void NearPositions::FillTable(size_t part, const std::vector<uint64_t>& keys)
{
    Table& table = tables[part];
    const size_t parts = tables.size();
    const uint32_t count = static_cast<uint32_t>(keys.size());
    std::vector<uint64_t> cellKeys;
    std::vector<uint32_t> cellOf(count, kEmpty);
    std::vector<uint32_t> firstOf;  // a cell's count, then where its next entry goes
    // The slot that holds the cell, or the empty one where it goes. The probes read the
    // cells' keys beside their slots, here and in the look-ups.
    auto slotOf = [&](uint64_t key) {
        uint32_t slot = Slot(key, table.mask);
        while (table.keys[slot] != kNoCell && table.keys[slot] != key)
            slot = (slot + 1) & table.mask;
        return slot;
    };
    // Sized for the cells, not the vertices (a cell mostly holds several): grown to stay at
    // most half full, so that it stays small enough for the processor's cache.
    auto resize = [&](uint32_t size) {
        table.slots.assign(size, kEmpty);
        table.keys.assign(size, kNoCell);
        table.mask = size - 1;
        for (uint32_t cell = 0; cell < cellKeys.size(); ++cell) {
            const uint32_t slot = slotOf(cellKeys[cell]);
            table.slots[slot] = cell;
            table.keys[slot] = cellKeys[cell];
        }
    };
    resize(1024);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t key = keys[i];
        if (key == kNoCell || TableOf(key, parts) != part)
            continue;
        uint32_t slot = slotOf(key);
        if (table.slots[slot] == kEmpty) {
            if (2 * (cellKeys.size() + 1) > table.slots.size() && table.slots.size() < (1u << 31)) {
                resize(static_cast<uint32_t>(2 * table.slots.size()));
                slot = slotOf(key);
            }
            table.slots[slot] = static_cast<uint32_t>(cellKeys.size());
            table.keys[slot] = key;
            cellKeys.push_back(key);
            firstOf.push_back(0);
        }
        cellOf[i] = table.slots[slot];
        ++firstOf[table.slots[slot]];
    }
    uint32_t placed = tableEntries[part];
    for (uint32_t& first : firstOf)
        placed += std::exchange(first, placed);
    for (uint32_t& slot : table.slots)
        if (slot != kEmpty)
            slot = firstOf[slot];
    for (uint32_t i = 0; i < count; ++i)
        if (cellOf[i] != kEmpty)
            entries[firstOf[cellOf[i]]++] = {
                keys[i], i, {positions[i].x, positions[i].y, positions[i].z}};
}

uint64_t NearPositions::CellKey(int64_t x, int64_t y, int64_t z) const
{
    return (static_cast<uint64_t>(x) << 42) | (static_cast<uint64_t>(y) << 21) |
           static_cast<uint64_t>(z);
}

uint32_t NearPositions::FirstOfCell(uint64_t key) const
{
    const Table& table = tables[TableOf(key, tables.size())];
    for (uint32_t slot = Slot(key, table.mask);; slot = (slot + 1) & table.mask) {
        const uint64_t cell = table.keys[slot];
        if (cell == key)
            return table.slots[slot];
        if (cell == kNoCell)
            return kEmpty;
    }
}

void NearPositions::Find(const aiVector3D& position, std::vector<uint32_t>& found) const
{
    found.clear();
    if (useLibrary) {
        std::vector<unsigned> fromLibrary;
        library.FindPositions(position, radius, fromLibrary);
        found.assign(fromLibrary.begin(), fromLibrary.end());
        return;
    }
    if (!Finite(position) || entryCount == 0)
        return;
    const float squareRadius = radius * radius;
    // The cells that the ball around `position` reaches, two at most along each axis: cells
    // are wider than the ball. The ball is taken a hundredth wider, for a vertex that the
    // rounded distance test lets in from just beyond the radius.
    const float reach = radius * 1.01f;
    int64_t first[3], last[3];
    for (int axis = 0; axis < 3; ++axis) {
        const float low = (position[axis] - reach - origin[axis]) / cellSize;
        const float high = (position[axis] + reach - origin[axis]) / cellSize;
        // Outside the mesh's box by more than a cell: nothing is near.
        if (high < -1.0f || low > static_cast<float>(kCellLimit - 3))
            return;
        first[axis] = std::max<int64_t>(0, static_cast<int64_t>(std::floor(low)) + 1);
        last[axis] = std::min<int64_t>(kCellLimit - 1, static_cast<int64_t>(std::floor(high)) + 1);
    }
    for (int64_t x = first[0]; x <= last[0]; ++x)
        for (int64_t y = first[1]; y <= last[1]; ++y)
            for (int64_t z = first[2]; z <= last[2]; ++z) {
                const uint64_t key = CellKey(x, y, z);
                for (uint32_t e = FirstOfCell(key);
                     e != kEmpty && e < entryCount && entries[e].cell == key; ++e) {
                    const float* at = entries[e].position;
                    if ((aiVector3D(at[0], at[1], at[2]) - position).SquareLength() < squareRadius)
                        found.push_back(entries[e].vertex);
                }
            }
}
