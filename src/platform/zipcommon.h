#pragma once
// What the archive writer and reader share (inside the platform layer only).
#include <cstdint>
#include <string>

namespace quillon {

// Info-ZIP's extended timestamp: the modification time in UTC seconds. The
// DOS time of the header is local wall-clock time in two-second steps; this
// keeps restored dates exact and independent of the time zone.
constexpr uint16_t kExtendedTimestamp = 0x5455;

// libzip's text for one of its error codes.
std::string ZipCodeText(int code);

} // namespace quillon
