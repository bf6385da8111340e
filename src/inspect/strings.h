#pragma once
// The readable strings of a file, one per line, for "Peek at strings".
#include <string>

namespace quillon {

// Writes every run of letters, digits and blanks longer than `minimum`
// characters (cut after `maximum` + 1) to `destination`, one per line,
// skipping a run equal to the line written just before it. The source is read
// in blocks of 2,048 bytes and a run never continues from one block into the
// next: a run still open at the end of a block (or of the file) is dropped.
// "Could not open file <source>" when the source cannot be opened; "Could not
// write file <destination>" when the destination cannot be created or
// written. Returns whether it ran to the end.
bool ExtractStrings(const std::string& source, const std::string& destination, int minimum,
                    int maximum);

} // namespace quillon
