#pragma once

// Registers the kit's images under ":/CommonGUIElements/". The resources live in a static
// library, whose registration code the linker would otherwise drop; calling this more than once
// is harmless.
void initCommonGUIResources();
