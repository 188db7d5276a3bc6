#pragma once

struct StartupArguments;

// Pads the pictures of the command line without any window or display: one
// record a picture on standard output, a summary, the failure report as the
// window writes it. Returns the exit code: 0 all padded, 1 some failed,
// 2 a usage error (bad switches or values, no pictures). Needs a
// QCoreApplication.
int runHeadless(const StartupArguments &parsed);

// Undoes the last in-place run (RunJournal::undo) without any window, saying
// on standard output what it put back and removed and on standard error what
// it left alone. Returns 0 when every original was restored, 1 when anything
// was left alone or there was no run to undo. Needs a QCoreApplication.
int runUndoLast();
