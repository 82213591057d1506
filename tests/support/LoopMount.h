#pragma once
// An ext2 file system that mkfs.ext2 makes in a file of the test, mounted through
// a loop device (mount -o loop) at a folder of the test for the test's lifetime.
// Unmounting when it goes detaches the loop device too. Needs root and
// e2fsprogs; Make says why it could not mount otherwise.
//
//   std::string why;
//   auto mounted = LoopMount::Make(folder / "fs.img", folder / "mnt", {card}, true, why);
//   if (!mounted) GTEST_SKIP() << why;
//   mounted->Folder() + "/card.img"; // a file on a read-only mount
#include <memory>
#include <string>
#include <vector>

class LoopMount {
public:
    // files: copied into the file system's root as it is made.
    static std::unique_ptr<LoopMount> Make(const std::string& image, const std::string& folder,
                                           const std::vector<std::string>& files, bool readOnly,
                                           std::string& why);
    ~LoopMount();
    LoopMount(const LoopMount&) = delete;
    LoopMount& operator=(const LoopMount&) = delete;

    const std::string& Folder() const { return m_folder; }

private:
    explicit LoopMount(std::string folder) : m_folder(std::move(folder)) {}
    std::string m_folder;
};
