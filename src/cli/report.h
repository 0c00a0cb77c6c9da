#pragma once

#include <string>

namespace carbonel::cli {

// One line on stderr: "carbonel-cli: MESSAGE".
void reportError(const std::string& message);

}  // namespace carbonel::cli
