#include "wordproc/OleContainer.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "engine/Text.h"

namespace tessaly::wordproc {
namespace {

constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kHeaderSize = 512;
constexpr size_t kEntrySize = 128;
constexpr size_t kHeaderFatEntries = 109;

enum ObjectType : uint8_t { kStorage = 1, kStream = 2, kRoot = 5 };

uint16_t U16(std::string_view b, size_t at) { return uint16_t(uint8_t(b[at]) | uint8_t(b[at + 1]) << 8); }
uint32_t U32(std::string_view b, size_t at) { return uint32_t(U16(b, at)) | uint32_t(U16(b, at + 2)) << 16; }

[[noreturn]] void Malformed(const std::string& why) { throw std::runtime_error("複合ファイルの構造が不正です（" + why + "）"); }

// "WordDocument が途中で切れています", "ディレクトリが途中で切れています"
[[noreturn]] void Truncated(const std::string& what) {
    const bool ascii = !what.empty() && uint8_t(what.back()) < 0x80;
    throw std::runtime_error(what + (ascii ? " " : "") + "が途中で切れています");
}

// A directory entry at the top of the container: a stream or a storage.
struct Entry {
    std::u16string name;
    uint8_t type = 0;
    uint32_t start = 0;
    uint64_t size = 0;
};

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace

// The parts of the container that reading a top-level stream needs: the
// allocation table, the mini stream's table and the top-level entries. Every
// offset is checked against the bytes, and a chain that meets one of its
// sectors again ends as a damaged chain.
struct OleContainer::Impl {
    std::string_view bytes;
    size_t sectorSize = 0, miniSectorSize = 0;
    uint32_t miniCutoff = 0;
    std::vector<uint32_t> fat, miniFat;
    Entry root;
    std::vector<Entry> top;
    mutable std::optional<std::vector<uint32_t>> miniStreamSectors;  // the mini stream's chain, once needed

    // The bytes of regular sector n; short when the file ends inside it.
    std::string_view sector(uint32_t n) const {
        const uint64_t at = (uint64_t(n) + 1) * sectorSize;
        if (n > kMaxRegularSector || at >= bytes.size()) return {};
        return bytes.substr(size_t(at), sectorSize);
    }

    // Follows a chain of sectors from start, through table, reading size
    // bytes (all of the chain when size is unknown). what names the chain
    // in the reason. With asFarAsThere, a chain that the file ends inside
    // (or that breaks off) gives what there is instead.
    template <typename SectorOf>
    std::string chain(uint32_t start, std::optional<uint64_t> size, const std::vector<uint32_t>& table, size_t unit,
                      SectorOf sectorOf, const std::string& what, bool asFarAsThere = false) const {
        std::string data;
        if (size) data.reserve(size_t(std::min<uint64_t>(*size, bytes.size())));
        std::vector<bool> visited(table.size());  // a sector met again is a loop
        for (uint32_t n = start; size ? data.size() < *size : n != kEndOfChain;) {
            const bool broken = n >= table.size() || visited[n];
            std::string_view part = broken ? std::string_view() : sectorOf(n);
            // A file may end inside its last sector: what the chain needs
            // of it must be there (all of a chain without a size, whose
            // last sector may be short but not missing).
            if (broken || (part.size() < unit && (size ? *size - data.size() > part.size() : part.empty()))) {
                if (asFarAsThere) return data + std::string(part);
                Truncated(what);
            }
            visited[n] = true;
            if (size) part = part.substr(0, size_t(std::min<uint64_t>(part.size(), *size - data.size())));
            data += part;
            n = table[n];
        }
        return data;
    }

    std::string regularChain(uint32_t start, std::optional<uint64_t> size, const std::string& what, bool asFarAsThere = false) const {
        return chain(start, size, fat, sectorSize, [this](uint32_t n) { return sector(n); }, what, asFarAsThere);
    }

