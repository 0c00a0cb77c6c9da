#pragma once

#include <stdexcept>
#include <string>

namespace carbonel {

// Every failure the engine and the picture files report: the message is the text the user sees.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The message of a failure about one file: it names the file, unless it does already.
inline std::string aboutFile(const std::string& path, const std::string& message) {
    if (path.empty() || message.find(path) != std::string::npos) return message;
    return path + ": " + message;
}

}  // namespace carbonel
