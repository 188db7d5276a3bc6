#pragma once

#include <QString>

namespace SelfTest {

// Runs the helper's self-test against the real engine and writes the report
// "exe_self_test.txt" into `reportFolder` (UTF-8 with BOM, CR LF). Returns 0
// when every case passed, 1 after the first failure.
int run(const QString &reportFolder);

} // namespace SelfTest
