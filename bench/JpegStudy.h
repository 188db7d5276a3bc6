#pragma once

#include "PaddingContenders.h"

namespace PaddingBench {

// Pads every JPEG of the corpus with the white fill (so it stays a JPEG) and
// encodes the canvas the way the engine once did (Qt's writer at quality 90)
// and the way it does now (JpegEncoder in the source's own style), printing
// CPU seconds, bytes and the quality each output's tables show. Returns the
// process exit code.
int runJpegStudy(const Context &ctx);

} // namespace PaddingBench
