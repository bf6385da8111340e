#pragma once
// Temporary files in the temporary folder.
#include <string>

namespace quillon {

// $TMPDIR when it names a folder, else /tmp; no trailing '/'.
std::string TempFolder();
// Creates an empty file with a unique name beginning with `prefix` in the
// temporary folder (mkstemp, mode 0600) and returns its path; empty on failure,
// with the errno in *error when given.
std::string CreateTempFile(const std::string& prefix, int* error = nullptr);

} // namespace quillon
