#pragma once
// Writing past the process's file-size limit raises SIGXFSZ, whose default action ends
// the program on the spot, with its files half written. Ignored, the write fails with
// EFBIG instead and the save reports it like a full disk. Every program calls this once
// at start-up.

namespace qz::utils {

void IgnoreFileSizeSignal();

}  // namespace qz::utils
