// How the Linux entry point reads its command line. Portable, so that every
// odd command line can be tried in the unit tests.
#pragma once

#include <cstdint>
#include <string>

enum class LinuxMode { Help, Version, Dialog, FullScreen, Windowed, Snapshot, Invalid };

struct LinuxCommand {
    LinuxMode mode = LinuxMode::Dialog;  // an empty command line
    std::string snapshotPath;
    int frames = 30;
    int width = 0;   // 0: the configured resolution
    int height = 0;
    uint32_t startMs = 0;
    uint32_t stepMs = 16;
    uint32_t seed = 1;
    std::string error;  // why the command line is Invalid
};

LinuxCommand ParseLinuxCommandLine(int argc, const char* const* argv);

// Reads "WxH" with both sides 1..16384.
bool ParseSize(const char* text, int& width, int& height);
