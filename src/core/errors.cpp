#include "core/errors.h"

#include <cstdio>

namespace zorvik::core {

namespace {
ErrorSink& sink() {
    static ErrorSink s;
    return s;
}
}  // namespace

void setErrorSink(ErrorSink s) { sink() = std::move(s); }

void reportError(const std::string& message) {
    if (sink())
        sink()(message);
    else
        std::fprintf(stderr, "zorvik: %s\n", message.c_str());
}

void reportFileError(std::string_view operation, std::string_view file, std::string_view reason) {
    std::string message(operation);
    message.append("：").append(file);
    if (!reason.empty()) message.append("\n").append(reason);
    reportError(message);
}

}  // namespace zorvik::core
