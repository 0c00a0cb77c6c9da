#include "workspace/kept_settings.h"

#include <algorithm>
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
    kBrushSizeKey{"Settings", "BrushSize"}, kLive{"Settings", "Live"},
    kMainWindow{"Windows", "Main"}, kBatchWindow{"Windows", "Batch"},
    kRecorderWindow{"Windows", "Recorder"}, kOpenFolder{"Folders", "Open"},
    kSaveFolder{"Folders", "Save"}, kAnimationFolder{"Folders", "Animation"},
    kSourceFolder{"Folders", "Source"};

// The recent photos are "Photo1" (the newest) to "Photo10" of their own section.
constexpr const char* kRecentSection = "Recent";
std::string recentKey(int number) {
    return "Photo" + std::to_string(number);
}

// The key's whole number when it lies in the range, else the range's start value.
int readNumber(const IniValues& file, Key key, SettingRange range) {
    const std::optional<int> number = file.number(key.section, key.name);
    return number && range.holds(*number) ? *number : range.start;
}

std::string readText(const IniValues& file, Key key) {
    return file.value(key.section, key.name).value_or("");
}

}  // namespace

void addRecentPhoto(std::vector<std::string>& recent, const std::string& path) {
    std::erase(recent, path);
    recent.insert(recent.begin(), path);
    if (recent.size() > static_cast<std::size_t>(kRecentPhotos)) recent.resize(kRecentPhotos);
}

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
    kept.live = readText(file, kLive) != "0";
    for (int i = 1; i <= kRecentPhotos; ++i) {
        std::string photo = file.value(kRecentSection, recentKey(i)).value_or("");
        if (!photo.empty()) kept.recentPhotos.push_back(std::move(photo));
    }
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
    std::vector<IniEntry> entries = {entry(kPrecisionKey, std::to_string(kept.precision)),
                                     entry(kLineKey, std::to_string(kept.line)),
                                     entry(kStyle, kept.style),
                                     entry(kPaper, kept.paper),
                                     entry(kPaperFit, kept.stretch ? "Stretch" : "Tile"),
                                     entry(kBrushSizeKey, std::to_string(kept.brushSize)),
                                     entry(kMainWindow, kept.mainWindow),
                                     entry(kBatchWindow, kept.batchWindow),
                                     entry(kRecorderWindow, kept.recorderWindow),
                                     entry(kOpenFolder, kept.openFolder),
                                     entry(kSaveFolder, kept.saveFolder),
                                     entry(kAnimationFolder, kept.animationFolder),
                                     entry(kSourceFolder, kept.sourceFolder),
                                     entry(kLive, kept.live ? "1" : "0")};
    // Every slot is written, so a shorter list leaves no older name behind.
    for (int i = 1; i <= kRecentPhotos; ++i) {
        const auto index = static_cast<std::size_t>(i - 1);
        entries.push_back(entry({kRecentSection, recentKey(i).c_str()},
                                index < kept.recentPhotos.size() ? kept.recentPhotos[index] : ""));
    }
    return writeIniValues(path, entries);
}

}  // namespace carbonel
