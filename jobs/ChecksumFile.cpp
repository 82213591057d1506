#include "jobs/ChecksumFile.h"
#include "jobs/WholeFile.h"
#include "platform/kernel/Kernel.h"
#include "platform/text/Cp932.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

constexpr std::size_t kDigits = 64;
// A checksum file longer than this is no list of images.
constexpr DWORD kMaxFile = 1 << 20;

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The whole file, or nothing when there is none to read.
std::string ReadSmallFile(const CString& path) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_READONLY, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text(kMaxFile, '\0');
    DWORD done = 0;
    const bool read = ReadFile(file, text.data(), kMaxFile, &done, nullptr) != FALSE;
    CloseHandle(file);
    text.resize(read ? done : 0);
    return text;
}

bool IsDigest(const std::string& text) {
    return text.size() == kDigits &&
           std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(c) != 0; });
}

// The digest of the line that names the image, or empty. name: in the system's
// code page.
std::string DigestFor(const std::string& list, const std::string& name) {
    const std::string machineName = text::ToUtf8(name);
    std::istringstream lines(list);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() < kDigits + 3 || line[kDigits] != ' ' ||
            (line[kDigits + 1] != ' ' && line[kDigits + 1] != '*'))
            continue;
        const std::string digest = line.substr(0, kDigits);
        const std::string listed = NameOf(line.substr(kDigits + 2));
        if (IsDigest(digest) && (listed == machineName || listed == name))
            return digest;
    }
    return {};
}

} // namespace

CString ChecksumNameOf(const CString& imagePath) {
    return imagePath + ".sha256";
}

std::string ExpectedSha256(const CString& imagePath) {
    const std::string path = imagePath.GetString();
    const std::string name = NameOf(path);
    std::string digest = DigestFor(ReadSmallFile(ChecksumNameOf(imagePath)), name);
    if (digest.empty()) {
        const std::string folder = path.substr(0, path.size() - name.size());
        digest = DigestFor(ReadSmallFile((folder + "SHA256SUMS").c_str()), name);
    }
    return digest;
}

bool SameSha256(const std::string& computed, const std::string& listed) {
    return computed.size() == listed.size() &&
           std::equal(computed.begin(), computed.end(), listed.begin(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

BOOL SaveChecksum(const CString& imagePath, const std::string& sha256) {
    const std::string line = sha256 + "  " + text::ToUtf8(NameOf(imagePath.GetString())) + "\n";
    return ReplaceWholeFile(ChecksumNameOf(imagePath), line.c_str());
}
