// The warning second: the armed second rounded down to its ten-second block.
#pragma once

#include <string>

namespace scheduler {

// Places the seconds text in a ten-second block by ordinal comparison of
// texts (a prefix sorts first) and returns the block's second: "00", "10",
// "20", "30", "40" or "50". Texts after "59" wrap to "00".
std::wstring WarnSecond(const std::wstring& wtime);

}  // namespace scheduler
