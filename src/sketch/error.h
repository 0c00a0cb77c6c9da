#pragma once

#include <stdexcept>
#include <string>

namespace carbonel {

// Every failure the engine and its readers and writers report: the message is the text the user
// sees.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace carbonel
