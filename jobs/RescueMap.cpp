#include "jobs/RescueMap.h"
#include "jobs/WholeFile.h"
#include "platform/kernel/Kernel.h"

#include <charconv>
#include <string>
#include <vector>

namespace {

constexpr std::string_view kStatuses = "?*/-+";
constexpr std::string_view kPhases = "?*/-FG+";
constexpr DWORD kMapLimit = 64 << 20; // far more than any list of areas

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while ((at = line.find_first_not_of(" \t\r", at)) != std::string_view::npos) {
        const std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
        fields.push_back(line.substr(at, end - at));
        at = end;
    }
    return fields;
}

// "0x" and hexadecimal digits, as ddrescue writes them, or a decimal number.
bool Number(std::string_view field, LONGLONG& value) {
    int base = 10;
    if (field.starts_with("0x") || field.starts_with("0X")) {
        field.remove_prefix(2);
        base = 16;
    }
    const auto [end, error] =
        std::from_chars(field.data(), field.data() + field.size(), value, base);
    return error == std::errc{} && end == field.data() + field.size() && value >= 0;
}

bool Status(std::string_view field, std::string_view allowed, char& status) {
    if (field.size() != 1 || allowed.find(field[0]) == std::string_view::npos)
        return false;
    status = field[0];
    return true;
}

// "pos phase [pass]": ddrescue before 1.20 wrote no pass.
bool PositionLine(const std::vector<std::string_view>& fields, RescueMap& map) {
    LONGLONG pass = 1;
    if (fields.size() != 2 && (fields.size() != 3 || !Number(fields[2], pass)))
        return false;
    map.pass = static_cast<int>(pass);
    return Number(fields[0], map.position) && Status(fields[1], kPhases, map.phase);
}

bool AreaLine(const std::vector<std::string_view>& fields, RescueMap& map) {
    RescueArea area{};
    return fields.size() == 3 && Number(fields[0], area.pos) && Number(fields[1], area.size) &&
           Status(fields[2], kStatuses, area.status) && map.areas.Append(area);
}

} // namespace

CString MapNameOf(const CString& image) {
    return image + ".map";
}

bool MapFits(const RescueMap& map, LONGLONG capacity) {
    return map.areas.Begin() == 0 && map.areas.End() == capacity;
}

CString MapText(const RescueMap& map) {
    CString text = "# Mapfile. Created by Kolm\n"
                   "# current_pos  current_status  current_pass\n";
    text.AppendFormat("0x%08I64X     %c               %d\n", map.position, map.phase, map.pass);
    text += "#      pos        size  status\n";
    for (const RescueArea& area : map.areas.All())
        text.AppendFormat("0x%08I64X  0x%08I64X  %c\n", area.pos, area.size, area.status);
    return text;
}

bool ParseMap(std::string_view text, RescueMap& map) {
    map = RescueMap{};
    bool positioned = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::vector<std::string_view> fields = Fields(line);
        if (fields.empty() || fields[0].starts_with('#'))
            continue;
        if (!(positioned ? AreaLine(fields, map) : PositionLine(fields, map)))
            return false;
        positioned = true;
    }
    return map.areas.End() > map.areas.Begin();
}

BOOL SaveMap(const CString& path, const RescueMap& map) {
    return ReplaceWholeFile(path, MapText(map));
}

MapLoad LoadMap(const CString& path, RescueMap& map) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? MapLoad::Missing : MapLoad::Unreadable;
    LARGE_INTEGER size{};
    std::string text;
    DWORD done = 0;
    bool read = GetFileSizeEx(file, &size) && size.QuadPart <= kMapLimit;
    if (read) {
        text.resize(static_cast<std::size_t>(size.QuadPart));
        read = ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &done, nullptr) &&
               done == text.size();
    }
    CloseHandle(file);
    return read && ParseMap(text, map) ? MapLoad::Loaded : MapLoad::Unreadable;
}
