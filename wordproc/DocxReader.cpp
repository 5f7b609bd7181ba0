#include "wordproc/DocxReader.h"

#include <zip.h>

#include <array>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <map>
#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/Text.h"
#include "wordproc/Crc32.h"
#include "wordproc/GsfZip.h"
#include "wordproc/StoryAssembler.h"
#include "wordproc/XmlBlockScanner.h"
#include "wordproc/XmlTree.h"

namespace tessaly::wordproc {
namespace {

constexpr std::string_view kWordMainTransitional = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kWordMainStrict = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr std::string_view kMarkupCompatibility = "http://schemas.openxmlformats.org/markup-compatibility/2006";

// The package, opened from memory.
class Package {
public:
    Package(std::string_view bytes, const std::filesystem::path& file) : m_bytes(bytes), m_file(file) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source) m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!m_zip) {
            if (source) zip_source_free(source);
            const int code = zip_error_code_zip(&error);
            zip_error_fini(&error);
            if (code == ZIP_ER_NOZIP && !bytes.starts_with(std::string_view("PK\x03\x04", 4)))
                throw ReadError(ReadErrorKind::NotWordDocument, file, "ZIP 形式ではないため、Word 文書（.docx）として読み込めません。");
            throw ReadError(ReadErrorKind::Damaged, file, "ZIP 形式が壊れているか、途中で切れています。");
        }
        zip_error_fini(&error);
    }
    ~Package() { zip_discard(m_zip); }

    // A part opened for reading piece by piece.
    class Part {
    public:
        Part(Package& package, zip_file_t* file, std::string name) : m_package(package), m_file(file), m_name(std::move(name)) {}
        // Inflated by libgsf, which checks nothing: the CRC is taken here.
        Part(Package& package, std::unique_ptr<GsfZipPart> gsf, uint32_t crc, std::string name)
            : m_package(package), m_gsf(std::move(gsf)), m_storedCrc(crc), m_name(std::move(name)) {}
        Part(Part&& other) noexcept
            : m_package(other.m_package), m_file(std::exchange(other.m_file, nullptr)), m_gsf(std::move(other.m_gsf)),
              m_storedCrc(other.m_storedCrc), m_crc(other.m_crc), m_name(std::move(other.m_name)), m_total(other.m_total) {}
        Part(const Part&) = delete;
        Part& operator=(const Part&) = delete;
        Part& operator=(Part&&) = delete;
        ~Part() {
            if (m_file) zip_fclose(m_file);
        }
        // Inflates up to n bytes into out; 0 at the end of the part.
        size_t read(char* out, size_t n) {
            if (m_gsf) {
                n = static_cast<size_t>(std::min<uint64_t>(n, m_gsf->remaining()));
                if (!m_gsf->read(out, n)) m_package.damaged(m_name);
                m_crc = UpdateCrc32(m_crc, out, n);
                if (m_gsf->remaining() == 0 && m_crc != m_storedCrc) m_package.damaged(m_name);
                return n;
            }
            const zip_int64_t got = zip_fread(m_file, out, n);
            if (got < 0) m_package.damaged(m_name);
            m_total += static_cast<size_t>(got);
            if (m_total > kMaxDocxPartBytes) m_package.tooLarge(m_name);  // the stored size may lie
            return static_cast<size_t>(got);
        }

    private:
        Package& m_package;
        zip_file_t* m_file = nullptr;
        std::unique_ptr<GsfZipPart> m_gsf;
        uint32_t m_storedCrc = 0;
        uint32_t m_crc = 0;  // of what libgsf gave so far
        std::string m_name;
        size_t m_total = 0;
    };

    // A part by its name (without leading slash), or nothing when absent.
    // viaGsf: inflated by libgsf when it can be. libzip checks the CRC as
    // zlib computes it, which for a book's main part costs more than the
    // inflating; libgsf checks none, and the part checks it itself, sixteen
    // bytes at a step (UpdateCrc32).
    std::optional<Part> open(const std::string& name, bool viaGsf = false) {
        const zip_int64_t index = zip_name_locate(m_zip, name.c_str(), ZIP_FL_NOCASE);
        if (index < 0) return std::nullopt;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(m_zip, static_cast<zip_uint64_t>(index), 0, &st) != 0) damaged(name);
        if ((st.valid & ZIP_STAT_SIZE) && st.size > kMaxDocxPartBytes) tooLarge(name);
        constexpr zip_uint64_t kNeeded = ZIP_STAT_NAME | ZIP_STAT_SIZE | ZIP_STAT_CRC | ZIP_STAT_COMP_METHOD | ZIP_STAT_ENCRYPTION_METHOD;
        if (viaGsf && (st.valid & kNeeded) == kNeeded && st.encryption_method == ZIP_EM_NONE &&
            (st.comp_method == ZIP_CM_DEFLATE || st.comp_method == ZIP_CM_STORE)) {
            if (auto gsf = GsfZipPart::Open(m_bytes, st.name); gsf && gsf->size() == st.size) {
                m_openedViaGsf = true;
                return std::optional<Part>(std::in_place, *this, std::move(gsf), st.crc, name);
            }
        }
        zip_file_t* f = zip_fopen_index(m_zip, static_cast<zip_uint64_t>(index), 0);
        if (!f) {
            if (zip_get_error(m_zip) && zip_error_code_zip(zip_get_error(m_zip)) == ZIP_ER_NOPASSWD)
                throw ReadError(ReadErrorKind::Encrypted, m_file, "ZIP の中身が暗号化されているため読み込めません。");
            damaged(name);
        }
        return std::optional<Part>(std::in_place, *this, f, name);
    }

    // A whole part, or nothing when absent.
    std::optional<std::string> read(const std::string& name) {
        auto part = open(name);
        if (!part) return std::nullopt;
        constexpr size_t kPiece = size_t(1) << 18;
        std::string data;
        size_t used = 0;
        for (;;) {
            data.resize(used + kPiece);
            const size_t n = part->read(data.data() + used, kPiece);
            if (n == 0) break;
            used += n;
        }
        data.resize(used);
        return data;
    }

    // Whether a part was opened to be inflated by libgsf.
    bool openedViaGsf() const { return m_openedViaGsf; }

