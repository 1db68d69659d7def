#pragma once

namespace varnelo {

// Start-up, language choice and the main menu loop; returns the process exit code
// (0 normal exit, 1 language not available, 2 too many invalid choices, 3 internal error).
int run_program();

// The extra-feature menu; returns 4 (too many invalid choices), 5 (main menu), 6 (exit) or
// 7 (language not available).
int extra_feature();

}  // namespace varnelo
