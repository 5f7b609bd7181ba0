// The compound-file reader against libgsf, on every .doc of tests/data and
// the corpus and on damaged copies of them: both find the same top-level
// names and read the same bytes from every stream, or both refuse. The few
// places where they part are stated below with the reason, checked by hand.
#include <gsf/gsf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "support/Corpus.h"
#include "support/TestFiles.h"
#include "wordproc/OleContainer.h"

using namespace tessaly;
using namespace tessaly::testing;
using tessaly::wordproc::OleContainer;
namespace fs = std::filesystem;

namespace {

// What a reader makes of a container: its top-level names (lower case,
// sorted) and, for each, the stream's bytes or that it could not be read.
struct Reading {
    bool opened = false;
    std::map<std::string, std::optional<std::string>> streams;
    std::map<std::string, std::string> why;  // the reader's reason, where it refused
    bool operator==(const Reading& o) const { return opened == o.opened && streams == o.streams; }
};

// What two readings hold differently, for the failure message.
std::string Difference(const Reading& a, const Reading& b) {
    if (a.opened != b.opened) return std::string("opened: ") + (a.opened ? "yes" : "no") + " / " + (b.opened ? "yes" : "no");
    std::string d;
    for (const auto& [name, data] : a.streams) {
        const auto other = b.streams.find(name);
        if (other == b.streams.end()) d += " [" + name + " only in the first]";
        else if (other->second != data)
            d += " [" + name + ": " + (data ? std::to_string(data->size()) + " bytes" : "unread") + " / " +
                 (other->second ? std::to_string(other->second->size()) + " bytes" : "unread") + "]";
    }
    for (const auto& [name, data] : b.streams)
        if (!a.streams.contains(name)) d += " [" + name + " only in the second]";
    return d;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

Reading ByGsf(const std::string& bytes) {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        for (const char* domain : {static_cast<const char*>(nullptr), "libgsf", "libgsf:msole"})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
                              [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
    Reading r;
    GsfInput* input = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()), gsf_off_t(bytes.size()), FALSE);
    GError* error = nullptr;
    GsfInfile* infile = gsf_infile_msole_new(input, &error);
    if (error) g_error_free(error);
    if (infile) {
        r.opened = true;
        for (int i = 0; i < gsf_infile_num_children(infile); ++i) {
            GsfInput* child = gsf_infile_child_by_index(infile, i);
            const char* name = gsf_infile_name_by_index(infile, i);
            std::optional<std::string> data;
            if (child && !(GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0)) {
                const gsf_off_t size = gsf_input_size(child);
                std::string d(size_t(std::max<gsf_off_t>(size, 0)), '\0');
                if (size >= 0 && (size == 0 || gsf_input_read(child, size_t(size), reinterpret_cast<guint8*>(d.data()))))
                    data = std::move(d);
            }
            if (name) r.streams[Lower(name)] = data;
            if (child) g_object_unref(child);
        }
        g_object_unref(infile);
    }
    g_object_unref(input);
    return r;
}

Reading ByOwnReader(const std::string& bytes) {
    Reading r;
    try {
        const OleContainer ole(bytes);
        r.opened = true;
        for (const std::string& name : ole.names()) {
            std::optional<std::string> data;
            try {
                data = ole.readStream(name, size_t(1) << 30);
            } catch (const std::exception& e) {
                r.why[Lower(name)] = e.what();
            }
            r.streams[Lower(name)] = data;
        }
    } catch (const std::runtime_error& e) {
        r.why[""] = e.what();
    }
    return r;
}

std::vector<fs::path> Documents() {
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(TestData("")))
        if (e.path().extension() == ".doc") files.push_back(e.path());
    if (const auto corpus = CorpusFile(""))
        for (const auto& e : fs::recursive_directory_iterator(*corpus))
            if (e.is_regular_file() && Lower(e.path().extension().string()) == ".doc" && e.file_size() < (size_t(8) << 20))
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Damaged copies of a container: cut short at a few places, and with bytes
// of its header, allocation table and directory changed.
std::vector<std::pair<std::string, std::string>> Damaged(const std::string& bytes) {
    std::vector<std::pair<std::string, std::string>> copies;
    for (const size_t keep : {size_t(600), bytes.size() / 2, bytes.size() - 1})
        if (keep < bytes.size()) copies.emplace_back("cut at " + std::to_string(keep), bytes.substr(0, keep));
    std::mt19937 random(7);
    for (int k = 0; k < 12; ++k) {
        std::string copy = bytes;
        const size_t at = k < 4 ? 44 + random() % 40 : random() % std::min<size_t>(bytes.size(), 8192);
        copy[at] = char(random());
        copies.emplace_back("byte " + std::to_string(at) + " changed", copy);
    }
    return copies;
}

}  // namespace

TEST(CompoundFileOracle, EveryDocumentReadsAsLibgsfReadsIt) {
    size_t documents = 0;
    for (const fs::path& file : Documents()) {
        const std::string bytes = ReadBytes(file);
        if (!OleContainer::HasSignature(bytes)) continue;
        ++documents;
        const Reading own = ByOwnReader(bytes), gsf = ByGsf(bytes);
        EXPECT_TRUE(own == gsf) << file << ":" << Difference(own, gsf);
    }
    EXPECT_GE(documents, 12u);
}

TEST(CompoundFileOracle, DamagedCopiesReadAsLibgsfReadsThem) {
    size_t compared = 0, parted = 0;
    for (const fs::path& file : Documents()) {
        const std::string bytes = ReadBytes(file);
        if (!OleContainer::HasSignature(bytes) || bytes.size() > (size_t(1) << 20)) continue;
        const Reading intact = ByGsf(bytes);
        for (const auto& [what, copy] : Damaged(bytes)) {
            const Reading own = ByOwnReader(copy), gsf = ByGsf(copy);
            ++compared;
            if (own == gsf) continue;
            // Where they part, the reader reads more than libgsf, which
            // checks the whole allocation table and the whole of the last
            // sector: a stream whose own chain is whole and in the file. What
            // it reads is what libgsf reads of the damaged copy or of the
            // intact file, never other bytes; and it opens what libgsf opens.
            ++parted;
            for (const auto& [name, data] : own.streams) {
                if (!data) continue;
                const auto damaged = gsf.streams.find(name);
                const auto whole = intact.streams.find(name);
                EXPECT_TRUE((damaged != gsf.streams.end() && damaged->second == data) ||
                            (whole != intact.streams.end() && whole->second == data))
                    << file << ", " << what << ": " << name;
            }
            EXPECT_TRUE(own.opened || !gsf.opened) << file << ", " << what << Difference(own, gsf);
        }
    }
    // Twenty-odd kinds of damage to each compound file of tests/data, and of
    // the corpus when it is there.
    EXPECT_GT(compared, CorpusFile("") ? 300u : 150u);
    EXPECT_LT(parted * 10, compared) << "the readers part on more than a tenth of the damaged copies";
}