private:
    [[noreturn]] void damaged(const std::string& name) {
        throw ReadError(ReadErrorKind::Damaged, m_file, "ファイルが壊れているか途中で切れています（" + name + " を展開できません）。");
    }
    [[noreturn]] void tooLarge(const std::string& name) {
        throw ReadError(ReadErrorKind::TooLarge, m_file,
                        "展開後の大きさが上限（" + std::to_string(kMaxDocxPartBytes >> 20) + " MB）を超えるため読み込めません（" +
                            name + "）。");
    }

    std::string_view m_bytes;
    std::filesystem::path m_file;
    zip_t* m_zip = nullptr;
    bool m_openedViaGsf = false;
};

// A piece of the inflated main part.
struct Chunk {
    std::unique_ptr<char[]> data;
    size_t size = 0;
};

// The two threads that read the main part hand work to each other: one
// reads the inflated XML into blocks, the other walks the blocks into the
// model. Inflating the part falls to whichever is free: the scanning thread
// inflates for itself when no chunk is waiting, and the walking thread
// inflates up to a few megabytes ahead when it has no block to walk (each
// chunk it inflates is one the scanning thread need not). So neither
// waits for long whether the scanning (in a book of short ruby runs, say)
// or the walking (in plain prose) costs more.
//
// Up to a few megabytes of blocks may wait: the walking thread stalls now
// and then (when the story it builds grows and is moved, say) while the
// scanning one goes on. Beyond that the scanning thread waits, so memory
// stays bounded however long the blocks are.
template <class Piece>
class Handover {
public:
    struct Cancelled {};
    static constexpr size_t kChunkBytes = size_t(1) << 18;
    static constexpr size_t kChunksAhead = 16;
    static constexpr size_t kMaxPieces = 1024;
    static constexpr size_t kMaxBytes = size_t(4) << 20;

    // inflate(out, n) writes up to n bytes of the part to out and returns
    // how many (0 at its end). Only one thread calls it at a time.
    explicit Handover(std::function<size_t(char*, size_t)> inflate) : m_inflate(std::move(inflate)) {}

    // The scanning thread's side: the next piece of the part. A chunk the
    // other thread inflated goes to use(text); when none waits and nobody
    // is inflating, a piece is inflated here straight into room(n) and
    // filled(n) says how much of it. False at the end of the part, where an
    // error met while inflating is thrown instead.
    template <class Use, class Room, class Filled>
    bool takeNext(Use&& use, Room&& room, Filled&& filled) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (m_cancelled) throw Cancelled{};
            if (!m_chunks.empty()) {
                Chunk chunk = std::move(m_chunks.front());
                m_chunks.pop_front();
                m_changed.notify_all();
                lock.unlock();
                use(std::string_view(chunk.data.get(), chunk.size));
                lock.lock();
                m_spare.push_back(std::move(chunk));
                return true;
            }
            if (m_ended) {
                if (m_inflateError) std::rethrow_exception(m_inflateError);
                return false;
            }
            if (!m_inflating) {
                m_inflating = true;
                lock.unlock();
                if (const size_t n = inflate(room(kChunkBytes), nullptr)) {
                    filled(n);
                    return true;
                }
                lock.lock();  // the part ended or failed right here
                if (m_inflateError) std::rethrow_exception(m_inflateError);
                return false;
            }
            m_changed.wait(lock);
        }
    }
    // Returns how many pieces wait to be taken, this one included.
    size_t push(Piece piece) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return m_pieces.empty() || (m_pieces.size() < kMaxPieces && m_bytes + piece.bytes <= kMaxBytes) || m_cancelled;
        });
        if (m_cancelled) throw Cancelled{};
        m_bytes += piece.bytes;
        m_pieces.push_back(std::move(piece));
        m_changed.notify_all();
        return m_pieces.size();
    }
    void finishScanning() {
        std::lock_guard lock(m_mutex);
        m_scanned = true;
        m_changed.notify_all();
    }

    // The walking thread's side: takes the next piece to walk, inflating
    // ahead while there is none; false when the scanning has finished and
    // every piece was taken.
    bool next(Piece& piece) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (!m_pieces.empty()) {
                piece = std::move(m_pieces.front());
                m_pieces.pop_front();
                m_bytes -= piece.bytes;
                m_changed.notify_all();
                return true;
            }
            if (m_scanned) return false;
            if (!m_ended && !m_inflating && m_chunks.size() < kChunksAhead) {
                Chunk chunk = spare();
                m_inflating = true;
                lock.unlock();
                inflate(chunk.data.get(), &chunk);
                lock.lock();
                continue;
            }
            m_changed.wait(lock);
        }
    }
    void cancel() {
        std::lock_guard lock(m_mutex);
        m_cancelled = true;
        m_changed.notify_all();
    }

