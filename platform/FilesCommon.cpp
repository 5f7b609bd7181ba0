#include "platform/FilesCommon.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>

namespace tessaly::platform::common {
namespace {

namespace fs = std::filesystem;

constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kStart = ".tessaly-", kEnd = ".tmp";

FileStepHook g_stepHook = nullptr;

// A fixed table of paths, each slot free (0), being filled (1) or holding a
// path (2).
constexpr size_t kSlots = 256, kSlotPath = 4096;
struct TemporarySlot {
    std::atomic<int> state{0};
    fs::path::value_type path[kSlotPath];
};
TemporarySlot g_temporaries[kSlots];

}  // namespace

std::string TemporaryName(uint64_t process) {
    static thread_local std::mt19937_64 random{std::random_device{}() ^ process};
    std::string pid;
    for (uint64_t n = process; n > 0 || pid.empty(); n /= 36) pid.insert(pid.begin(), kDigits[n % 36]);
    std::string name = std::string(kStart) + pid + "-";
    for (int i = 0; i < 6; ++i) name += kDigits[random() % (sizeof kDigits - 1)];
    return name + std::string(kEnd);
}

uint64_t OwnerOfTemporary(std::string_view name) {
    if (!name.starts_with(kStart) || !name.ends_with(kEnd)) return 0;
    const size_t dash = name.find('-', kStart.size());
    if (dash == std::string::npos || dash == kStart.size() || dash + 1 + kEnd.size() >= name.size()) return 0;
    uint64_t pid = 0;
    for (size_t i = kStart.size(); i < dash; ++i) {
        const char* digit = std::strchr(kDigits, name[i]);
        if (!digit || digit - kDigits >= 36 || pid > (uint64_t(1) << 40)) return 0;
        pid = pid * 36 + uint64_t(digit - kDigits);
    }
    return pid;
}

std::optional<std::string> ReasonForErrno(int error) {
    switch (error) {
    case ENOSPC: return "ディスクの空き容量が足りません";
#ifdef EDQUOT
    case EDQUOT: return "ディスクの使用量の上限を超えています";
#endif
    case EACCES:
    case EPERM: return "書き込む権限がありません";
    case EISDIR: return "同じ名前のフォルダーがあります";
    case ENAMETOOLONG: return "名前が長すぎます";
    case EROFS: return "読み取り専用のファイルシステムです";
    case EFBIG: return "ファイルの大きさの上限を超えています";
    case ENOENT: return "フォルダーが見つかりません";
    case ENOTDIR: return "パスの途中にフォルダーではないものがあります";
    case EEXIST: return "同じ名前のものがあります";
    case EIO: return "入出力エラーが起きました";
    default: return std::nullopt;
    }
}

int Step(FileStep step, const fs::path& file) { return g_stepHook ? g_stepHook(step, file) : 0; }

int Remember(const fs::path& temp) {
    const fs::path::string_type& path = temp.native();
    if (path.size() >= kSlotPath) return -1;
    for (size_t i = 0; i < kSlots; ++i) {
        int expected = 0;
        if (!g_temporaries[i].state.compare_exchange_strong(expected, 1)) continue;
        std::copy(path.c_str(), path.c_str() + path.size() + 1, g_temporaries[i].path);
        g_temporaries[i].state = 2;
        return static_cast<int>(i);
    }
    return -1;
}

void Forget(int slot) {
    if (slot >= 0) g_temporaries[slot].state = 0;
}

void RemoveTemporaries() {
    for (auto& slot : g_temporaries)
        if (slot.state.load() == 2) RemoveFile(fs::path(slot.path));
}

std::shared_mutex& Commits() {
    static std::shared_mutex commits;
    return commits;
}

}  // namespace tessaly::platform::common

namespace tessaly::platform {
namespace fs = std::filesystem;

void SetFileStepHook(FileStepHook hook) { common::g_stepHook = hook; }

PendingFile::~PendingFile() { discard(); }

void PendingFile::discard() {
    if (m_temp.empty()) return;
    common::RemoveFile(m_temp);
    m_temp.clear();
    common::Forget(m_slot);
    m_slot = -1;
}

void PendingFile::commit() { CommitTogether({this}); }

void WriteFileAtomically(const fs::path& file, std::string_view bytes) { PendingFile(file, bytes).commit(); }

void CommitTogether(const std::vector<PendingFile*>& files) {
    if (files.empty()) return;
    std::shared_lock commits(common::Commits());
    common::FolderLock lock(files.front()->m_file.parent_path());
    for (size_t i = 0; i < files.size(); ++i) {
        PendingFile& f = *files[i];
        if (i > 0) common::Step(FileStep::BetweenReplaces, files[i - 1]->m_file);
        common::Step(FileStep::BeforeReplace, f.m_file);
        if (const std::error_code error = common::PutInPlace(f.m_temp, f.m_file))
            throw fs::filesystem_error("cannot replace the file", f.m_file, error);
        f.m_temp.clear();
        common::Forget(f.m_slot);
        f.m_slot = -1;
    }
}

}  // namespace tessaly::platform
