#include "workspace/kept_settings.h"

#include <charconv>
#include <optional>

#include "workspace/settings_file.h"

namespace carbonel {
namespace {

struct Key {
    const char* section;
    const char* name;
};
constexpr Key kPrecision{"Settings", "Precision"}, kLine{"Settings", "Line"},
    kStyle{"Settings", "Style"}, kPaper{"Settings", "Paper"}, kPaperFit{"Settings", "PaperFit"},
    kBrushSize{"Settings", "BrushSize"}, kMainWindow{"Windows", "Main"},
    kBatchWindow{"Windows", "Batch"}, kRecorderWindow{"Windows", "Recorder"},
    kOpenFolder{"Folders", "Open"}, kSaveFolder{"Folders", "Save"},
    kAnimationFolder{"Folders", "Animation"}, kSourceFolder{"Folders", "Source"};

std::optional<std::string> read(const std::string& path, Key key) {
    return readIniValue(path, key.section, key.name);
}

// The key's whole number when it lies in [low, high], else `fallback`.
int readNumber(const std::string& path, Key key, int low, int high, int fallback) {
    const std::optional<std::string> text = read(path, key);
    if (!text) return fallback;
    int number = 0;
    const char* end = text->data() + text->size();
    const auto [rest, error] = std::from_chars(text->data(), end, number);
    return error == std::errc() && rest == end && number >= low && number <= high ? number
                                                                                  : fallback;
}

std::string readText(const std::string& path, Key key) {
    return read(path, key).value_or("");
}

}  // namespace

KeptSettings readKeptSettings(const std::string& path) {
    KeptSettings kept;
    kept.precision = readNumber(path, kPrecision, 0, 200, kept.precision);
    kept.line = readNumber(path, kLine, 1, 15, kept.line);
    const std::string style = readText(path, kStyle);
    if (style == "Pen" || style == "Pencil" || style == "Pastel") kept.style = style;
    kept.paper = readText(path, kPaper);
    kept.stretch = readText(path, kPaperFit) == "Stretch";
    kept.brushSize = readNumber(path, kBrushSize, 1, 62, kept.brushSize);
    kept.mainWindow = readText(path, kMainWindow);
    kept.batchWindow = readText(path, kBatchWindow);
    kept.recorderWindow = readText(path, kRecorderWindow);
    kept.openFolder = readText(path, kOpenFolder);
    kept.saveFolder = readText(path, kSaveFolder);
    kept.animationFolder = readText(path, kAnimationFolder);
    kept.sourceFolder = readText(path, kSourceFolder);
    return kept;
}

bool writeKeptSettings(const std::string& path, const KeptSettings& kept) {
    auto entry = [](Key key, std::string value) {
        // A line break would end the line early: such a value (a strange folder name) is dropped.
        if (value.find_first_of("\r\n") != std::string::npos) value.clear();
        return IniEntry{key.section, key.name, std::move(value)};
    };
    return writeIniValues(
        path,
        {entry(kPrecision, std::to_string(kept.precision)), entry(kLine, std::to_string(kept.line)),
         entry(kStyle, kept.style), entry(kPaper, kept.paper),
         entry(kPaperFit, kept.stretch ? "Stretch" : "Tile"),
         entry(kBrushSize, std::to_string(kept.brushSize)), entry(kMainWindow, kept.mainWindow),
         entry(kBatchWindow, kept.batchWindow), entry(kRecorderWindow, kept.recorderWindow),
         entry(kOpenFolder, kept.openFolder), entry(kSaveFolder, kept.saveFolder),
         entry(kAnimationFolder, kept.animationFolder), entry(kSourceFolder, kept.sourceFolder)});
}

}  // namespace carbonel
