#include "wordproc/GsfZip.h"

#include <gsf/gsf.h>

#include <mutex>
#include <vector>

namespace tessaly::wordproc {

void InitGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        for (const char* domain : {"libgsf", "libgsf:msole", "libgsf:zip"})
            g_log_set_handler(domain, GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
                              [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    });
}

struct GsfZipPart::Handles {
    GsfInput* package = nullptr;
    GsfInfile* zip = nullptr;
    GsfInput* part = nullptr;
    ~Handles() {
        if (part) g_object_unref(part);
        if (zip) g_object_unref(zip);
        if (package) g_object_unref(package);
    }
};

GsfZipPart::GsfZipPart(std::unique_ptr<Handles> handles) : m_handles(std::move(handles)) {}
GsfZipPart::~GsfZipPart() = default;

std::unique_ptr<GsfZipPart> GsfZipPart::Open(std::string_view bytes, const std::string& name) {
    InitGsf();
    auto h = std::make_unique<Handles>();
    h->package = gsf_input_memory_new(reinterpret_cast<const guint8*>(bytes.data()), static_cast<gsf_off_t>(bytes.size()), FALSE);
    if (!h->package) return nullptr;
    h->zip = gsf_infile_zip_new(h->package, nullptr);
    if (!h->zip) return nullptr;
    // libgsf shows the package as folders: the name is taken a folder at a time.
    std::vector<std::string> steps;
    for (size_t from = 0;;) {
        const size_t slash = name.find('/', from);
        steps.push_back(name.substr(from, slash == std::string::npos ? std::string::npos : slash - from));
        if (slash == std::string::npos) break;
        from = slash + 1;
    }
    std::vector<const char*> names;
    for (const auto& s : steps) names.push_back(s.c_str());
    names.push_back(nullptr);
    h->part = gsf_infile_child_by_aname(h->zip, names.data());
    if (!h->part || (GSF_IS_INFILE(h->part) && gsf_infile_num_children(GSF_INFILE(h->part)) >= 0)) return nullptr;
    return std::unique_ptr<GsfZipPart>(new GsfZipPart(std::move(h)));
}

uint64_t GsfZipPart::size() const { return static_cast<uint64_t>(gsf_input_size(m_handles->part)); }

uint64_t GsfZipPart::remaining() const { return static_cast<uint64_t>(gsf_input_remaining(m_handles->part)); }

bool GsfZipPart::read(char* out, size_t n) {
    return n == 0 || gsf_input_read(m_handles->part, n, reinterpret_cast<guint8*>(out)) != nullptr;
}

}  // namespace tessaly::wordproc
