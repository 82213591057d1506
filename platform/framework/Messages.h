#pragma once
// Window and thread messages.
#include "platform/kernel/Types.h"

struct HWND__;
using HWND = HWND__*;

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
};

inline constexpr UINT WM_USER = 0x400;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_QUERYDRAGICON = 0x0037;
inline constexpr UINT WM_KEYDOWN = 0x100;
inline constexpr UINT WM_SYSKEYDOWN = 0x104;
inline constexpr UINT WM_COMMAND = 0x111;
inline constexpr UINT WM_SYSCOMMAND = 0x112;
inline constexpr UINT WM_TIMER = 0x113;
inline constexpr UINT WM_INITMENUPOPUP = 0x117;
inline constexpr UINT WM_CTLCOLORSTATIC = 0x138;
inline constexpr UINT WM_MOUSEMOVE = 0x200;

inline constexpr UINT VK_RETURN = 0x0D;
inline constexpr UINT VK_ESCAPE = 0x1B;
inline constexpr UINT VK_LEFT = 0x25;
inline constexpr UINT VK_RIGHT = 0x27;

inline constexpr UINT PM_NOREMOVE = 0;
inline constexpr UINT PM_REMOVE = 1;

// Posts to another thread's queue; FALSE when that thread has none.
BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
// Looks at the calling thread's own queue.
BOOL PeekMessageA(MSG* message, HWND window, UINT first, UINT last, UINT remove);

namespace framework {
// Threads started by the framework have a queue from their start-up on.
void CreateThreadQueue();
void DestroyThreadQueue();
} // namespace framework
