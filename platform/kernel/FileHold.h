#pragma once
// The hold Kolm takes on a regular file it uses as a disk or writes as an image:
// an exclusive flock and an open file description lock over the whole file (a
// write lock where the descriptor may write, else a read lock), both tied to the
// descriptor and given back when it closes. Linux has no sharing modes, so the
// hold keeps out only programs that ask for either kind of lock (another Kolm,
// flock(1), QEMU's image locking); one that opens and writes without asking is
// not stopped.
#include "platform/kernel/Types.h"

#include <string>

namespace kernel {

// ERROR_BUSY when another program holds either lock, or a loop device below root
// is attached over the file.
DWORD HoldFile(int fd, const std::string& root);
DWORD ReleaseFile(int fd);

} // namespace kernel
