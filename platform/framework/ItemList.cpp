#include "platform/framework/WindowModel.h"

#include <cstring>

namespace framework {
namespace {

bool ValidIndex(const WindowRecord& record, int index) {
    return index >= 0 && index < static_cast<int>(record.items.size());
}

} // namespace

int InsertItem(HWND box, int index, const char* text) {
    WindowEntry* entry = FindWindowEntry(box);
    if (entry == nullptr || text == nullptr)
        return -1;
    std::vector<CString>& items = entry->record.items;
    if (index < 0 || index > static_cast<int>(items.size()))
        index = static_cast<int>(items.size());
    items.insert(items.begin() + index, CString(text));
    // The selected line stays selected when a line goes in before it.
    if (entry->record.selection >= index)
        ++entry->record.selection;
    Notify(box, Change::Items);
    return index;
}

void ResetItems(HWND box) {
    WindowEntry* entry = FindWindowEntry(box);
    if (entry == nullptr)
        return;
    entry->record.items.clear();
    entry->record.selection = -1;
    Notify(box, Change::Items);
}

int ItemCount(HWND box) {
    const WindowRecord* record = FindWindowRecord(box);
    return record == nullptr ? -1 : static_cast<int>(record->items.size());
}

int ItemSelection(HWND box) {
    const WindowRecord* record = FindWindowRecord(box);
    return record == nullptr ? -1 : record->selection;
}

int SelectItem(HWND box, int index) {
    WindowEntry* entry = FindWindowEntry(box);
    if (entry == nullptr)
        return -1;
    int selection = ValidIndex(entry->record, index) ? index : -1;
    if (entry->record.selection != selection) {
        entry->record.selection = selection;
        Notify(box, Change::Selection);
    }
    return selection;
}

int ItemLength(HWND box, int index) {
    const WindowRecord* record = FindWindowRecord(box);
    if (record == nullptr || !ValidIndex(*record, index))
        return -1;
    return record->items[static_cast<std::size_t>(index)].GetLength();
}

int CopyItem(HWND box, int index, char* buffer) {
    const WindowRecord* record = FindWindowRecord(box);
    if (record == nullptr || buffer == nullptr || !ValidIndex(*record, index))
        return -1;
    const CString& item = record->items[static_cast<std::size_t>(index)];
    std::memcpy(buffer, item.GetString(), static_cast<std::size_t>(item.GetLength()) + 1);
    return item.GetLength();
}

} // namespace framework
