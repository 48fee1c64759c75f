#include "scheduler/worktime.h"

namespace scheduler {

std::wstring WarnSecond(const std::wstring& wtime) {
    struct Block {
        const wchar_t* up_to;
        const wchar_t* second;
    };
    static constexpr Block kBlocks[] = {
        {L"10", L"00"}, {L"20", L"10"}, {L"30", L"20"},
        {L"40", L"30"}, {L"50", L"40"}, {L"59", L"50"},
    };
    for (const Block& block : kBlocks)
        if (wtime.compare(block.up_to) <= 0) return block.second;
    return L"00";
}

}  // namespace scheduler
