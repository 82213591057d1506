#include "tests/access/SystemServices.h"

#include "tests/support/LoopDevice.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

// Anyone on the machine may call anyone: the tests' bus stands in for the system
// bus, whose own rules are not what is tested.
std::string BusConfiguration(const std::string& socket) {
    return "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path=" +
           socket +
           "</listen><auth>EXTERNAL</auth>"
           "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n";
}

bool WaitForName(const std::string& name) {
    return RunCommand("gdbus wait --system --timeout 60 " + name).has_value();
}

} // namespace

bool SystemServices::Spawn(const std::vector<std::string>& command, const std::string& log) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error == 0)
        m_pids.push_back(pid);
    return error == 0;
}

bool SystemServices::Start(const std::string& folder, std::string& why) {
    if (!RunCommand("test \"$(id -u)\" -eq 0")) {
        why = "starting udisksd needs root";
        return false;
    }
    if (!RunCommand("test -x /usr/libexec/udisks2/udisksd && command -v dbus-daemon && "
                    "command -v runuser && /usr/bin/python3 -c 'import dbusmock'")) {
        why = "udisks2, dbus-daemon, runuser or python3-dbusmock is not installed";
        return false;
    }
    if (!RunCommand("test -S /run/udev/control")) {
        why = "udevd does not run here, and udisks2 lists no devices without it";
        return false;
    }
    const std::string config = folder + "/bus.conf";
    std::ofstream(config) << BusConfiguration(folder + "/system_bus_socket");
    // dbus-daemon forks once it listens, so the bus is there when this returns.
    const auto pid = RunCommand("dbus-daemon --fork --print-pid --config-file=" + config);
    if (!pid) {
        why = "dbus-daemon did not start";
        return false;
    }
    m_pids.push_back(static_cast<pid_t>(std::stol(*pid)));
    m_address = "unix:path=" + folder + "/system_bus_socket";
    setenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.c_str(), 1);
    if (!Spawn({"/usr/bin/python3", "-m", "dbusmock", "--template", "polkitd", "--system"},
               folder + "/polkit.log") ||
        !WaitForName("org.freedesktop.PolicyKit1") ||
        !Spawn({"/usr/libexec/udisks2/udisksd"}, folder + "/udisksd.log") ||
        !WaitForName("org.freedesktop.UDisks2")) {
        why = "polkit's stand-in or udisksd did not come up on the tests' bus (see " + folder + ")";
        return false;
    }
    return true;
}

bool SystemServices::AllowOpens(bool allow) const {
    const std::string actions = allow ? "\"['org.freedesktop.udisks2.open-device', "
                                        "'org.freedesktop.udisks2.open-device-system']\""
                                      : "\"@as []\"";
    return RunCommand("gdbus call --system -d org.freedesktop.PolicyKit1 -o "
                      "/org/freedesktop/PolicyKit1/Authority -m "
                      "org.freedesktop.DBus.Mock.SetAllowed " +
                      actions)
        .has_value();
}

SystemServices::~SystemServices() {
    for (auto pid = m_pids.rbegin(); pid != m_pids.rend(); ++pid) {
        kill(*pid, SIGTERM);
        waitpid(*pid, nullptr, 0); // the bus is no child of ours: this returns at once
    }
    unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
}
