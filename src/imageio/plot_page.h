#pragma once

#include <optional>
#include <string>

namespace carbonel {

// A sheet in millimetres that a traced drawing is fitted on, inside its margins, for a pen
// plotter, a cutter or a printer.
struct PlotPage {
    enum class Turn { Own, Portrait, Landscape };  // Own: as the drawing lies
    double width = 0, height = 0;                  // the sheet as named (A4: 210 x 297)
    double margin = 10;
    Turn turn = Turn::Own;
    bool operator==(const PlotPage&) const = default;
};

// A sheet by its name: A3, A4, A5, letter, legal (any case), or "WxHmm" (210x297mm); nothing for
// anything else.
std::optional<PlotPage> plotPageNamed(const std::string& name);
// The names plotPageNamed takes, for usage lines.
inline constexpr const char* kPlotPageNames = "A3, A4, A5, letter, legal or WxHmm";

// Where a drawing of `width` x `height` pixels lies on a page: the sheet's size (turned), and
// the scale and offset that fit the drawing inside the margins, centred, without distortion.
struct PageLayout {
    double width = 0, height = 0;  // the sheet, mm
    double scale = 0;              // mm per pixel
    double left = 0, top = 0;      // the drawing's corner on the sheet, mm
};
// Fails (carbonel::Error) when the margins leave no room.
PageLayout layOnPage(const PlotPage& page, int width, int height);

}  // namespace carbonel