private:
    // An empty chunk to inflate into; the mutex is held.
    Chunk spare() {
        if (m_spare.empty()) return Chunk{std::make_unique_for_overwrite<char[]>(kChunkBytes), 0};
        Chunk chunk = std::move(m_spare.back());
        m_spare.pop_back();
        return chunk;
    }
    // Inflates the next piece of the part into out (up to kChunkBytes), with
    // the mutex not held and m_inflating set. The chunk given, if any, is
    // queued in the same step that clears m_inflating, so that the other
    // thread cannot inflate the piece after it first. Returns how many bytes
    // it holds: 0 when the part has ended or inflating failed.
    size_t inflate(char* out, Chunk* chunk) {
        size_t n = 0;
        std::exception_ptr error;
        try {
            n = m_inflate(out, kChunkBytes);
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(m_mutex);
        m_inflating = false;
        if (error || n == 0) {
            m_ended = true;
            m_inflateError = error;
            if (chunk) m_spare.push_back(std::move(*chunk));
        } else if (chunk) {
            chunk->size = n;
            m_chunks.push_back(std::move(*chunk));
        }
        m_changed.notify_all();
        return m_ended ? 0 : n;
    }

    std::function<size_t(char*, size_t)> m_inflate;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Chunk> m_chunks;
    std::vector<Chunk> m_spare;
    bool m_inflating = false;  // one of the threads is inflating a chunk
    bool m_ended = false;      // the part has ended or failed: no chunk comes after m_chunks
    std::exception_ptr m_inflateError;
    std::deque<Piece> m_pieces;
    size_t m_bytes = 0;  // of the part, in the pieces waiting
    bool m_scanned = false;
    bool m_cancelled = false;
};

// Reads a part in two threads. consume(piece) walks a piece on this
// thread; scan(nextChunk, push) runs on a second one: nextChunk(use, room,
// filled) takes the next piece of the part as Handover::takeNext does
// (false at its end), and push(piece) hands over a piece it has read.
// inflate(out, n) is as for Handover. Errors reach the caller, the scanning
// thread's (inflating included) in the order of the part.
template <class Piece, class Inflate, class Scan, class Consume>
void ReadInTwoThreads(Inflate&& inflate, Scan&& scan, Consume&& consume) {
    Handover<Piece> handover(std::forward<Inflate>(inflate));
    std::exception_ptr scanError;
    std::thread scanner([&] {
        try {
            const auto nextChunk = [&](auto&& use, auto&& room, auto&& filled) { return handover.takeNext(use, room, filled); };
            scan(nextChunk, [&](Piece piece) { return handover.push(std::move(piece)); });
        } catch (const typename Handover<Piece>::Cancelled&) {
        } catch (...) {
            scanError = std::current_exception();
        }
        handover.finishScanning();
    });
    try {
        for (Piece piece; handover.next(piece);) consume(piece);
    } catch (...) {
        handover.cancel();
        scanner.join();
        throw;
    }
    scanner.join();
    if (scanError) std::rethrow_exception(scanError);
}

// Trees the reading thread is done with, for the scanning thread to fill
// again instead of growing new ones.
class TreePool {
public:
    std::unique_ptr<XmlTree> take() {
        std::lock_guard lock(m_mutex);
        if (m_trees.empty()) return nullptr;
        auto tree = std::move(m_trees.back());
        m_trees.pop_back();
        return tree;
    }
    void give(std::unique_ptr<XmlTree> tree) {
        std::lock_guard lock(m_mutex);
        if (m_trees.size() < 64) m_trees.push_back(std::move(tree));
    }

private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<XmlTree>> m_trees;
};

// The root element's start tag, or one child element of the body: its text
// and offset in the part, or the block already read into a tree or parsed.
struct XmlPiece {
    bool root = false;
    std::string text;
    size_t offset = 0;
    size_t bytes = 0;  // the length of its text in the part
    std::unique_ptr<XmlTree> tree;                // parsed by XmlTree
    std::unique_ptr<pugi::xml_document> parsed;  // or by pugixml
};

constexpr unsigned kParseFlags = pugi::parse_default | pugi::parse_ws_pcdata_single;

pugi::xml_document ParseXml(std::string& data, const std::string& part, const std::filesystem::path& file) {
    pugi::xml_document doc;
    const auto result = doc.load_buffer_inplace(data.data(), data.size(), kParseFlags);
    if (!result) {
        throw ReadError(ReadErrorKind::Damaged, file,
                        "XML が壊れています（" + part + "、" + std::to_string(result.offset) + " バイト目: " +
                            result.description() + "）。");
    }
    return doc;
}

const char* LocalName(const char* name) {
    const char* colon = std::strchr(name, ':');
    return colon ? colon + 1 : name;
}

// The folder part of a part name, with a trailing slash (or empty).
std::string FolderOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

// Resolves a relationship target against the source part's folder.
std::string ResolveTarget(const std::string& folder, std::string target) {
    std::string path = target.starts_with('/') ? target.substr(1) : folder + target;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string seg = path.substr(start, end - start);
        if (seg == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!seg.empty() && seg != ".") {
            parts.push_back(seg);
        }
        start = end + 1;
    }
    std::string out;
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

// The target of the first relationship whose type ends in typeSuffix.
std::optional<std::string> FindRelationship(Package& package, const std::string& sourcePart,
                                            std::string_view typeSuffix, const std::filesystem::path& file) {
    const std::string folder = FolderOf(sourcePart);
    const std::string relsName = folder + "_rels/" + sourcePart.substr(folder.size()) + ".rels";
    auto data = package.read(relsName);
    if (!data) return std::nullopt;
    auto doc = ParseXml(*data, relsName, file);
    for (auto rel : doc.document_element().children()) {
        if (std::strcmp(LocalName(rel.name()), "Relationship") != 0) continue;
        const std::string_view type = rel.attribute("Type").value();
        if (!type.ends_with(typeSuffix)) continue;
        if (std::string_view(rel.attribute("TargetMode").value()) == "External") continue;
        return ResolveTarget(folder, rel.attribute("Target").value());
    }
    return std::nullopt;
}

