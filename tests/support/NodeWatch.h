#pragma once
// Which opens and changes of a node the kernel reported while a test acted.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// What inotify saw of a node until a mark of the test's own (a chmod to the mode
// it has): nothing else may come first. udev rereads a disk's partitions when it
// sees the disk closed after writing; here the disk is not opened at all.
class NodeWatch {
public:
    explicit NodeWatch(const std::string& node) : m_node(node) {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0)
            inotify_add_watch(m_fd, node.c_str(),
                              IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE | IN_MODIFY | IN_ATTRIB);
    }
    ~NodeWatch() { close(m_fd); }

    // The events before the mark, which comes last.
    std::vector<uint32_t> EventsBeforeMark() {
        struct stat info {};
        stat(m_node.c_str(), &info);
        chmod(m_node.c_str(), info.st_mode & 07777);
        std::vector<uint32_t> events;
        alignas(inotify_event) char buffer[4096];
        ssize_t got = read(m_fd, buffer, sizeof buffer);
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            events.push_back(event->mask & ~IN_ISDIR);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        if (events.empty() || events.back() != IN_ATTRIB)
            ADD_FAILURE() << "the mark was not seen";
        else
            events.pop_back();
        return events;
    }

private:
    std::string m_node;
    int m_fd = -1;
};
