#include "animation/lzw_encoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "sketch/error.h"

namespace carbonel {
namespace {

constexpr int kMaxCode = 4095;  // the dictionary is cleared when the next free code reaches it

// The dictionary: an open-addressing hash table of 8009 slots, each holding the key
// (prefix * 256 + pixel) in its upper 20 bits and the code in its lower 12; small enough to stay in
// the first-level cache, and cleared in one sweep.
class Dictionary {
  public:
    static constexpr int kSlots = 8009;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

    Dictionary() { clear(); }
    void clear() { std::fill(slots_.begin(), slots_.end(), kEmpty); }

    // The code of (prefix, pixel), or -1; `slot` is where it is, or where it would go.
    int find(std::uint32_t key, int& slot) const {
        int at = static_cast<int>(((key >> 4) ^ key) % kSlots);
        const int step = at == 0 ? 1 : kSlots - at;
        for (;;) {
            const std::uint32_t entry = slots_[static_cast<std::size_t>(at)];
            if (entry == kEmpty) {
                slot = at;
                return -1;
            }
            if ((entry >> 12) == key) return static_cast<int>(entry & 0xFFF);
            at -= step;
            if (at < 0) at += kSlots;
        }
    }
    void insert(int slot, std::uint32_t key, int code) {
        slots_[static_cast<std::size_t>(slot)] = key << 12 | static_cast<std::uint32_t>(code);
    }

  private:
    std::array<std::uint32_t, kSlots> slots_;
};

// Packs codes least-significant bit first.
class BitPacker {
  public:
    explicit BitPacker(std::vector<std::uint8_t>& out) : out_(out) {}
    void put(int code, int width) {
        buffer_ |= static_cast<std::uint64_t>(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out_.push_back(static_cast<std::uint8_t>(buffer_));
            buffer_ >>= 8;
            bits_ -= 8;
        }
    }
    void flush() {
        if (bits_ > 0) out_.push_back(static_cast<std::uint8_t>(buffer_));
        buffer_ = 0;
        bits_ = 0;
    }

  private:
    std::vector<std::uint8_t>& out_;
    std::uint64_t buffer_ = 0;
    int bits_ = 0;
};

}  // namespace

void LzwEncoder::encode(const std::uint8_t* pixels, std::size_t count, int minCodeSize,
                        std::size_t tableSize, std::string& out) {
    const int codeSize = std::max(2, minCodeSize);
    const int clearCode = 1 << codeSize;
    const int endCode = clearCode + 1;
    const int firstFree = clearCode + 2;
    out.push_back(static_cast<char>(codeSize));

    std::vector<std::uint8_t> packed;
    packed.reserve(count / 2 + 16);
    BitPacker bits(packed);
    Dictionary dictionary;
    int width = codeSize + 1;
    int nextCode = firstFree;
    // After each code: a clear code resets the width; otherwise the width grows once the next free
    // code no longer fits it (never past 12 bits).
    auto emit = [&](int code) {
        bits.put(code, width);
        if (code == clearCode) {
            width = codeSize + 1;
        } else if (width < 12 && nextCode > (1 << width) - 1) {
            ++width;
        }
    };
    auto checked = [&](std::uint8_t index) {
        if (index >= tableSize) throw Error("Color not in color table");
        return index;
    };

    emit(clearCode);
    if (count > 0) {
        int prefix = checked(pixels[0]);
        for (std::size_t i = 1; i < count; ++i) {
            const std::uint8_t pixel = checked(pixels[i]);
            const std::uint32_t key = static_cast<std::uint32_t>(prefix) << 8 | pixel;
            int slot = 0;
            const int code = dictionary.find(key, slot);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            emit(prefix);
            prefix = pixel;
            if (nextCode >= kMaxCode) {
                emit(clearCode);
                dictionary.clear();
                nextCode = firstFree;
            } else {
                dictionary.insert(slot, key, nextCode++);
            }
        }
        emit(prefix);
    }
    emit(endCode);
    bits.flush();

    // Sub-blocks of at most 255 bytes, then the terminator.
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, packed.size() - at);
        out.push_back(static_cast<char>(length));
        out.append(reinterpret_cast<const char*>(packed.data() + at), length);
    }
    out.push_back('\0');
}

}  // namespace carbonel