int EmphasisValue(std::string_view val) {
    if (val == "dot") return 1;
    if (val == "comma") return 2;
    if (val == "circle") return 3;
    if (val == "underDot") return 4;
    return 0;
}

// The reader walks a block's tree through these few calls, whether pugixml
// or XmlTree built it.
class PugiNode {
public:
    PugiNode() = default;
    explicit PugiNode(pugi::xml_node node) : m_node(node) {}
    explicit operator bool() const { return !m_node.empty(); }
    std::string_view name() const { return m_node.name(); }
    PugiNode firstChild() const { return PugiNode(m_node.first_child()); }
    PugiNode nextSibling() const { return PugiNode(m_node.next_sibling()); }
    // The value of the first attribute named name (a C string here).
    std::optional<std::string_view> attribute(std::string_view name) const {
        const auto a = m_node.attribute(name.data());
        return a ? std::optional<std::string_view>(a.value()) : std::nullopt;
    }
    // The value of the first text child, or "".
    std::string_view text() const { return m_node.text().get(); }

private:
    pugi::xml_node m_node;
};

// A node's children, for a range-for.
template <class Node>
class Children {
public:
    explicit Children(const Node& parent) : m_first(parent.firstChild()) {}
    struct End {};
    struct Iterator {
        Node node;
        Node operator*() const { return node; }
        Iterator& operator++() {
            node = node.nextSibling();
            return *this;
        }
        bool operator!=(End) const { return static_cast<bool>(node); }
    };
    Iterator begin() const { return {m_first}; }
    End end() const { return {}; }

private:
    Node m_first;
};

// A local name, compared with the reader's constants inline: it is compared
// with a handful of them for every element the reader meets.
class ElementName {
public:
    ElementName() = default;
    explicit ElementName(std::string_view text) : m_text(text) {}
    bool empty() const { return m_text.empty(); }
    template <size_t N>
    bool operator==(const char (&constant)[N]) const {
        return m_text.size() == N - 1 && std::memcmp(m_text.data(), constant, N - 1) == 0;
    }

private:
    std::string_view m_text;
};

class DocxReader {
public:
    // viaGsf: the main part is inflated by libgsf when it can be.
    DocxReader(std::string_view bytes, const std::filesystem::path& file, bool viaGsf)
        : m_file(file), m_package(bytes, file), m_viaGsf(viaGsf) {}

    std::unique_ptr<DocumentModel> read();
    bool readViaGsf() const { return m_package.openedViaGsf(); }

private:
    // The local name of a node in the WordprocessingML namespace, or "".
    // Inlined: the walk asks it a dozen times for each ruby.
    template <class Node>
    [[gnu::always_inline]] ElementName w(const Node& n) const {
        const std::string_view name = n.name();
        if (m_names.standard)  // the prefix nearly every document uses
            return name.size() >= 2 && name[0] == 'w' && name[1] == ':'
                       ? ElementName(std::string_view(name.data() + 2, name.size() - 2))
                       : ElementName();
        if (m_names.w.empty()) return ElementName(name.find(':') == std::string_view::npos ? name : std::string_view());
        if (name.size() < m_names.w.size()) return {};
        for (size_t i = 0; i < m_names.w.size(); ++i)  // a short prefix: compared here, not by a library call
            if (name[i] != m_names.w[i]) return {};
        return ElementName(name.substr(m_names.w.size()));
    }
    template <class Node, size_t N>
    bool isW(const Node& n, const char (&local)[N]) const {
        return w(n) == local;
    }
    template <class Node, size_t N>
    Node wChild(const Node& n, const char (&local)[N]) const {
        for (Node c : Children(n))
            if (isW(c, local)) return c;
        return {};
    }
    template <class Node>
    std::optional<std::string_view> wAttr(const Node& n, std::string_view local) const {
        m_attrName.assign(m_names.w).append(local);
        return n.attribute(m_attrName);
    }
    // The content a reader without extensions takes from mc:AlternateContent.
    template <class Node>
    Node fallbackOf(const Node& n) const {
        for (Node c : Children(n))
            if (c.name() == m_names.fallback) return c;
        return {};
    }
    template <class Node>
    bool isAlternateContent(const Node& n) const {
        return !m_names.mc.empty() && n.name() == m_names.alternateContent;
    }

    void findPrefixes(const pugi::xml_node& root);
    void readStyles(const std::string& documentPart);
    std::optional<int> styleEmphasis(std::string_view id, int depth = 0) const;
    // A run's emphasis: its own properties' (direct or through its style),
    // else the paragraph style's, else the document default's.
    template <class Node>
    std::optional<int> ownEmphasis(const Node& run) const;
    int inheritedEmphasis() const {
        if (m_paragraphEmphasis) return *m_paragraphEmphasis;
        return m_defaultEmphasis.value_or(0);
    }
    template <class Node>
    int runEmphasis(const Node& run) const {
        if (const auto em = ownEmphasis(run)) return *em;
        return inheritedEmphasis();
    }

