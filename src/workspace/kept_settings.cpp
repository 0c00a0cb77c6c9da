#include "workspace/kept_settings.h"

#include <optional>

#include "workspace/settings_file.h"

namespace carbonel {
namespace {

struct Key {
    const char* section;
    const char* name;
};
constexpr Key kPrecisionKey{"Settings", "Precision"}, kLineKey{"Settings", "Line"},
    kStyle{"Settings", "Style"}, kPaper{"Settings", "Paper"}, kPaperFit{"Settings", "PaperFit"},
    kBrushSizeKey{"Settings", "BrushSize"}, kMainWindow{"Windows", "Main"},
    kBatchWindow{"Windows", "Batch"}, kRecorderWindow{"Windows", "Recorder"},
    kOpenFolder{"Folders", "Open"}, kSaveFolder{"Folders", "Save"},
    kAnimationFolder{"Folders", "Animation"}, kSourceFolder{"Folders", "Source"};

// The key's whole number when it lies in the range, else the range's start value.
int readNumber(const IniValues& file, Key key, SettingRange range) {
    const std::optional<int> number = file.number(key.section, key.name);
    return number && range.holds(*number) ? *number : range.start;
}

std::string readText(const IniValues& file, Key key) {
    return file.value(key.section, key.name).value_or("");
}

}  // namespace

KeptSettings readKeptSettings(const std::string& path) {
    const IniValues file(path);
    KeptSettings kept;
    kept.precision = readNumber(file, kPrecisionKey, kPrecision);
    kept.line = readNumber(file, kLineKey, kLine);
    const std::string style = readText(file, kStyle);
    if (style == "Pen" || style == "Pencil" || style == "Pastel") kept.style = style;
    kept.paper = readText(file, kPaper);
    kept.stretch = readText(file, kPaperFit) == "Stretch";
    kept.brushSize = readNumber(file, kBrushSizeKey, kBrushSize);
    kept.mainWindow = readText(file, kMainWindow);
    kept.batchWindow = readText(file, kBatchWindow);
    kept.recorderWindow = readText(file, kRecorderWindow);
    kept.openFolder = readText(file, kOpenFolder);
    kept.saveFolder = readText(file, kSaveFolder);
    kept.animationFolder = readText(file, kAnimationFolder);
    kept.sourceFolder = readText(file, kSourceFolder);
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
        {entry(kPrecisionKey, std::to_string(kept.precision)),
         entry(kLineKey, std::to_string(kept.line)), entry(kStyle, kept.style),
         entry(kPaper, kept.paper), entry(kPaperFit, kept.stretch ? "Stretch" : "Tile"),
         entry(kBrushSizeKey, std::to_string(kept.brushSize)), entry(kMainWindow, kept.mainWindow),
         entry(kBatchWindow, kept.batchWindow), entry(kRecorderWindow, kept.recorderWindow),
         entry(kOpenFolder, kept.openFolder), entry(kSaveFolder, kept.saveFolder),
         entry(kAnimationFolder, kept.animationFolder), entry(kSourceFolder, kept.sourceFolder)});
}

}  // namespace carbonel
