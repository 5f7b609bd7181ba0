#include "wordproc/OleContainer.h"

#include <gsf/gsf.h>

#include <mutex>
#include <stdexcept>

namespace tessaly::wordproc {
namespace {

void InitGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // libgsf's warnings about damaged containers would go to stderr.
        for (const char* domain : {"libgsf", "libgsf:msole"})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
                              [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

struct OleContainer::Impl {
    GsfInput* input = nullptr;
    GsfInfile* infile = nullptr;
    ~Impl() {
        if (infile) g_object_unref(infile);
        if (input) g_object_unref(input);
    }
    // The top-level child of that name, with a reference the caller drops.
    GsfInput* child(std::string_view name) const {
        const int n = gsf_infile_num_children(infile);
        for (int i = 0; i < n; ++i) {
            const char* childName = gsf_infile_name_by_index(infile, i);
            if (childName && SameNameIgnoringCase(childName, name)) return gsf_infile_child_by_index(infile, i);
        }
        return nullptr;
    }
};

bool OleContainer::HasSignature(std::string_view bytes) {
    return bytes.size() >= 8 && bytes.substr(0, 8) == std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
}

OleContainer::OleContainer(std::string_view bytes) : m_impl(std::make_unique<Impl>()) {
    InitGsf();
    m_impl->input = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()),
                                         static_cast<gsf_off_t>(bytes.size()), FALSE);
    if (!m_impl->input) throw std::runtime_error("複合ファイルを開けません");
    GError* error = nullptr;
    m_impl->infile = gsf_infile_msole_new(m_impl->input, &error);
    if (!m_impl->infile) {
        std::string reason = "複合ファイルの構造が不正です";
        if (error && error->message) reason += std::string("（") + error->message + "）";
        if (error) g_error_free(error);
        throw std::runtime_error(reason);
    }
}

OleContainer::~OleContainer() = default;

bool OleContainer::hasStream(std::string_view name) const {
    GsfInput* child = m_impl->child(name);
    if (!child) return false;
    g_object_unref(child);
    return true;
}

std::optional<std::string> OleContainer::readStream(std::string_view name, size_t maxBytes) const {
    GsfInput* child = m_impl->child(name);
    if (!child) return std::nullopt;
    struct Unref {
        GsfInput* p;
        ~Unref() { g_object_unref(p); }
    } guard{child};
    const std::string shown(name);
    if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0)
        throw std::runtime_error(shown + " がストリームではありません");
    const gsf_off_t size = gsf_input_size(child);
    if (size < 0) throw std::runtime_error(shown + " を読めません");
    if (static_cast<uint64_t>(size) > maxBytes) throw std::length_error(shown + " が大きすぎます");
    std::string data(static_cast<size_t>(size), '\0');
    if (size > 0 && !gsf_input_read(child, static_cast<size_t>(size), reinterpret_cast<guint8*>(data.data())))
        throw std::runtime_error(shown + " が途中で切れています");
    return data;
}

}  // namespace tessaly::wordproc