    // What walking a run comes to, worked out once for content the tree's
    // memo recalled (XmlTree::Node::recalled) and done again for every copy
    // of it, its texts read from the same places. Only the two shapes nearly
    // every run of a book has: properties and one text, or properties and a
    // ruby of one run over one run, each of one text. When those texts are
    // the content's holes, later copies come without nodes: the holes are
    // all the program reads.
    struct RunProgram {
        enum class Kind : uint8_t { Walk, Text, Ruby } kind = Kind::Walk;  // Walk: walked as any run
        uint32_t text = 0;  // the text node (the reading's, of a ruby), from the run
        uint32_t base = 0;  // a ruby's base text node
        int textHole = -1;  // the holes those texts are, when they are
        int baseHole = -1;
        std::optional<int> emphasis;  // from the properties of the run (of the base's run); else inherited
    };
    RunProgram compileRun(const XmlTree::Node& run, const XmlTree::Node::Recalled& recalled) const;
    template <size_t N>
    XmlTree::Node soleChild(const XmlTree::Node& run, const char (&local)[N]) const;
    XmlTree::Node soleText(const XmlTree::Node& run) const;
    // Walks the run by its content's program; false when it has none.
    bool runByProgram(const XmlTree::Node& run, const XmlTree::Node::Recalled& recalled);

    // The walk over a block, the same whichever parser built its tree.
    template <class Node>
    void blocks(const Node& parent);
    template <class Node>
    void block(const Node& node);
    template <class Node>
    void rows(const Node& parent);
    template <class Node>
    void paragraph(const Node& p);
    template <class Node>
    void inlines(const Node& parent);
    template <class Node>
    void runContent(const Node& parent, int em);
    template <class Node>
    void ruby(const Node& ruby, int em);
    // Appends the text of n's runs (deleted text and field codes left out).
    template <class Node>
    void appendTextOf(const Node& n, std::u16string& out) const;
    template <class Node>
    Node firstRun(const Node& n) const;

    std::filesystem::path m_file;
    Package m_package;
    bool m_viaGsf;
    // The prefixes the part uses and the names made with them.
    struct Names {
        std::string w;   // "w:" or whatever the document uses
        bool standard = false;  // w is "w:"
        std::string mc;  // "mc:"
        std::string alternateContent;
        std::string fallback;
    } m_names;
    mutable std::string m_attrName;  // wAttr's qualified name
    std::u16string m_text;           // the text being handed to the story
    std::u16string m_reading;        // a ruby's reading and base
    std::u16string m_base;

    struct Style {
        std::string basedOn;
        std::optional<int> emphasis;
    };
    std::map<std::string, Style, std::less<>> m_styles;
    std::optional<int> m_defaultEmphasis;
    std::string m_defaultParagraphStyle;
    std::optional<int> m_paragraphEmphasis;  // of the current paragraph's style
    struct CachedProgram {
        uint64_t content = 0;
        RunProgram program;
    };
    std::array<CachedProgram, 64> m_programs{};  // by content number
    // The programs of contents whose copies come without nodes: kept as
    // long as the reading, and only so many.
    std::unordered_map<uint64_t, RunProgram> m_withoutNodes;
    static constexpr size_t kMaxWithoutNodes = 4096;
    XmlTree::Memo* m_memo = nullptr;  // the scanning thread's, while the main part is read

    StoryAssembler* m_story = nullptr;
};

void DocxReader::findPrefixes(const pugi::xml_node& root) {
    m_names = Names{};
    bool found = false;
    for (auto a : root.attributes()) {
        const std::string_view name = a.name();
        const std::string_view value = a.value();
        std::string prefix;
        if (name == "xmlns") prefix = "";
        else if (name.starts_with("xmlns:")) prefix = std::string(name.substr(6)) + ":";
        else continue;
        if (value == kWordMainTransitional || value == kWordMainStrict) {
            m_names.w = prefix;
            found = true;
        } else if (value == kMarkupCompatibility) {
            m_names.mc = prefix;
        }
    }
    if (!found) m_names.w = "w:";
    m_names.standard = m_names.w == "w:";
    m_names.alternateContent = m_names.mc + "AlternateContent";
    m_names.fallback = m_names.mc + "Fallback";
}

void DocxReader::readStyles(const std::string& documentPart) {
    auto part = FindRelationship(m_package, documentPart, "/styles", m_file);
    if (!part) part = FolderOf(documentPart) + "styles.xml";
    auto data = m_package.read(*part);
    if (!data) return;
    auto doc = ParseXml(*data, *part, m_file);
    const PugiNode root(doc.document_element());
    const Names saved = m_names;
    findPrefixes(doc.document_element());
    auto emOf = [&](const PugiNode& rPr) -> std::optional<int> {
        auto em = wChild(rPr, "em");
        if (!em) return std::nullopt;
        return EmphasisValue(wAttr(em, "val").value_or("none"));
    };
    if (auto defaults = wChild(root, "docDefaults"))
        if (auto rPrDefault = wChild(defaults, "rPrDefault")) m_defaultEmphasis = emOf(wChild(rPrDefault, "rPr"));
    for (PugiNode s : Children(root)) {
        if (!isW(s, "style")) continue;
        const auto id = wAttr(s, "styleId");
        if (!id) continue;
        Style style;
        if (auto based = wChild(s, "basedOn")) style.basedOn = wAttr(based, "val").value_or("");
        style.emphasis = emOf(wChild(s, "rPr"));
        const auto type = wAttr(s, "type");
        const auto isDefault = wAttr(s, "default");
        if (type == "paragraph" && (isDefault == "1" || isDefault == "true")) m_defaultParagraphStyle = *id;
        m_styles[std::string(*id)] = std::move(style);
    }
    m_names = saved;
}

std::optional<int> DocxReader::styleEmphasis(std::string_view id, int depth) const {
    if (depth > 32) return std::nullopt;  // a basedOn cycle
    auto it = m_styles.find(id);
    if (it == m_styles.end()) return std::nullopt;
    if (it->second.emphasis) return it->second.emphasis;
    if (it->second.basedOn.empty()) return std::nullopt;
    return styleEmphasis(it->second.basedOn, depth + 1);
}

