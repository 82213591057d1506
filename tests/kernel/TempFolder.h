#pragma once
// A fresh folder under /tmp (or another base), removed with everything in it when
// the test ends, and small helpers to fill it.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class TempFolder {
public:
    explicit TempFolder(
        const std::filesystem::path& base = std::filesystem::temp_directory_path()) {
        std::string pattern = (base / "kolm-kernel-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            m_path = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        if (!m_path.empty())
            std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& relative) const { return m_path + "/" + relative; }

private:
    std::string m_path;
};

inline void WriteText(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

inline std::vector<char> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Bytes that differ from sector to sector and within each one.
inline std::vector<char> Pattern(std::size_t size, unsigned seed) {
    std::vector<char> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 512 * 7 + seed) & 0xFF);
    return bytes;
}

// Pattern with each sector beginning with its own number: no two sectors alike.
inline std::vector<char> NumberedSectors(std::size_t size, unsigned seed) {
    std::vector<char> bytes = Pattern(size, seed);
    for (std::size_t lba = 0; lba < size / 512; ++lba)
        std::memcpy(bytes.data() + lba * 512, &lba, sizeof lba);
    return bytes;
}

inline void WriteBytes(const std::string& path, const std::vector<char>& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
