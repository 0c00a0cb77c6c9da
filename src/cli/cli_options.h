#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "imageio/picture_names.h"
#include "sketch/convert.h"

namespace carbonel::cli {

// Bad usage: the message is printed with the usage text, and the tool exits with status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The conversion options every command that converts shares.
struct ConversionArgs {
    int precision = 170;
    int line = 1;
    PenStyle style = PenStyle::Pencil;
    std::optional<std::string> texture;
    bool stretch = false;
    int threads = 0;
    PhotoReading reading = PhotoReading::Upright;
};

struct ConvertArgs {
    std::string photo;
    std::string output;
    ConversionArgs conversion;
};

// Reads an integer option's value, which must lie in [low, high].
int parseIntOption(const std::string& option, const std::string& value, int low, int high);

// Takes one conversion option (and its value) at args[i], advancing i; false when args[i] is none.
bool takeConversionOption(const std::vector<std::string>& args, std::size_t& i,
                          ConversionArgs& out);

ConvertArgs parseConvertArgs(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace carbonel::cli
