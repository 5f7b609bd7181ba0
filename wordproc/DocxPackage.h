// DocxPackage: the ZIP package of a .docx, read from memory through libzip,
// which inflates each part and checks its CRC; and the relationships that
// lead from one part to another.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace tessaly::wordproc {

// The largest part the reader inflates.
inline constexpr size_t kMaxDocxPartBytes = size_t(256) << 20;

class DocxPackage {
public:
    // Throws ReadError when bytes are not a ZIP package or a damaged one.
    // bytes must outlive the package.
    DocxPackage(std::string_view bytes, const std::filesystem::path& file);
    ~DocxPackage();
    DocxPackage(const DocxPackage&) = delete;
    DocxPackage& operator=(const DocxPackage&) = delete;

    // A whole part by its name (without leading slash, in any letter case),
    // or nothing when the package has none. Throws ReadError when it cannot
    // be inflated, is encrypted, or inflates beyond kMaxDocxPartBytes
    // (whatever its header claims).
    std::optional<std::string> read(const std::string& name);

    // The part that the first relationship of sourcePart ("" for the
    // package itself) of a type ending in typeSuffix leads to, or nothing.
    std::optional<std::string> relationship(const std::string& sourcePart, std::string_view typeSuffix);
    // Every such part, in the order of the relationships.
    std::vector<std::string> relationships(const std::string& sourcePart, std::string_view typeSuffix);

private:
    [[noreturn]] void damaged(const std::string& name) const;
    [[noreturn]] void tooLarge(const std::string& name) const;

    std::filesystem::path m_file;
    struct zip* m_zip = nullptr;
};

// The folder part of a part name, with its trailing slash (or empty).
std::string FolderOf(const std::string& part);

// A relationship target resolved against the source part's folder.
std::string ResolveTarget(const std::string& folder, const std::string& target);

}  // namespace tessaly::wordproc
