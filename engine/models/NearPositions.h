// Which vertices of a mesh lie within a radius of a position: what the import library's
// spatial sort answers, through a grid instead of one sorted axis, so that a look-up in a
// mesh of millions of vertices reads a few cells rather than a slab through the whole mesh.
#pragma once

#include <assimp/SpatialSort.h>
#include <assimp/vector3.h>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <vector>

class NearPositions {
   public:
    NearPositions(const aiVector3D* positions, uint32_t count, float radius);

    // Every vertex whose squared distance to `position` is below radius squared, as the
    // library tests it; none for a position that is not a number.
    void Find(const aiVector3D& position, std::vector<uint32_t>& found) const;

    // For each vertex, the first vertex at bit for bit the same position, itself if none is
    // before it: the two find the same vertices. A vertex whose cell holds many distinct
    // positions may name itself although one before it has its position.
    std::vector<uint32_t> FirstAtSamePosition() const;

    // Whether a vertex finds another exactly when that one finds it: true of the grid, not
    // known of the library's index it falls back on.
    bool Symmetric() const { return !useLibrary; }

   private:
    // The position beside the vertex: a cell's entries are read in a row. Plain floats, so
    // that the entries are not all written once before they are filled.
    struct Entry {
        uint64_t cell;
        uint32_t vertex;
        float position[3];
    };
    static_assert(std::is_trivially_default_constructible_v<Entry>);
    // The cells are spread over a few tables by their hash, each filled on its own core.
    struct Table {
        std::vector<uint32_t> slots;  // open addressing: the first entry of a cell
        std::vector<uint64_t> keys;   // each slot's cell
        uint32_t mask = 0;
    };
    uint64_t CellKey(int64_t x, int64_t y, int64_t z) const;
    uint32_t FirstOfCell(uint64_t key) const;
    void FillTable(size_t part, const std::vector<uint64_t>& keys);

    const aiVector3D* positions;
    uint32_t vertexCount;
    float radius;
    float cellSize = 0;
    float origin[3] = {0, 0, 0};
    std::unique_ptr<Entry[]> entries;  // by table, then by cell, each cell's in vertex order
    uint32_t entryCount = 0;
    std::vector<Table> tables;
    std::vector<uint32_t> tableEntries;  // where each table's entries start, then the end
    // A radius of zero or beyond all numbers: the library's own index, exactly as it answers.
    bool useLibrary = false;
    Assimp::SpatialSort library;
};
