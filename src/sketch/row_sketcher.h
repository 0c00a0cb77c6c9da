#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "sketch/convert.h"

namespace carbonel {

// Sketches a photo whose rows arrive one at a time, top to bottom, exactly as convertPhoto does
// (the options must take the fast path): each sketch row is handed on as soon as the photo rows
// its lattice reaches have arrived. It holds 2L + 1 photo rows, whatever the photo's height, so a
// conversion can stream from decoder to encoder in memory that grows with the width only.
class RowSketcher {
  public:
    // Receives sketch row y (photo width + 1 pixels, B, G, R, or one grey byte each), in order
    // from 0 to photo height.
    using RowSink = std::function<void(int y, const std::uint8_t* row)>;
    enum class RowShape { Bgr, Grey };

    // Grey rows are for a sketch that drawsGrey: the same pixels, B = G = R, one byte each.
    RowSketcher(int photoWidth, int photoHeight, const ConversionOptions& options, RowSink sink,
                RowShape shape = RowShape::Bgr);
    ~RowSketcher();
    RowSketcher(const RowSketcher&) = delete;
    RowSketcher& operator=(const RowSketcher&) = delete;

    // The next photo row (photo width pixels, B, G, R).
    void addPhotoRow(const std::uint8_t* row);
    // After the last photo row: hands on the rows left, the extra row of paper included.
    void finish();

    // Whether every pixel of the sketch is grey: Pencil or Pen on white paper.
    static bool drawsGrey(const ConversionOptions& options);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace carbonel
