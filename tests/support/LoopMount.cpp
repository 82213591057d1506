#include "tests/support/LoopMount.h"
#include "tests/support/LoopDevice.h"

#include <filesystem>

namespace {

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

} // namespace

std::unique_ptr<LoopMount> LoopMount::Make(const std::string& image, const std::string& folder,
                                           const std::vector<std::string>& files, bool readOnly,
                                           std::string& why) {
    namespace fs = std::filesystem;
    if (!RunCommand("test \"$(id -u)\" -eq 0")) {
        why = "mounting a file system needs root";
        return nullptr;
    }
    // mkfs.ext2 fills the file system from a folder.
    const std::string contents = folder + ".contents";
    fs::create_directories(contents);
    for (const std::string& file : files)
        fs::copy_file(file, contents + "/" + fs::path(file).filename().string());
    fs::remove(image);
    bool made = RunCommand("mkfs.ext2 -q -F -d " + Quoted(contents) + " " + Quoted(image) + " 4096")
                    .has_value();
    fs::remove_all(contents);
    if (!made) {
        why = "mkfs.ext2 (e2fsprogs) could not make a file system";
        return nullptr;
    }
    fs::create_directories(folder);
    const std::string options = readOnly ? "loop,ro" : "loop";
    if (!RunCommand("mount -o " + options + " " + Quoted(image) + " " + Quoted(folder))) {
        why = "mount -o loop is not allowed here";
        return nullptr;
    }
    return std::unique_ptr<LoopMount>(new LoopMount(folder));
}

LoopMount::~LoopMount() {
    RunCommand("umount " + Quoted(m_folder));
}
