#pragma once

#include <functional>
#include <string>

namespace zorvik::core {

// Where errors that reach the top of an operation are shown: the window layer
// installs the platform's error box; without it they go to standard error.
// GUI thread only.
using ErrorSink = std::function<void(const std::string& message)>;
void setErrorSink(ErrorSink sink);
void reportError(const std::string& message);

}  // namespace zorvik::core
