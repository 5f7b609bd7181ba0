#include "wordproc/OleContainer.h"

#include <gsf/gsf.h>

#include <stdexcept>

#include "wordproc/GsfZip.h"
#include "wordproc/LargeBuffer.h"

namespace tessaly::wordproc {

struct OleContainer::Impl {
    GsfInput* input = nullptr;
    GsfInfile* infile = nullptr;
    ~Impl() {
        if (infile) g_object_unref(infile);
        if (input) g_object_unref(input);
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
        std::string reason = std::string("複合ファイルの構造が不正です") + (error && error->message ? std::string("：") + error->message : "");
        if (error) g_error_free(error);
        throw std::runtime_error(reason);
    }
}

OleContainer::~OleContainer() = default;

bool OleContainer::hasStream(const char* name) const {
    GsfInput* child = gsf_infile_child_by_name(m_impl->infile, name);
    if (!child) return false;
    g_object_unref(child);
    return true;
}

std::optional<LargeBuffer> OleContainer::readStream(const char* name, size_t maxBytes) const {
    GsfInput* child = gsf_infile_child_by_name(m_impl->infile, name);
    if (!child) return std::nullopt;
    struct Unref {
        GsfInput* p;
        ~Unref() { g_object_unref(p); }
    } guard{child};
    if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0)
        throw std::runtime_error(std::string(name) + " がストリームではありません");
    const gsf_off_t size = gsf_input_size(child);
    if (size < 0) throw std::runtime_error(std::string(name) + " を読めません");
    if (static_cast<uint64_t>(size) > maxBytes) throw std::length_error(std::string(name) + " が大きすぎます");
    LargeBuffer data(static_cast<size_t>(size));
    if (size > 0 && !gsf_input_read(child, static_cast<size_t>(size), reinterpret_cast<guint8*>(data.data())))
        throw std::runtime_error(std::string(name) + " が途中で切れています");
    return data;
}

}  // namespace tessaly::wordproc
