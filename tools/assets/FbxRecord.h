// The node records FBX files are made of, written as version 7400 binary or as ASCII text,
// for the generated test and benchmark files: the import library's own exporters write
// files its readers cannot read back (binary) or lose animation and pivots (ASCII).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "MeshBuilder.h"

namespace assets {

// One record: a name, typed properties, nested records. The property adders are named after
// the format's type codes (I int32, D double, L int64, C char, S string, F float).
struct Record {
    std::string name;
    std::string properties;  // encoded as in the binary format
    uint32_t count = 0;
    std::vector<Record> children;
    // A block of children even when there are none: readers require one of some records.
    bool block = false;

    Record& I(int32_t v) { return Scalar('I', v); }
    Record& D(double v) { return Scalar('D', v); }
    Record& L(int64_t v) { return Scalar('L', v); }
    Record& C(char v) { return Scalar('C', v); }
    Record& S(std::string_view text);
    Record& Doubles(const std::vector<double>& v) { return Array('d', v.data(), v.size()); }
    Record& Floats(const std::vector<float>& v) { return Array('f', v.data(), v.size()); }
    Record& Ints(const std::vector<int32_t>& v) { return Array('i', v.data(), v.size()); }
    Record& Longs(const std::vector<int64_t>& v) { return Array('l', v.data(), v.size()); }

    Record& Add(std::string childName);
    Record& Block()
    {
        block = true;
        return *this;
    }
    // A property of a Properties70 block: name, type, label, flags; the values follow.
    Record& P(std::string_view property, std::string_view type, std::string_view label,
              std::string_view flags)
    {
        return Add("P").S(property).S(type).S(label).S(flags);
    }

   private:
    template <typename T>
    Record& Scalar(char type, T v);
    template <typename T>
    Record& Array(char type, const T* values, size_t n);
};

Record Header(std::string_view creator = "vornis-make-assets");
Record GlobalSettings();
// Positions per vertex; normals per polygon corner; UVs per vertex, indexed by corner.
Record Geometry(const MeshGeometry& g, int64_t id);

// The whole file from its top-level records. Empty with `error` set when it cannot be made.
std::string EncodeBinaryFbx(const std::vector<Record>& top, std::string& error);
std::string EncodeAsciiFbx(const std::vector<Record>& top);

enum class FbxEncoding { Binary, Ascii };

// Encodes and writes the file; an empty string on success, otherwise the reason.
std::string WriteFbxFile(const std::string& path, const std::vector<Record>& top,
                         FbxEncoding encoding);

}  // namespace assets
