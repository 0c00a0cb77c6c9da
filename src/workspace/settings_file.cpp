#include "workspace/settings_file.h"

#include <charconv>
#include <fstream>
#include <vector>

#include "imageio/atomic_file.h"
#include "imageio/folder_order.h"
#include "sketch/error.h"

namespace carbonel {
namespace {

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The section a line opens ("" for none), lower-cased.
std::optional<std::string> sectionOf(const std::string& line) {
    const std::string text = trimmed(line);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']') return std::nullopt;
    return toLowerAscii(trimmed(text.substr(1, text.size() - 2)));
}

// The key a "key=value" line sets, lower-cased.
std::optional<std::string> keyOf(const std::string& line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return std::nullopt;
    return toLowerAscii(trimmed(line.substr(0, equals)));
}

}  // namespace

IniValues::IniValues(const std::string& path) : lines_(readLines(path)) {}

std::optional<std::string> IniValues::value(const std::string& section,
                                            const std::string& key) const {
    const std::string wantedSection = toLowerAscii(section), wantedKey = toLowerAscii(key);
    bool inSection = false;
    for (const std::string& line : lines_) {
        if (const auto opened = sectionOf(line)) {
            inSection = *opened == wantedSection;
        } else if (inSection && keyOf(line) == wantedKey) {
            return trimmed(line.substr(line.find('=') + 1));
        }
    }
    return std::nullopt;
}

std::optional<int> IniValues::number(const std::string& section, const std::string& key) const {
    const std::optional<std::string> text = value(section, key);
    if (!text) return std::nullopt;
    int number = 0;
    const char* end = text->data() + text->size();
    const auto [rest, error] = std::from_chars(text->data(), end, number);
    if (error != std::errc() || rest != end) return std::nullopt;
    return number;
}

std::optional<std::string> readIniValue(const std::string& path, const std::string& section,
                                        const std::string& key) {
    return IniValues(path).value(section, key);
}

namespace {

// Sets one key among the lines, keeping every other line.
void setIniLine(std::vector<std::string>& lines, const IniEntry& wanted) {
    const std::string wantedSection = toLowerAscii(wanted.section);
    const std::string wantedKey = toLowerAscii(wanted.key);
    const std::string& section = wanted.section;
    const std::string entry = wanted.key + "=" + wanted.value;
    bool inSection = false;
    std::optional<std::size_t> sectionEnd;  // where a new key of the section goes
    bool written = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        if (const auto opened = sectionOf(lines[i])) {
            inSection = *opened == wantedSection;
            if (inSection) sectionEnd = i + 1;
        } else if (inSection) {
            if (keyOf(lines[i]) == wantedKey) {
                lines[i] = entry;
                written = true;
            } else if (!trimmed(lines[i]).empty()) {
                sectionEnd = i + 1;
            }
        }
    }
    if (!written && sectionEnd) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), entry);
    } else if (!written) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
}

}  // namespace

bool writeIniValues(const std::string& path, const std::vector<IniEntry>& entries) {
    std::vector<std::string> lines = readLines(path);
    for (const IniEntry& entry : entries) setIniLine(lines, entry);
    try {
        AtomicFile file(path);
        for (const std::string& line : lines) {
            file.write(line.data(), line.size());
            file.write("\n", 1);
        }
        file.commit();
    } catch (const Error&) {
        return false;
    }
    return true;
}

bool writeIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value) {
    return writeIniValues(path, {{section, key, value}});
}

int readUiStyleSetting(const std::string& path) {
    return IniValues(path).number("Form", "UIStyle").value_or(0);
}

bool writeUiStyleSetting(const std::string& path, int index) {
    return writeIniValue(path, "Form", "UIStyle", std::to_string(index));
}

}  // namespace carbonel
