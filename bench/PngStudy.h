#pragma once

#include "PaddingContenders.h"

namespace PaddingBench {

// Encodes every padded canvas the engine writes as PNG with each PNG writer
// and setting under study (Qt's writer, libpng driven directly, libspng,
// libdeflate behind a filter of our own) and prints seconds and bytes per
// setting, for 8- and 16-bit canvases. Returns the process exit code.
int runPngStudy(const Context &ctx);

} // namespace PaddingBench
