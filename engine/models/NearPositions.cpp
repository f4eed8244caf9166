#include "models/NearPositions.h"

#include <assimp/vector3.h>

#include <algorithm>
#include <cmath>

#include "platform/ParallelFor.h"

namespace {

constexpr uint32_t kEmpty = UINT32_MAX;
// Cells along one axis fit in 21 bits: the radius is a share of the mesh's extent.
constexpr int64_t kCellLimit = int64_t{1} << 21;

bool Finite(const aiVector3D& p)
{
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

uint32_t Slot(uint64_t key, uint32_t mask)
{
    return static_cast<uint32_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & mask;
}

}  // namespace

NearPositions::NearPositions(const aiVector3D* positions, uint32_t count, float radius)
    : positions(positions), radius(radius)
{
    float low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (uint32_t i = 0; i < count; ++i) {
        if (!Finite(positions[i]))
            continue;
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], positions[i][axis]);
            high[axis] = std::max(high[axis], positions[i][axis]);
        }
    }
    // Cells twice the radius wide: the ball around a position lies in the 27 cells around
    // its own.
    cellSize = 2.0f * radius;
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

    entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const aiVector3D& p = positions[i];
        if (!Finite(p))
            continue;
        entries.push_back({CellKey(static_cast<int64_t>((p.x - origin[0]) / cellSize) + 1,
                                   static_cast<int64_t>((p.y - origin[1]) / cellSize) + 1,
                                   static_cast<int64_t>((p.z - origin[2]) / cellSize) + 1),
                           i});
    }
    // Two halves sorted side by side, then merged.
    auto byCell = [](const Entry& a, const Entry& b) {
        return a.cell < b.cell || (a.cell == b.cell && a.vertex < b.vertex);
    };
    const auto middle = entries.begin() + static_cast<std::ptrdiff_t>(entries.size() / 2);
    platform::ParallelFor(2, [&](size_t half) {
        if (half == 0)
            std::sort(entries.begin(), middle, byCell);
        else
            std::sort(middle, entries.end(), byCell);
    });
    std::inplace_merge(entries.begin(), middle, entries.end(), byCell);

    uint32_t size = 16;
    while (size < entries.size() * 2 && size < (1u << 31))
        size <<= 1;
    table.assign(size, kEmpty);
    tableMask = size - 1;
    for (uint32_t e = 0; e < entries.size(); ++e) {
        if (e > 0 && entries[e].cell == entries[e - 1].cell)
            continue;
        uint32_t slot = Slot(entries[e].cell, tableMask);
        while (table[slot] != kEmpty)
            slot = (slot + 1) & tableMask;
        table[slot] = e;
    }
}

uint64_t NearPositions::CellKey(int64_t x, int64_t y, int64_t z) const
{
    return (static_cast<uint64_t>(x) << 42) | (static_cast<uint64_t>(y) << 21) |
           static_cast<uint64_t>(z);
}

uint32_t NearPositions::FirstOfCell(uint64_t key) const
{
    for (uint32_t slot = Slot(key, tableMask);; slot = (slot + 1) & tableMask) {
        const uint32_t e = table[slot];
        if (e == kEmpty || entries[e].cell == key)
            return e;
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
    if (!Finite(position) || entries.empty())
        return;
    const float squareRadius = radius * radius;
    // The cells that the ball around `position` reaches, two at most along each axis: cells
    // are twice the radius wide. The ball is taken a hundredth wider, for a vertex that the
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
                     e != kEmpty && e < entries.size() && entries[e].cell == key; ++e) {
                    const uint32_t vertex = entries[e].vertex;
                    if ((positions[vertex] - position).SquareLength() < squareRadius)
                        found.push_back(vertex);
                }
            }
}
