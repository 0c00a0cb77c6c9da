#include "imageio/plot_page.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "sketch/error.h"

namespace carbonel {
namespace {

struct NamedSheet {
    const char* name;
    double width, height;
};
constexpr NamedSheet kSheets[] = {{"a3", 297, 420},
                                  {"a4", 210, 297},
                                  {"a5", 148, 210},
                                  {"letter", 215.9, 279.4},
                                  {"legal", 215.9, 355.6}};

std::optional<double> positiveNumber(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || rest != end || !(value > 0) || value > 100000)
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<PlotPage> plotPageNamed(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const NamedSheet& sheet : kSheets) {
        if (lower == sheet.name) return PlotPage{sheet.width, sheet.height};
    }
    // WxHmm
    if (lower.size() < 5 || !lower.ends_with("mm")) return std::nullopt;
    const std::string sides = lower.substr(0, lower.size() - 2);
    const std::size_t x = sides.find('x');
    if (x == std::string::npos) return std::nullopt;
    const std::optional<double> width = positiveNumber(sides.substr(0, x));
    const std::optional<double> height = positiveNumber(sides.substr(x + 1));
    if (!width || !height) return std::nullopt;
    return PlotPage{*width, *height};
}

PageLayout layOnPage(const PlotPage& page, int width, int height) {
    PageLayout layout{page.width, page.height};
    const bool drawingLandscape = width > height;
    const bool sheetLandscape = page.width > page.height;
    const bool landscape = page.turn == PlotPage::Turn::Own
                               ? drawingLandscape
                               : page.turn == PlotPage::Turn::Landscape;
    if (landscape != sheetLandscape) std::swap(layout.width, layout.height);
    const double roomWidth = layout.width - 2 * page.margin;
    const double roomHeight = layout.height - 2 * page.margin;
    if (!(roomWidth > 0) || !(roomHeight > 0) || page.margin < 0)
        throw Error("The page is smaller than its margins");
    if (width <= 0 || height <= 0) return layout;
    layout.scale = std::min(roomWidth / width, roomHeight / height);
    layout.left = (layout.width - width * layout.scale) / 2;
    layout.top = (layout.height - height * layout.scale) / 2;
    return layout;
}

}  // namespace carbonel
