// The show state a caller asks for when it starts the program (STARTUPINFO's
// wShowWindow with STARTF_USESHOWWINDOW: SW_HIDE for "Shell ..., vbHide" or
// "Start-Process -WindowStyle Hidden"). Windows applies it to the program's
// first window in two cases: on ShowWindow(SW_SHOWDEFAULT), the documented
// way, and, by a heuristic, on the first ShowWindow(SW_SHOWNORMAL or SW_SHOW)
// of a top-level unowned window with a caption. The warning box is such a
// window: given SW_HIDE it would be an invisible modal box, and the process a
// caller waits for would never end. Pure code, tested on any host.
#pragma once

#include <cstdint>

namespace wrenpost {

// Whether the caller's state must be used up on a window of the program's own
// before the box is shown: when the caller set one and it is not a plain
// show (SW_SHOWNORMAL, SW_SHOW, SW_RESTORE, SW_SHOWDEFAULT). Hidden,
// minimized, maximized and non-activating states all are.
bool MustUseUpStartupShowState(bool uses_show_window, std::uint16_t show_state);

}  // namespace wrenpost
