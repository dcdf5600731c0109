// Whether a window can be shown at all, asked before the toolkit starts: Qt ends the process
// when it cannot reach the display it was told about.
#pragma once

namespace zendavo {

// True when QT_QPA_PLATFORM names a platform, when the Wayland socket of WAYLAND_DISPLAY exists,
// or when the local X server of DISPLAY accepts a connection (a remote DISPLAY is trusted).
bool displayReachable();

}  // namespace zendavo
