#pragma once
// The framework's own records of the windows, keyed by handle. Only the
// user-interface thread reads or changes them; CWnd objects are handles onto them.
#include "platform/framework/WindowBackend.h"

#include <map>
#include <memory>

namespace framework {

struct WindowEntry {
    WindowRecord record;
    std::unique_ptr<CWnd> standIn; // handles the messages while no object is attached
    std::unique_ptr<CMenu> menu;
    std::unique_ptr<CMenu> systemMenu;
    std::map<UINT_PTR, UINT> timers; // id -> period in milliseconds
};

WindowEntry* FindWindowEntry(HWND window);
// A new window under parent (a dialog's control when parent is set). Without a
// handler the window gets a stand-in object of its class's kind.
WindowEntry& CreateWindowEntry(HWND parent, const CString& windowClass, CWnd* handler);
// Removes the window and its controls, detaching the objects that handled them.
void DestroyWindowEntry(HWND window);

bool SameClass(const CString& windowClass, const char* name); // classes ignore case
bool IsAutoRadio(const WindowRecord& record);
// The auto radio buttons of member's group, in template order.
std::vector<HWND> RadioGroupOf(HWND member);

HWND FocusWindow();
void SetFocusWindow(HWND window);

// Sends a message to the window's handler; Default() then works on it.
LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
const MSG& CurrentMessage();
// What the platform does with a message no handler took.
LRESULT DefaultHandling(const MSG& message);

void Notify(HWND window, Change what);

} // namespace framework

namespace framework {

// Item requests that list and combo boxes share. An index of -1 appends; results
// are the platform's: the new index, or -1 (LB_ERR, CB_ERR).
int InsertItem(HWND box, int index, const char* text);
void ResetItems(HWND box);
int ItemCount(HWND box);
int ItemSelection(HWND box);
int SelectItem(HWND box, int index); // -1 clears the selection
int ItemLength(HWND box, int index);
int CopyItem(HWND box, int index, char* buffer); // buffer holds ItemLength + 1 bytes

// The caption of the application's boxes.
CString ApplicationName();

} // namespace framework
