#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "sketch/raster.h"

namespace carbonel::test {

struct Bgr {
    std::uint8_t b, g, r;
    bool operator==(const Bgr&) const = default;
};

inline constexpr Bgr kWhite{255, 255, 255};
inline constexpr Bgr kBlack{0, 0, 0};

Bgr pixelAt(const Raster& raster, int x, int y);
void setPixel(Raster& raster, int x, int y, Bgr colour);
Raster makeRaster(int width, int height, const std::function<Bgr(int x, int y)>& colour);
Raster randomRaster(int width, int height, std::mt19937& random);

// The message of the carbonel::Error that `action` throws, or "" when it throws none.
std::string errorOf(const std::function<void()>& action);

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);
std::filesystem::path dataFile(const std::string& name);

// A fresh folder removed at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

struct CommandResult {
    int status;
    std::string output;  // stdout and stderr together
};
CommandResult runCommand(const std::string& command);
// carbonel-cli with these arguments.
CommandResult cli(const std::string& arguments);
std::string quoted(const std::filesystem::path& path);

}  // namespace carbonel::test
