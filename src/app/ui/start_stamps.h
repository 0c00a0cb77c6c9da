#pragma once

namespace carbonel {

// When CARBONEL_START_STAMPS names a file, the first time the start reaches a moment ("photo":
// the photo pane painted with a picture) a line "MOMENT NANOSECONDS" is appended to it, the wall
// clock's time: bench/window_start.sh reads it against the time it started the program.
void stampStart(const char* moment);

}  // namespace carbonel
