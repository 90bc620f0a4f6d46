// The tool's name and version, as the usage text, --version and the result
// files' banner show it.
#pragma once

inline constexpr const char* kVersionLine = "Velmora 1.0";
