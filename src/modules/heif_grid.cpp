#include "modules/heif_grid.h"

#include <cstring>
#include <string_view>

namespace carbonel {
namespace {

// Big-endian fields read from a range; a read past the end leaves the cursor failed.
class Cursor {
  public:
    Cursor(const std::uint8_t* data, std::size_t size) : at_(data), end_(data + size) {}
    bool ok() const { return ok_; }
    std::size_t left() const { return ok_ ? std::size_t(end_ - at_) : 0; }
    const std::uint8_t* here() const { return at_; }
    std::uint64_t number(std::size_t bytes) {
        if (!ok_ || left() < bytes) {
            ok_ = false;
            return 0;
        }
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | at_[i];
        at_ += bytes;
        return value;
    }
    void skip(std::size_t bytes) {
        if (left() < bytes) ok_ = false;
        if (ok_) at_ += bytes;
    }

  private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
    bool ok_ = true;
};

// A box: its type and its content.
struct Box {
    char type[4];
    Cursor content;
};

// The next box of `outer`, or none at its end or on a damaged size.
std::optional<Box> nextBox(Cursor& outer) {
    const std::uint8_t* start = outer.here();
    std::uint64_t size = outer.number(4);
    Box box{{}, Cursor(nullptr, 0)};
    const std::uint64_t type = outer.number(4);
    if (!outer.ok()) return std::nullopt;
    for (int i = 0; i < 4; ++i) box.type[i] = char(type >> (24 - 8 * i));
    if (size == 1) size = outer.number(8);
    const std::size_t header = std::size_t(outer.here() - start);
    if (size == 0) size = header + outer.left();  // to the end
    if (!outer.ok() || size < header || size - header > outer.left()) return std::nullopt;
    box.content = Cursor(outer.here(), std::size_t(size - header));
    outer.skip(std::size_t(size - header));
    return box;
}

bool is(const Box& box, std::string_view type) {
    return std::memcmp(box.type, type.data(), 4) == 0;
}

}  // namespace

std::optional<std::pair<std::uint32_t, std::uint32_t>> heifGridSize(
    const std::vector<std::uint8_t>& file) {
    Cursor top(file.data(), file.size());
    std::optional<Box> meta;
    while (auto box = nextBox(top)) {
        if (is(*box, "meta")) meta = box;
    }
    if (!meta) return std::nullopt;
    meta->content.skip(4);  // version and flags
    std::uint64_t primary = 0;
    bool grid = false;
    Cursor location(nullptr, 0), itemData(nullptr, 0);
    std::optional<Box> types;
    while (auto box = nextBox(meta->content)) {
        Cursor& in = box->content;
        if (is(*box, "pitm")) {
            const std::uint64_t version = in.number(1);
            in.skip(3);
            primary = in.number(version == 0 ? 2 : 4);
        } else if (is(*box, "iinf")) {
            types = box;
        } else if (is(*box, "iloc")) {
            location = in;
        } else if (is(*box, "idat")) {
            itemData = in;
        }
    }
    if (!types || primary == 0) return std::nullopt;
    // The primary item's type, from its item information entry (version 2 or 3).
    Cursor& entries = types->content;
    const std::uint64_t version = entries.number(1);
    entries.skip(3);
    entries.number(version == 0 ? 2 : 4);
    while (auto entry = nextBox(entries)) {
        Cursor& in = entry->content;
        const std::uint64_t entryVersion = in.number(1);
        in.skip(3);
        if (!is(*entry, "infe") || entryVersion < 2) continue;
        const std::uint64_t id = in.number(entryVersion == 2 ? 2 : 4);
        in.skip(2);  // protection index
        const std::uint64_t type = in.number(4);
        if (in.ok() && id == primary) grid = type == 0x67726964;  // "grid"
    }
    if (!grid) return std::nullopt;
    // Where the grid's description lies: its first extent, in the file or in the item data box.
    const std::uint64_t locationVersion = location.number(1);
    location.skip(3);
    const std::uint64_t sizes = location.number(1), moreSizes = location.number(1);
    const std::size_t offsetSize = sizes >> 4, lengthSize = sizes & 15, baseSize = moreSizes >> 4;
    const std::size_t indexSize = locationVersion == 1 || locationVersion == 2 ? moreSizes & 15 : 0;
    const std::uint64_t items = location.number(locationVersion < 2 ? 2 : 4);
    for (std::uint64_t i = 0; i < items && location.ok(); ++i) {
        const std::uint64_t id = location.number(locationVersion < 2 ? 2 : 4);
        const std::uint64_t method =
            locationVersion == 1 || locationVersion == 2 ? location.number(2) & 15 : 0;
        location.skip(2);  // data reference index
        const std::uint64_t base = location.number(baseSize);
        const std::uint64_t extents = location.number(2);
        std::uint64_t offset = 0;
        for (std::uint64_t e = 0; e < extents && location.ok(); ++e) {
            location.number(indexSize);
            const std::uint64_t extentOffset = location.number(offsetSize);
            location.number(lengthSize);
            if (e == 0) offset = base + extentOffset;
        }
        if (!location.ok() || id != primary || extents == 0) continue;
        Cursor description = method == 1 ? itemData : Cursor(file.data(), file.size());
        if (method > 1 || offset > description.left()) return std::nullopt;
        description.skip(std::size_t(offset));
        description.skip(1);  // version
        const std::uint64_t flags = description.number(1);
        description.skip(2);  // rows and columns, less one
        const std::size_t field = flags & 1 ? 4 : 2;
        const std::uint64_t width = description.number(field);
        const std::uint64_t height = description.number(field);
        if (!description.ok()) return std::nullopt;
        return std::pair{std::uint32_t(width), std::uint32_t(height)};
    }
    return std::nullopt;
}

}  // namespace carbonel
