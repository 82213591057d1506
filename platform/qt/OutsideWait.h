#pragma once
// A wait for another process, such as the daemon that opens a disk once polkit has
// asked the user for their password. On the window's thread the window keeps
// painting and answering the window system meanwhile; what the user does in it
// waits until the answer is in. Other threads simply wait.
#include <functional>

namespace qt {

void WaitPainting(const std::function<bool()>& answered);

} // namespace qt
