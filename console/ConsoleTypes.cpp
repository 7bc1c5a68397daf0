#include "console/ConsoleTypes.h"

#include <array>

quint32 PlatformShowMode(TShowWindow mode)
{
    static constexpr std::array<quint32, 12> kModes = {0, 3, 6, 9, 5, 10, 3, 2, 7, 8, 4, 1};
    return mode < kModes.size() ? kModes[mode] : 0;
}

quint32 PlatformCreationFlag(TCreationFlag flag)
{
    static constexpr std::array<quint32, 10> kFlags = {0x04000000, 0x10, 0x200, 0x800, 0x1000,
                                                       0x4,        0x400, 0x1, 0x2, 0x8};
    return flag < kFlags.size() ? kFlags[flag] : 0;
}

const char *LineEndBytes(TReturnCode code)
{
    return code == rcLF ? "\n" : "\r\n";
}
