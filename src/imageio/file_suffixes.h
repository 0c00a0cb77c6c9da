#pragma once

#include <span>
#include <string>
#include <string_view>

namespace carbonel {

// Every file extension the programs read or write, each written once: the tables of photo kinds,
// output formats and animation formats share them.
inline constexpr std::string_view kJpegSuffixes[] = {".jpg", ".jpeg"};
inline constexpr std::string_view kBmpSuffixes[] = {".bmp"};
inline constexpr std::string_view kPngSuffixes[] = {".png"};
inline constexpr std::string_view kTiffSuffixes[] = {".tif", ".tiff"};
inline constexpr std::string_view kWebpSuffixes[] = {".webp"};
inline constexpr std::string_view kGifSuffixes[] = {".gif"};
inline constexpr std::string_view kHeifSuffixes[] = {".heic", ".heif", ".avif"};
inline constexpr std::string_view kWmfSuffixes[] = {".wmf"};
inline constexpr std::string_view kEmfSuffixes[] = {".emf"};
inline constexpr std::string_view kSvgSuffixes[] = {".svg"};
inline constexpr std::string_view kPdfSuffixes[] = {".pdf"};
inline constexpr std::string_view kMp4Suffixes[] = {".mp4"};
inline constexpr std::string_view kWebmSuffixes[] = {".webm"};

// Whether a lower-cased extension (".jpg") is one of these.
inline bool isOneOf(std::span<const std::string_view> suffixes, std::string_view extension) {
    for (std::string_view suffix : suffixes) {
        if (extension == suffix) return true;
    }
    return false;
}

// "a, b or c", for usage lines and messages.
template <typename Text>
std::string spokenList(std::span<const Text> items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
        text += items[i];
    }
    return text;
}

// A file dialog's filter line: "TITLE (*.a *.b)".
inline std::string dialogFilter(std::string_view title,
                                std::span<const std::string_view> suffixes) {
    std::string line(title);
    line += " (";
    for (std::size_t i = 0; i < suffixes.size(); ++i) {
        if (i > 0) line += ' ';
        line += '*';
        line += suffixes[i];
    }
    return line + ")";
}

}  // namespace carbonel