    void readHeader();
    void readFat(uint32_t fatSectors, uint32_t firstDifat, uint32_t difatSectors);
    void readDirectory(uint32_t firstSector);
    const Entry* find(std::string_view name) const;
    std::string streamBytes(const Entry& e, const std::string& shown) const;
};

void OleContainer::Impl::readHeader() {
    if (bytes.size() < kHeaderSize) Malformed("ヘッダーが短すぎます");
    if (U16(bytes, 28) != 0xFFFE) Malformed("バイト順の印が不正です");
    const uint16_t major = U16(bytes, 26), sectorShift = U16(bytes, 30), miniShift = U16(bytes, 32);
    if ((major != 3 && major != 4) || (sectorShift != 9 && sectorShift != 12)) Malformed("セクターの大きさが不正です");
    if (miniShift == 0 || miniShift >= sectorShift) Malformed("ミニセクターの大きさが不正です");
    sectorSize = size_t(1) << sectorShift;
    miniSectorSize = size_t(1) << miniShift;
    miniCutoff = U32(bytes, 56);
    readFat(U32(bytes, 44), U32(bytes, 68), U32(bytes, 72));
    readDirectory(U32(bytes, 48));
    // The mini stream's table, when any stream lives in the mini stream.
    const uint32_t firstMiniFat = U32(bytes, 60);
    if (firstMiniFat != kEndOfChain && firstMiniFat != kFreeSector) {
        // As far as the file holds it: a stream that needs a missing entry fails alone.
        const std::string table = regularChain(firstMiniFat, std::nullopt, "ミニストリームの割り当て表", true);
        miniFat.reserve(table.size() / 4);
        for (size_t at = 0; at + 4 <= table.size(); at += 4) miniFat.push_back(U32(table, at));
    }
}

// The allocation table, from the sectors the header and the DIFAT chain
// list. A listed sector beyond the end of the file reads as free entries:
// only a chain that needs one fails.
void OleContainer::Impl::readFat(uint32_t fatSectors, uint32_t firstDifat, uint32_t difatSectors) {
    const size_t sectorsInFile = bytes.size() / sectorSize;
    if (fatSectors > sectorsInFile + 1) Malformed("割り当て表のセクター数がファイルの大きさを超えています");
    std::vector<uint32_t> listed;
    for (size_t i = 0; i < kHeaderFatEntries && listed.size() < fatSectors; ++i) listed.push_back(U32(bytes, 76 + 4 * i));
    uint32_t difat = firstDifat;
    const size_t perDifat = sectorSize / 4 - 1;
    for (uint32_t d = 0; d < difatSectors && listed.size() < fatSectors && difat <= kMaxRegularSector; ++d) {
        const std::string_view s = sector(difat);
        if (s.size() < sectorSize) Malformed("DIFAT のセクターがファイルの外にあります");
        for (size_t i = 0; i < perDifat && listed.size() < fatSectors; ++i) listed.push_back(U32(s, 4 * i));
        difat = U32(s, 4 * perDifat);
    }
    fat.reserve(listed.size() * (sectorSize / 4));
    for (const uint32_t n : listed) {
        const std::string_view s = sector(n);
        for (size_t i = 0; i < sectorSize / 4; ++i) fat.push_back(4 * i + 4 <= s.size() ? U32(s, 4 * i) : kFreeSector);
    }
}

// The root entry and the entries of the root storage's tree, walked with a
// stack of its own; an entry reached twice or out of the directory is passed over.
void OleContainer::Impl::readDirectory(uint32_t firstSector) {
    // As far as the file holds it: the entries that are there are read.
    const std::string dir = regularChain(firstSector, std::nullopt, "ディレクトリ", true);
    const size_t count = dir.size() / kEntrySize;
    if (count == 0) Truncated("ディレクトリ");
    if (uint8_t(dir[66]) != kRoot) Malformed("ルートのディレクトリ項目がありません");
    auto entryAt = [&](size_t id) {
        const std::string_view e = std::string_view(dir).substr(id * kEntrySize, kEntrySize);
        Entry entry;
        const size_t nameBytes = std::min<size_t>(U16(e, 64), 64);
        for (size_t i = 0; i + 2 <= nameBytes; i += 2)
            if (const char16_t c = U16(e, i)) entry.name.push_back(c);
        entry.type = uint8_t(e[66]);
        entry.start = U32(e, 116);
        // Version 3 keeps only the low half of the size.
        entry.size = sectorSize == 512 ? U32(e, 120) : uint64_t(U32(e, 120)) | uint64_t(U32(e, 124)) << 32;
        return entry;
    };
    root = entryAt(0);
    std::vector<bool> seen(count);
    seen[0] = true;
    std::vector<uint32_t> pending{U32(dir, 76)};
    while (!pending.empty()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        if (id == kNoStream || id >= count || seen[id]) continue;
        seen[id] = true;
        const std::string_view e = std::string_view(dir).substr(id * kEntrySize, kEntrySize);
        pending.push_back(U32(e, 72));
        pending.push_back(U32(e, 68));
        Entry entry = entryAt(id);
        if (entry.type == kStorage || entry.type == kStream) top.push_back(std::move(entry));
    }
}

const Entry* OleContainer::Impl::find(std::string_view name) const {
    const std::u16string wanted = FromUtf8(name);
    for (const Entry& e : top)
        if (SameNameIgnoringCase(e.name, wanted)) return &e;
    return nullptr;
}

std::string OleContainer::Impl::streamBytes(const Entry& e, const std::string& shown) const {
    if (e.size >= miniCutoff) return regularChain(e.start, e.size, shown);
    // The mini stream's sectors as far as its chain holds together: each
    // stream in it checks its own mini sectors.
    if (!miniStreamSectors) {
        miniStreamSectors.emplace();
        std::vector<bool> visited(fat.size());
        const uint64_t sectors = (root.size + sectorSize - 1) / sectorSize;
        for (uint32_t n = root.start; n < fat.size() && !visited[n] && miniStreamSectors->size() < sectors; n = fat[n]) {
            visited[n] = true;
            miniStreamSectors->push_back(n);
        }
    }
    return chain(e.start, e.size, miniFat, miniSectorSize,
                 [&](uint32_t n) {
                     const uint64_t at = uint64_t(n) * miniSectorSize;
                     if (at >= root.size || at / sectorSize >= miniStreamSectors->size()) return std::string_view();
                     const std::string_view s = sector((*miniStreamSectors)[size_t(at / sectorSize)]);
                     const size_t within = size_t(at % sectorSize);
                     return within < s.size() ? s.substr(within, miniSectorSize) : std::string_view();
                 },
                 shown);
}

bool OleContainer::HasSignature(std::string_view bytes) {
    return bytes.size() >= 8 && bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

OleContainer::OleContainer(std::string_view bytes) : m_impl(std::make_unique<Impl>()) {
    if (!HasSignature(bytes)) Malformed("複合ファイルの印がありません");
    m_impl->bytes = bytes;
    try {
        m_impl->readHeader();
    } catch (const std::runtime_error& e) {
        const std::string why = e.what();
        if (why.starts_with("複合ファイルの構造が不正です")) throw;
        Malformed(why);
    }
}

OleContainer::~OleContainer() = default;

bool OleContainer::hasStream(std::string_view name) const { return m_impl->find(name) != nullptr; }

std::vector<std::string> OleContainer::names() const {
    std::vector<std::string> names;
    for (const Entry& e : m_impl->top) names.push_back(ToUtf8(e.name));
    return names;
}

std::optional<std::string> OleContainer::readStream(std::string_view name, size_t maxBytes) const {
    const Entry* e = m_impl->find(name);
    if (!e) return std::nullopt;
    const std::string shown(name);
    if (e->type != kStream) throw std::runtime_error(shown + " がストリームではありません");
    if (e->size > maxBytes) throw std::length_error(shown + " が大きすぎます");
    return m_impl->streamBytes(*e, shown);
}

}  // namespace tessaly::wordproc
