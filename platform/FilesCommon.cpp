#include "platform/FilesCommon.h"

#include <cerrno>
#include <cstring>
#include <random>

namespace tessaly::platform::common {
namespace {

constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view kStart = ".tessaly-", kEnd = ".tmp";

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

}  // namespace tessaly::platform::common
