#include "platform/errortext.h"

#include <cerrno>
#include <clocale>
#include <cstring>
#include <locale.h>

namespace zorvik::platform {

namespace {

const char* windowsWords(int error) {
    switch (error) {
        case ENOENT: return "系统找不到指定的文件。";
        case ENOTDIR: return "系统找不到指定的路径。";
        case EACCES:
        case EPERM: return "拒绝访问。";
        case EEXIST: return "当文件已存在时，无法创建该文件。";
        case ENOSPC:
        case EDQUOT: return "磁盘空间不足。";
        case EROFS: return "介质受写入保护。";
        case EIO: return "由于 I/O 设备错误，无法运行此项请求。";
        case ENODEV:
        case ENXIO: return "设备未就绪。";
        case ENAMETOOLONG: return "文件名或扩展名太长。";
        case EBUSY:
        case ETXTBSY: return "另一个程序正在使用此文件，进程无法访问。";
        case EISDIR: return "这是一个文件夹，不是文件。";
        case ENOTEMPTY: return "目录不是空的。";
        case EXDEV: return "系统无法将文件移到不同的磁盘驱动器。";
        case EMFILE:
        case ENFILE: return "系统无法打开文件。";
        case EINVAL: return "参数错误。";
        default: return nullptr;
    }
}

// Messages and their character set from zh_CN.UTF-8, apart from the
// process locale; null when that locale is not installed.
locale_t chineseMessages() {
    static const locale_t locale = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "zh_CN.UTF-8", nullptr);
    return locale;
}

}  // namespace

std::string errorText(int error) {
    if (const char* words = windowsWords(error)) return words;
    if (locale_t chinese = chineseMessages()) return strerror_l(error, chinese);
    return std::strerror(error);
}

}  // namespace zorvik::platform