template <class Node>
std::optional<int> DocxReader::ownEmphasis(const Node& r) const {
    if (auto rPr = wChild(r, "rPr")) {
        if (auto em = wChild(rPr, "em")) return EmphasisValue(wAttr(em, "val").value_or("none"));
        if (auto rStyle = wChild(rPr, "rStyle"))
            if (const auto id = wAttr(rStyle, "val"))
                if (auto em = styleEmphasis(*id)) return *em;
    }
    return std::nullopt;
}

// The one child besides its properties of a run that has just that one,
// when it is named local; else a null node.
template <size_t N>
XmlTree::Node DocxReader::soleChild(const XmlTree::Node& run, const char (&local)[N]) const {
    XmlTree::Node only;
    for (XmlTree::Node c : Children(run)) {
        const ElementName l = w(c);
        if (l == "rPr") continue;
        if (only || !(l == local)) return {};
        only = c;
    }
    return only;
}

// The text node of a run that holds its properties and one w:t with text,
// and nothing else; else a null node.
XmlTree::Node DocxReader::soleText(const XmlTree::Node& run) const {
    const XmlTree::Node t = soleChild(run, "t");
    if (!t) return {};
    for (XmlTree::Node c : Children(t))
        if (c.isText()) return c;  // what runContent and appendTextOf read
    return {};
}

DocxReader::RunProgram DocxReader::compileRun(const XmlTree::Node& run, const XmlTree::Node::Recalled& recalled) const {
    auto holeOf = [&](const XmlTree::Node& text) {
        for (size_t k = 0; k < recalled.holes; ++k)
            if (recalled.hole(k).data() == text.value().data()) return static_cast<int>(k);
        return -1;
    };
    RunProgram program;
    if (const XmlTree::Node text = soleText(run)) {
        program.kind = RunProgram::Kind::Text;
        program.text = run.offsetOf(text);
        program.textHole = holeOf(text);
        program.emphasis = ownEmphasis(run);
        return program;
    }
    // Properties and one ruby, whose first w:rt and first w:rubyBase (as
    // ruby() takes them) each hold one run of one text.
    const XmlTree::Node ruby = soleChild(run, "ruby");
    if (!ruby) return {};
    XmlTree::Node rt, base;
    for (XmlTree::Node c : Children(ruby)) {
        const ElementName l = w(c);
        if (!rt && l == "rt") rt = c;
        else if (!base && l == "rubyBase") base = c;
    }
    auto soleRun = [&](const XmlTree::Node& parent) {
        const XmlTree::Node r = parent.firstChild();
        return r && !r.nextSibling() && w(r) == "r" ? r : XmlTree::Node();
    };
    const XmlTree::Node rtRun = rt ? soleRun(rt) : XmlTree::Node();
    const XmlTree::Node baseRun = base ? soleRun(base) : XmlTree::Node();
    const XmlTree::Node reading = rtRun ? soleText(rtRun) : XmlTree::Node();
    const XmlTree::Node baseText = baseRun ? soleText(baseRun) : XmlTree::Node();
    if (!reading || !baseText) return {};
    program.kind = RunProgram::Kind::Ruby;
    program.text = run.offsetOf(reading);
    program.base = run.offsetOf(baseText);
    program.textHole = holeOf(reading);
    program.baseHole = holeOf(baseText);
    program.emphasis = ownEmphasis(baseRun);
    return program;
}

bool DocxReader::runByProgram(const XmlTree::Node& run, const XmlTree::Node::Recalled& recalled) {
    const uint64_t content = recalled.content;
    CachedProgram& cached = m_programs[content % m_programs.size()];
    if (cached.content != content) {
        if (!recalled.withNodes) {  // asked for without nodes: its program was kept
            const auto kept = m_withoutNodes.find(content);
            if (kept == m_withoutNodes.end()) throw std::logic_error("a run came without the program it was asked for by");
            cached = {content, kept->second};
        } else {
            cached = {content, compileRun(run, recalled)};
            const RunProgram& program = cached.program;
            const bool holesOnly = program.kind == RunProgram::Kind::Text
                                       ? program.textHole >= 0
                                       : program.kind == RunProgram::Kind::Ruby && program.textHole >= 0 && program.baseHole >= 0;
            if (holesOnly && m_memo && m_withoutNodes.size() < kMaxWithoutNodes && m_withoutNodes.emplace(content, program).second)
                m_memo->copyWithoutNodes(content);
        }
    }
    const RunProgram& program = cached.program;
    // A copy without nodes is read by its holes; one with nodes either way.
    auto textOf = [&](int hole, uint32_t offset) { return hole >= 0 ? recalled.hole(static_cast<size_t>(hole)) : run.at(offset).value(); };
    const int em = program.emphasis ? *program.emphasis : inheritedEmphasis();
    switch (program.kind) {
    case RunProgram::Kind::Walk:
        return false;
    case RunProgram::Kind::Text:  // as runContent takes a w:t
        if (!m_story->inFieldInstruction()) {
            m_text.clear();
            AppendUtf8(m_text, textOf(program.textHole, program.text));
            m_story->text(m_text, em);
        }
        return true;
    case RunProgram::Kind::Ruby:  // as ruby() takes it
        m_reading.clear();
        AppendUtf8(m_reading, textOf(program.textHole, program.text));
        m_base.clear();
        AppendUtf8(m_base, textOf(program.baseHole, program.base));
        m_story->ruby(m_reading, m_base, em);
        return true;
    }
    return false;
}

template <class Node>
void DocxReader::blocks(const Node& parent) {
    for (Node c : Children(parent)) block(c);
}

