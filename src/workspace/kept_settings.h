#pragma once

#include <string>

#include "sketch/start_values.h"

namespace carbonel {

// What the program keeps between runs in its settings file, beside [Form] UIStyle. A missing or
// bad value reads as the start value, and writing keeps every other key of the file.
struct KeptSettings {
    int precision = kPrecision.start;
    int line = kLine.start;
    std::string style = "Pencil";  // Pen, Pencil or Pastel
    std::string paper;             // the name of a paper in the texture list; "" for none
    bool stretch = false;          // the paper stretched rather than tiled
    int brushSize = kBrushSize.start;
    // Window geometry as Qt saves it, in base 64; "" for none.
    std::string mainWindow, batchWindow, recorderWindow;
    // The folders the file dialogs showed last; "" for none.
    std::string openFolder, saveFolder, animationFolder, sourceFolder;

    bool operator==(const KeptSettings&) const = default;
};

KeptSettings readKeptSettings(const std::string& path);
// False when the file cannot be written.
bool writeKeptSettings(const std::string& path, const KeptSettings& settings);

}  // namespace carbonel
