#pragma once
// The services a desktop gives Kolm for disk access, started privately for the
// tests: a system bus of the tests' own (dbus-daemon with its own configuration),
// a polkit that allows or refuses as told (python3-dbusmock's polkitd template)
// and udisksd on that bus. udevd must run already (udisks2 lists nothing without
// it). Everything started is stopped by process id, also when a test failed.
#include <string>
#include <sys/types.h>
#include <vector>

class SystemServices {
public:
    // Starts everything in folder, which users without root may enter; why says
    // what is missing when it could not.
    bool Start(const std::string& folder, std::string& why);
    ~SystemServices();

    // The bus's address, for DBUS_SYSTEM_BUS_ADDRESS.
    const std::string& Address() const { return m_address; }
    // Whether polkit grants udisks2's device opens.
    bool AllowOpens(bool allow) const;

private:
    bool Spawn(const std::vector<std::string>& command, const std::string& log);
    std::string m_address;
    std::vector<pid_t> m_pids;
};