template <class Node>
void DocxReader::block(const Node& c) {
    if (isAlternateContent(c)) {
        blocks(fallbackOf(c));
        return;
    }
    const ElementName l = w(c);
    if (l == "p") paragraph(c);
    else if (l == "tbl") rows(c);
    else if (l == "sdt") blocks(wChild(c, "sdtContent"));
    else if (l == "customXml" || l == "ins" || l == "moveTo") blocks(c);
}

// Rows, possibly wrapped in content controls or custom XML; each cell's
// paragraphs in order, and the end of each row ends a paragraph.
template <class Node>
void DocxReader::rows(const Node& parent) {
    for (Node c : Children(parent)) {
        const ElementName l = w(c);
        if (l.empty()) continue;
        if (l == "tr") {
            for (Node cell : Children(c)) {
                const ElementName cl = w(cell);
                if (cl == "tc") blocks(cell);
                else if (cl == "sdt") rows(wChild(cell, "sdtContent"));
                else if (cl == "customXml") rows(cell);
            }
            m_story->paragraphEnd();
        } else if (l == "sdt") {
            rows(wChild(c, "sdtContent"));
        } else if (l == "customXml") {
            rows(c);
        } else if (l == "tc") {  // cells met through a wrapper inside a row
            blocks(c);
        }
    }
}

template <class Node>
void DocxReader::paragraph(const Node& p) {
    std::string style = m_defaultParagraphStyle;
    if (auto pPr = wChild(p, "pPr"))
        if (auto pStyle = wChild(pPr, "pStyle"))
            if (const auto id = wAttr(pStyle, "val")) style = *id;
    m_paragraphEmphasis = style.empty() ? std::nullopt : styleEmphasis(style);
    inlines(p);
    m_story->paragraphEnd();
}

template <class Node>
void DocxReader::inlines(const Node& parent) {
    for (Node c : Children(parent)) {
        if (isAlternateContent(c)) {
            inlines(fallbackOf(c));
            continue;
        }
        const ElementName l = w(c);
        if (l.empty()) continue;
        if (l == "r") {
            if constexpr (std::is_same_v<Node, XmlTree::Node>) {
                if (const auto recalled = c.recalled(); recalled.content && runByProgram(c, recalled)) continue;
            }
            runContent(c, runEmphasis(c));
        } else if (l == "fldSimple") {
            m_story->fieldBegin();
            m_text.clear();
            AppendUtf8(m_text, wAttr(c, "instr").value_or(""));
            m_story->text(m_text, 0);
            m_story->fieldSeparate();
            inlines(c);
            m_story->fieldEnd();
        } else if (l == "sdt") {
            inlines(wChild(c, "sdtContent"));
        } else if (l == "hyperlink" || l == "smartTag" || l == "customXml" ||
                   l == "ins" || l == "moveTo" || l == "dir" ||
                   l == "bdo") {
            inlines(c);
        }
    }
}

template <class Node>
void DocxReader::runContent(const Node& parent, int em) {
    for (Node c : Children(parent)) {
        if (isAlternateContent(c)) {
            runContent(fallbackOf(c), em);
            continue;
        }
        const ElementName l = w(c);
        if (l.empty()) continue;
        const bool code = l == "instrText";
        if (code || l == "t") {
            // A field's instruction takes field code; everywhere else text is shown.
            if (m_story->inFieldInstruction() == code) {
                m_text.clear();
                AppendUtf8(m_text, c.text());
                m_story->text(m_text, em);
            }
        } else if (l == "tab" || l == "ptab") {
            m_story->character(U'\t', em);
        } else if (l == "br") {
            const auto type = wAttr(c, "type");
            if (type == "page" || type == "column") m_story->breakParagraph();
            else m_story->character(U'\n', em);
        } else if (l == "cr") {
            m_story->character(U'\n', em);
        } else if (l == "noBreakHyphen") {
            m_story->character(U'\u2011', em);
        } else if (l == "softHyphen") {
            m_story->character(U'\u00AD', em);
        } else if (l == "sym") {
            const auto hexView = wAttr(c, "char");
            if (!hexView) continue;
            const std::string hex(*hexView);
            char* end = nullptr;
            const unsigned long cp = std::strtoul(hex.c_str(), &end, 16);
            if (end && *end == '\0' && cp > 0 && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF))
                m_story->character(static_cast<char32_t>(cp), em);
        } else if (l == "fldChar") {
            const auto type = wAttr(c, "fldCharType");
            if (!type) continue;
            if (type == "begin") m_story->fieldBegin();
            else if (type == "separate") m_story->fieldSeparate();
            else if (type == "end") m_story->fieldEnd();
        } else if (l == "ruby") {
            ruby(c, em);
        }
    }
}

template <class Node>
void DocxReader::appendTextOf(const Node& n, std::u16string& out) const {
    for (Node c : Children(n)) {
        const ElementName l = w(c);
        if (l == "t") AppendUtf8(out, c.text());
        else if (l == "tab") out.push_back(u'\t');
        else if (l == "delText" || l == "instrText" || l == "del" || l == "rPr") continue;
        else if (isAlternateContent(c)) appendTextOf(fallbackOf(c), out);
        else appendTextOf(c, out);
    }
}

template <class Node>
Node DocxReader::firstRun(const Node& n) const {
    for (Node c : Children(n)) {
        if (isW(c, "r")) return c;
        if (auto r = firstRun(c)) return r;
    }
    return {};
}

