// Writes a compound file (version 3, 512-byte sectors) holding the given
// streams at its top level, for tests that need a .doc of a particular shape
// or a damaged container: the streams below the cutoff in the mini stream,
// the others in sectors of their own, the directory as a chain of right
// siblings in the format's name order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::testing {

struct CompoundStream {
    std::string name;  // ASCII
    std::string bytes;
};

namespace compound_detail {

constexpr uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatSector = 0xFFFFFFFD, kNone = 0xFFFFFFFF;

inline void Put16(std::string& b, size_t at, uint16_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
inline void Put32(std::string& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
}
inline std::string Padded(std::string s, size_t unit) {
    s.resize((s.size() + unit - 1) / unit * unit, '\0');
    return s;
}
// The format's order of names: shorter first, then by upper-case letters.
inline bool NameBefore(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = char(std::toupper(static_cast<unsigned char>(a[i]))), y = char(std::toupper(static_cast<unsigned char>(b[i])));
        if (x != y) return x < y;
    }
    return false;
}
// Appends a chain of sectors for bytes (a multiple of the sector size) to
// the file's sectors and the FAT; returns its first sector.
inline uint32_t AddChain(std::string& sectors, std::vector<uint32_t>& fat, const std::string& bytes) {
    if (bytes.empty()) return kEnd;
    const uint32_t first = uint32_t(fat.size());
    const size_t n = bytes.size() / 512;
    for (size_t i = 0; i < n; ++i) fat.push_back(i + 1 < n ? uint32_t(fat.size() + 1) : kEnd);
    sectors += bytes;
    return first;
}

}  // namespace compound_detail

inline std::string WriteCompoundFile(std::vector<CompoundStream> streams) {
    using namespace compound_detail;
    std::sort(streams.begin(), streams.end(), [](const auto& a, const auto& b) { return NameBefore(a.name, b.name); });
    std::string sectors, mini;
    std::vector<uint32_t> fat, miniFat;
    std::vector<uint32_t> starts;
    for (const auto& s : streams) {
        if (s.bytes.size() >= 4096) {
            starts.push_back(AddChain(sectors, fat, Padded(s.bytes, 512)));
            continue;
        }
        if (s.bytes.empty()) {
            starts.push_back(kEnd);
            continue;
        }
        const uint32_t first = uint32_t(miniFat.size());
        const size_t n = (s.bytes.size() + 63) / 64;
        for (size_t i = 0; i < n; ++i) miniFat.push_back(i + 1 < n ? uint32_t(miniFat.size() + 1) : kEnd);
        mini += Padded(s.bytes, 64);
        starts.push_back(first);
    }
    const uint32_t miniStart = AddChain(sectors, fat, Padded(mini, 512));
    std::string miniFatBytes(miniFat.size() * 4, '\0');
    for (size_t i = 0; i < miniFat.size(); ++i) Put32(miniFatBytes, i * 4, miniFat[i]);
    const uint32_t miniFatStart = AddChain(sectors, fat, Padded(miniFatBytes, 512));

    std::string directory((streams.size() + 1) * 128, '\0');
    auto entry = [&](size_t i, const std::string& name, uint8_t type, uint32_t right, uint32_t child, uint32_t start, uint32_t size) {
        const size_t at = i * 128;
        for (size_t k = 0; k < name.size() && k < 31; ++k) Put16(directory, at + k * 2, uint8_t(name[k]));
        Put16(directory, at + 64, uint16_t((std::min<size_t>(name.size(), 31) + 1) * 2));
        directory[at + 66] = char(type);
        directory[at + 67] = 1;  // black
        Put32(directory, at + 68, kNone);
        Put32(directory, at + 72, right);
        Put32(directory, at + 76, child);
        Put32(directory, at + 116, start);
        Put32(directory, at + 120, size);
    };
    entry(0, "Root Entry", 5, kNone, streams.empty() ? kNone : 1, miniStart, uint32_t(mini.size()));
    for (size_t i = 0; i < streams.size(); ++i)
        entry(i + 1, streams[i].name, 2, i + 1 < streams.size() ? uint32_t(i + 2) : kNone, kNone, starts[i],
              uint32_t(streams[i].bytes.size()));
    const uint32_t directoryStart = AddChain(sectors, fat, Padded(directory, 512));

    // The FAT covers every sector, its own included.
    size_t fatSectors = 1;
    while ((fat.size() + fatSectors) > fatSectors * 128) ++fatSectors;
    const uint32_t fatStart = uint32_t(fat.size());
    for (size_t i = 0; i < fatSectors; ++i) fat.push_back(kFatSector);
    std::string fatBytes(fatSectors * 512, '\xFF');
    for (size_t i = 0; i < fat.size(); ++i) Put32(fatBytes, i * 4, fat[i]);
    sectors += fatBytes;

    std::string header(512, '\0');
    header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    Put16(header, 24, 0x003E);
    Put16(header, 26, 0x0003);
    Put16(header, 28, 0xFFFE);
    Put16(header, 30, 9);
    Put16(header, 32, 6);
    Put32(header, 44, uint32_t(fatSectors));
    Put32(header, 48, directoryStart);
    Put32(header, 56, 4096);
    Put32(header, 60, miniFat.empty() ? kEnd : miniFatStart);
    Put32(header, 64, uint32_t((miniFatBytes.size() + 511) / 512));
    Put32(header, 68, kEnd);
    for (size_t i = 0; i < 109; ++i) Put32(header, 76 + i * 4, i < fatSectors ? uint32_t(fatStart + i) : kFree);
    return header + sectors;
}

}  // namespace tessaly::testing
