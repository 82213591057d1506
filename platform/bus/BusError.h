#pragma once
// An error a call on the bus came back with, as the error code Kolm reports.
#include "platform/kernel/Types.h"

#include <string>
#include <systemd/sd-bus.h>

namespace bus {

class BusError {
public:
    BusError() = default;
    ~BusError() { sd_bus_error_free(&m_error); }
    BusError(const BusError&) = delete;
    BusError& operator=(const BusError&) = delete;

    sd_bus_error* Get() { return &m_error; }
    // A refused or dismissed authorization is "permission denied"; a device the daemon could not
    // open gives the error its open met.
    DWORD Code() const;
    // What the error says, for a person; result: what the call returned (a
    // negative errno).
    std::string Text(int result) const;

private:
    sd_bus_error m_error = SD_BUS_ERROR_NULL;
};

} // namespace bus
