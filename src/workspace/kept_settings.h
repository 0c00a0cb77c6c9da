#pragma once

#include <string>
#include <vector>

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
    bool live = true;  // the sketch follows the settings as they move
    // The photos opened last, newest first (at most kRecentPhotos).
    std::vector<std::string> recentPhotos;
    // Window geometry as Qt saves it, in base 64; "" for none.
    std::string mainWindow, batchWindow, recorderWindow;
    // The folders the file dialogs showed last; "" for none.
    std::string openFolder, saveFolder, animationFolder, sourceFolder;

    bool operator==(const KeptSettings&) const = default;
};

inline constexpr int kRecentPhotos = 10;

// Puts a photo opened now first in the list of recent photos, once, keeping at most kRecentPhotos.
void addRecentPhoto(std::vector<std::string>& recent, const std::string& path);

KeptSettings readKeptSettings(const std::string& path);
// False when the file cannot be written.
bool writeKeptSettings(const std::string& path, const KeptSettings& settings);

}  // namespace carbonel
