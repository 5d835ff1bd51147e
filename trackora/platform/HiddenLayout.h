// Whether this build's layout shows the controls and menu items that the normal layout hides. Only the
// build option TRACKORA_SHOW_HIDDEN turns them on; nothing shows them at run time.
#pragma once

#if defined(TRACKORA_SHOW_HIDDEN) && TRACKORA_SHOW_HIDDEN
inline constexpr bool kShowHiddenControls = true;
#else
inline constexpr bool kShowHiddenControls = false;
#endif
