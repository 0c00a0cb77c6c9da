#include "animation/lzw_encoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "sketch/error.h"

namespace carbonel {
namespace {

constexpr int kMaxCode = 4095;  // the dictionary is cleared when the next free code reaches it

// The dictionary: an open-addressing hash table keyed by (prefix * 256 + pixel), each slot holding
// the key in its upper 20 bits and the code in its lower 12. Each lookup waits on the one before
// it, so the table is small enough for the first-level cache and the hash is one multiplication.
class Dictionary {
  public:
    Dictionary() { clear(); }
    void clear() { std::fill(std::begin(slots_), std::end(slots_), kEmpty); }

    // The code of the key, or -1; `slot` is where it is, or where it would go.
    int find(std::uint32_t key, std::uint32_t& slot) const {
        for (slot = (key * 2654435761u) >> (32 - kSlotBits);; slot = (slot + 1) & (kSlots - 1)) {
            const std::uint32_t entry = slots_[slot];
            if (entry == kEmpty) return -1;
            if (entry >> 12 == key) return static_cast<int>(entry & 0xFFF);
        }
    }
    void insert(std::uint32_t slot, std::uint32_t key, int code) {
        slots_[slot] = key << 12 | static_cast<std::uint32_t>(code);
    }

  private:
    static constexpr int kSlotBits = 13;
    static constexpr std::uint32_t kSlots = 1u << kSlotBits;  // twice the 4096 codes at most
    // No entry is all ones: prefixes stay below 4095.
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;
    std::uint32_t slots_[kSlots];
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
    if (tableSize < 256 && std::any_of(pixels, pixels + count,
                                       [&](std::uint8_t index) { return index >= tableSize; })) {
        throw Error("Color not in color table");
    }

    emit(clearCode);
    if (count > 0) {
        int prefix = pixels[0];
        for (std::size_t i = 1; i < count; ++i) {
            const int pixel = pixels[i];
            const std::uint32_t key =
                static_cast<std::uint32_t>(prefix) << 8 | static_cast<std::uint32_t>(pixel);
            std::uint32_t slot = 0;
            const int code = dictionary.find(key, slot);
            if (code >= 0) {
                prefix = code;
                continue;
            }
            emit(prefix);
            if (nextCode >= kMaxCode) {
                emit(clearCode);
                dictionary.clear();
                nextCode = firstFree;
            } else {
                dictionary.insert(slot, key, nextCode++);
            }
            prefix = pixel;
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
