#pragma once

// Registers the dark theme's style sheet and images and the spinner under ":/CommonGUIElements/".
// They live in a static library, whose registration code the linker would otherwise drop; calling
// this more than once is harmless.
void initCommonGUIExtraResources();
