#pragma once

struct StartupArguments;

// Pads the pictures of the command line without any window or display: one
// record a picture on standard output, a summary, the failure report as the
// window writes it. Returns the exit code: 0 all padded, 1 some failed,
// 2 a usage error (bad switches or values, no pictures). Needs a
// QCoreApplication.
int runHeadless(const StartupArguments &parsed);
