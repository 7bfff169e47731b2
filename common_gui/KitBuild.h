#pragma once

// The build tag of the GUI kit, shown in the about box header and the feedback text.
inline constexpr const char* kitBuildTag = "KGK-2026.3";
