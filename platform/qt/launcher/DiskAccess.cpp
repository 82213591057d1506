#include "platform/qt/launcher/DiskAccess.h"

#include "platform/bus/UdisksBroker.h"
#include "platform/qt/OutsideWait.h"
#include "platform/qt/launcher/Messages.h"

#include <cstdio>

namespace launcher {

void UseUdisks() {
    static bus::UdisksBroker broker(qt::WaitPainting);
    kernel::InstallDeviceBroker(&broker);
    if (std::string why; !bus::UdisksBroker::Answers(why))
        std::fprintf(stderr, "kolm: %s\n", Say(kNoUdisks, {why}).c_str());
}

} // namespace launcher
