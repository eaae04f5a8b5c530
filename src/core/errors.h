#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zorvik::core {

// Where errors that reach the top of an operation are shown: the window layer
// installs the platform's error box; without it they go to standard error.
// GUI thread only.
using ErrorSink = std::function<void(const std::string& message)>;
void setErrorSink(ErrorSink sink);
void reportError(const std::string& message);
// "operation：file" and, on the next line, why: the error box of a file
// operation that failed.
void reportFileError(std::string_view operation, std::string_view file, std::string_view reason);

}  // namespace zorvik::core
