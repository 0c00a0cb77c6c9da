#pragma once

#include <optional>
#include <string>
#include <vector>

namespace carbonel {

// The settings file: INI text, "[Section]" lines followed by "key=value" lines. Section and key
// names match without regard to case.

// The settings file read once, for a reader that looks up many keys.
class IniValues {
  public:
    explicit IniValues(const std::string& path);
    // The value of a key, or nothing when the file, the section or the key is missing.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // The value as a whole number, or nothing when it is missing or not one.
    std::optional<int> number(const std::string& section, const std::string& key) const;

  private:
    std::vector<std::string> lines_;
};

// The value of one key, as IniValues gives it.
std::optional<std::string> readIniValue(const std::string& path, const std::string& section,
                                        const std::string& key);

struct IniEntry {
    std::string section, key, value;
};

// Sets these keys in one write, keeping every other line of the file; the sections and the file
// are made when missing. False when the file cannot be written.
bool writeIniValues(const std::string& path, const std::vector<IniEntry>& entries);

// Sets one key, keeping every other line of the file; the section and the file are made when
// missing. The file is replaced only once completely written; false when it cannot be.
bool writeIniValue(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value);

// The UI style kept in section "Form", key "UIStyle": 0 when missing or not an integer.
int readUiStyleSetting(const std::string& path);
bool writeUiStyleSetting(const std::string& path, int index);

}  // namespace carbonel
