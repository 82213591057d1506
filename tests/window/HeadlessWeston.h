#pragma once
// weston with its headless backend, for window tests on Qt's Wayland platform: it
// runs in a runtime folder of its own (mode 0700, as XDG_RUNTIME_DIR must be) and
// ends with this object, by its process id, or with the test program should that
// die first.
#include "tests/kernel/TempFolder.h"

#include <string>
#include <sys/types.h>

class HeadlessWeston {
public:
    explicit HeadlessWeston(const std::string& program);
    ~HeadlessWeston();
    HeadlessWeston(const HeadlessWeston&) = delete;
    HeadlessWeston& operator=(const HeadlessWeston&) = delete;

    // Empty once the socket is there; otherwise why not, with weston's output.
    const std::string& Problem() const { return m_problem; }
    const std::string& RuntimeFolder() const { return m_folder.Path(); }
    const std::string& Socket() const { return m_socket; }

private:
    void Start(const std::string& program);
    void WaitForSocket(int watch);

    TempFolder m_folder;
    std::string m_socket;
    pid_t m_pid = -1;
    std::string m_problem;
};

// The program's path where the shell's PATH finds it, or empty.
std::string ProgramOnPath(const std::string& name);
