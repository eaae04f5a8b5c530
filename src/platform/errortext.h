#pragma once

#include <string>

namespace zorvik::platform {

// The reason for a failed system call, in Chinese: for the common errors the
// words the shop's Chinese Windows used, for the rest glibc's zh_CN message
// (when the zh_CN.UTF-8 locale is installed), else the C library's own text.
std::string errorText(int error);

}  // namespace zorvik::platform
