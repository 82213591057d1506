#include "HeadlessWeston.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// A guard against a weston that neither makes its socket nor ends, not a wait.
constexpr int kSocketTimeoutMs = 30000;

} // namespace

std::string ProgramOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path == nullptr ? "" : path;
    for (std::size_t at = 0, end; at <= folders.size(); at = end + 1) {
        end = folders.find(':', at);
        if (end == std::string::npos)
            end = folders.size();
        const std::string candidate = folders.substr(at, end - at) + "/" + name;
        if (end > at && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

HeadlessWeston::HeadlessWeston(const std::string& program) : m_socket("wayland-kolm") {
    // The folder is watched before weston starts, so that no creation is missed.
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch < 0 || inotify_add_watch(watch, m_folder.Path().c_str(), IN_CREATE) < 0) {
        m_problem = "inotify on the runtime folder failed";
    } else {
        Start(program);
        if (m_problem.empty())
            WaitForSocket(watch);
    }
    if (watch >= 0)
        close(watch);
}

HeadlessWeston::~HeadlessWeston() {
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

void HeadlessWeston::Start(const std::string& program) {
    // Everything the child needs is made before fork: after it, only system calls.
    const std::string output = m_folder / "weston.out";
    // Neither the desktop shell's client nor the on-screen keyboard: weston starts
    // no process of its own that could outlive it.
    const std::string config = m_folder / "weston.ini";
    WriteText(config, "[input-method]\npath=\n");
    std::vector<std::string> arguments = {program,
                                          "--backend=headless-backend.so",
                                          "--shell=kiosk-shell.so",
                                          "--socket=" + m_socket,
                                          "--idle-time=0",
                                          "--config=" + config};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment = {"XDG_RUNTIME_DIR=" + m_folder.Path()};
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (!variable.starts_with("XDG_RUNTIME_DIR=") && !variable.starts_with("WAYLAND_"))
            environment.push_back(variable);
    }
    std::vector<char*> envp;
    for (std::string& variable : environment)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    const pid_t parent = getpid();
    m_pid = fork();
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        const int log = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (log < 0 || nothing < 0 || dup2(nothing, 0) < 0 || dup2(log, 1) < 0 || dup2(log, 2) < 0)
            _exit(127);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    if (m_pid < 0)
        m_problem = "weston cannot be started";
}

// weston listens on its socket as soon as it has made it, before any client it
// did not start itself can connect.
void HeadlessWeston::WaitForSocket(int watch) {
    const int ended = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));
    const std::string socket = m_folder / m_socket;
    while (m_problem.empty() && !std::filesystem::exists(socket)) {
        pollfd events[] = {{watch, POLLIN, 0}, {ended, POLLIN, 0}};
        const int ready = poll(events, ended < 0 ? 1 : 2, kSocketTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            m_problem = "weston made no socket";
        else if ((events[1].revents & POLLIN) != 0 && !std::filesystem::exists(socket))
            m_problem = "weston ended before it made its socket";
        std::vector<char> drained(4096);
        while (read(watch, drained.data(), drained.size()) > 0) {
        }
    }
    if (ended >= 0)
        close(ended);
    if (!m_problem.empty()) {
        const std::vector<char> said = ReadBytes(m_folder / "weston.out");
        m_problem += ":\n" + std::string(said.begin(), said.end());
    }
}
