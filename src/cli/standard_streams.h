#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "imageio/picture_names.h"

namespace carbonel::cli {

// Writes a sketch to standard output: `write` gets the stream to write it into. JPEG and PNG go
// to standard output as they are encoded; the formats written out of order (BMP, metafiles) go
// first into an unnamed file of the owner's only in the temporary folder, which nothing can leave
// behind, and are copied from there. Fails with the system's reason.
void writeStandardOutput(OutputFormat format, const std::function<void(std::FILE*)>& write);
// The same for what is written in order (a GIF, a fragmented MP4).
void writeStandardOutput(const std::function<void(std::FILE*)>& write);
// The same for what is written out of order (an animated WebP, whose size comes last): through
// the unnamed temporary file.
void writeStandardOutputThroughFile(const std::function<void(std::FILE*)>& write);

// Flushes standard output; false, having said why on standard error, when it cannot be written
// (closed, or a full disk), for commands whose whole output is text.
bool standardOutputWritten();

// Refuses (carbonel::Error, naming OUTPUT) to write a sketch over the photo itself: the same file
// by device and inode, whatever the names say.
void refuseSameFile(const std::string& photo, const std::string& output);

}  // namespace carbonel::cli
