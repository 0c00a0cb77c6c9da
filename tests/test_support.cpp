#include "test_support.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "sketch/error.h"

namespace carbonel::test {

Bgr pixelAt(const Raster& raster, int x, int y) {
    const std::uint8_t* p = raster.row(y) + x * 3;
    return {p[0], p[1], p[2]};
}

void setPixel(Raster& raster, int x, int y, Bgr colour) {
    std::uint8_t* p = raster.mutableRow(y) + x * 3;
    p[0] = colour.b;
    p[1] = colour.g;
    p[2] = colour.r;
}

Raster makeRaster(int width, int height, const std::function<Bgr(int x, int y)>& colour) {
    Raster raster(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) setPixel(raster, x, y, colour(x, y));
    }
    return raster;
}

Raster randomRaster(int width, int height, std::mt19937& random) {
    std::uniform_int_distribution<int> byte(0, 255);
    return makeRaster(width, height, [&](int, int) {
        return Bgr{static_cast<std::uint8_t>(byte(random)), static_cast<std::uint8_t>(byte(random)),
                   static_cast<std::uint8_t>(byte(random))};
    });
}

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "";
}

std::string readBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::filesystem::path dataFile(const std::string& name) {
    return std::filesystem::path(CARBONEL_TEST_DATA) / name;
}

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "carbonel-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
}

TempDir::~TempDir() {
    std::error_code error;
    // Tests may have taken away permissions to provoke failures; give them back first.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, error)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    }
    std::filesystem::remove_all(path_, error);
}

CommandResult runCommand(const std::string& command) {
    CommandResult result{-1, ""};
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        result.output.append(buffer, got);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

CommandResult cli(const std::string& arguments) {
    return runCommand(std::string(CARBONEL_CLI) + " " + arguments);
}

std::string quoted(const std::filesystem::path& path) {
    std::string text = path.string();
    text.insert(text.begin(), '\'');
    text.push_back('\'');
    return text;
}

}  // namespace carbonel::test
