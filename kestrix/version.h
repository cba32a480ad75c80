// The program's version, shown in the title, the About box and the session log's header.
#pragma once

constexpr int kVersionMajor = 4;
constexpr int kVersionMinor = 1;
constexpr int kVersionRelease = 4;
constexpr int kVersionBuild = 63;
