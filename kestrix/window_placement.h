// The main window's placement kept in the application profile between runs.
#pragma once
#include <windows.h>

#include <vector>

constexpr const char* kPlacementSection = "WindowState-Summary";
constexpr const char* kPlacementEntry = "WindowPlacement";

// The stored placement with its normal rectangle resized to width x height at its stored position.
// False when the stored entry is not a placement record of this system's size (44 bytes) or its
// position leaves no room for the window's size.
bool PlacementWithSize(const std::vector<BYTE>& stored, int width, int height, WINDOWPLACEMENT& placement);