template <class Node>
void DocxReader::ruby(const Node& rubyNode, int em) {
    Node rt, base;  // the first of each, found in one pass
    for (Node c : Children(rubyNode)) {
        const ElementName l = w(c);
        if (!rt && l == "rt") rt = c;
        else if (!base && l == "rubyBase") base = c;
    }
    const auto baseRun = firstRun(base);
    const int baseEm = baseRun ? runEmphasis(baseRun) : em;
    m_reading.clear();
    appendTextOf(rt, m_reading);
    m_base.clear();
    appendTextOf(base, m_base);
    m_story->ruby(m_reading, m_base, baseEm);
}

std::unique_ptr<DocumentModel> DocxReader::read() {
    auto main = FindRelationship(m_package, "", "/officeDocument", m_file);
    if (!main) {
        throw ReadError(ReadErrorKind::NotWordDocument, m_file,
                        "パッケージに Word 文書の本文が見つからないため読み込めません。");
    }
    readStyles(*main);

    auto model = std::make_unique<DocumentModel>(FromUtf8(m_file.filename().string()));
    DocumentBuilder builder(*model);
    StoryAssembler story(builder);
    m_story = &story;

    // The main part is read block by block as it is inflated.
    auto damagedXml = [&](const std::string& detail) {
        return ReadError(ReadErrorKind::Damaged, m_file, "XML が壊れています（" + *main + "、" + detail + "）。");
    };
    auto parseRoot = [&](const std::string& rootTag) {
        std::string tag(rootTag.ends_with("/>") ? rootTag : rootTag.substr(0, rootTag.size() - 1));
        if (!tag.ends_with("/>")) tag.append("/>");
        pugi::xml_document root;
        const auto result = root.load_buffer(tag.data(), tag.size(), kParseFlags);
        if (!result) throw damagedXml("0 バイト目: " + std::string(result.description()));
        findPrefixes(root.document_element());
    };
    // A block the scanner's tree declined is parsed by pugixml, which also
    // words the error when the XML is malformed.
    auto parseBlock = [&](std::string_view text, size_t offset) {
        auto doc = std::make_unique<pugi::xml_document>();
        const auto result = doc->load_buffer(text.data(), text.size(), kParseFlags);
        if (!result)
            throw damagedXml(std::to_string(offset + static_cast<size_t>(result.offset)) + " バイト目: " + result.description());
        return doc;
    };
    bool sawBody = false;
    try {
        auto part = m_package.open(*main, m_viaGsf);
        if (!part) {
            throw ReadError(ReadErrorKind::NotWordDocument, m_file,
                            "Word 文書の本文（" + *main + "）がパッケージにないため読み込めません。");
        }
        // A second thread reads the part's blocks into trees, this one walks
        // them into the model; inflating the part falls to whichever is free
        // (see Handover). The trees go back to the second thread to be filled
        // again. A block the tree declines is parsed by pugixml: on the second
        // thread while this one has blocks waiting, else here.
        constexpr size_t kFewWaiting = 4;
        TreePool trees;
        XmlTree::Memo memo;  // the trees', held here for the walk to ask for copies without nodes
        m_memo = &memo;
        ReadInTwoThreads<XmlPiece>(
            [&](char* out, size_t n) { return part->read(out, n); },
            [&](auto&& nextChunk, auto&& push) {
                size_t waiting = 0;
                XmlBlockScanner scanner(
                    [&](std::string_view tag) {
                        XmlPiece piece;
                        piece.root = true;
                        piece.text = tag;
                        piece.bytes = tag.size();
                        waiting = push(std::move(piece));
                    },
                    [&](std::string_view text, size_t offset) {
                        XmlPiece piece;
                        piece.offset = offset;
                        piece.bytes = text.size();
                        if (waiting < kFewWaiting) piece.text = text;
                        else piece.parsed = parseBlock(text, offset);
                        waiting = push(std::move(piece));
                    },
                    [&](std::unique_ptr<XmlTree>& tree, size_t offset) {
                        XmlPiece piece;
                        piece.offset = offset;
                        piece.bytes = tree->size();
                        piece.tree = std::move(tree);
                        tree = trees.take();
                        waiting = push(std::move(piece));
                    },
                    &memo);
                while (nextChunk([&](std::string_view text) { scanner.feed(text); },
                                 [&](size_t n) { return scanner.room(n); }, [&](size_t n) { scanner.filled(n); })) {
                }
                scanner.finish();
                sawBody = scanner.sawBody();
            },
            [&](XmlPiece& piece) {
                if (piece.root) {
                    parseRoot(piece.text);
                } else if (piece.tree) {
                    block(piece.tree->root());
                    piece.tree->release();  // the scanner's store it read from
                    trees.give(std::move(piece.tree));
                } else {
                    if (!piece.parsed) piece.parsed = parseBlock(piece.text, piece.offset);
                    block(PugiNode(piece.parsed->document_element()));
                }
            });
        m_memo = nullptr;
    } catch (const ReadError&) {
        throw;
    } catch (const std::runtime_error& e) {
        throw damagedXml(e.what());
    }
    if (!sawBody) {
        throw ReadError(ReadErrorKind::NotWordDocument, m_file, "Word 文書の本文（w:body）がないため読み込めません。");
    }
    story.finish();
    m_story = nullptr;
    return model;
}

}  // namespace

std::unique_ptr<DocumentModel> ReadDocx(std::string_view bytes, const std::filesystem::path& file) {
    // The main part is inflated by libgsf first. Should anything go wrong
    // then, the package is read again through libzip alone, so that a
    // damaged package fails as it always has, and with the same words.
    DocxReader first(bytes, file, true);
    try {
        return first.read();
    } catch (const std::exception&) {
        if (!first.readViaGsf()) throw;
    }
    return DocxReader(bytes, file, false).read();
}

}  // namespace tessaly::wordproc
