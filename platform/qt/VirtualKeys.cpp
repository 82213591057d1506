#include "platform/qt/VirtualKeys.h"

#include <Qt>

namespace qt {
namespace {

struct KeyPair {
    int qtKey;
    UINT virtualKey;
};

constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09},    {Qt::Key_Backtab, 0x09},
    {Qt::Key_Return, 0x0D},    {Qt::Key_Enter, 0x0D},  {Qt::Key_Escape, 0x1B},
    {Qt::Key_Space, 0x20},     {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23},       {Qt::Key_Home, 0x24},   {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},        {Qt::Key_Right, 0x27},  {Qt::Key_Down, 0x28},
    {Qt::Key_Insert, 0x2D},    {Qt::Key_Delete, 0x2E},
};

} // namespace

UINT VirtualKeyOf(int qtKey) {
    for (const KeyPair& pair : kKeys) {
        if (pair.qtKey == qtKey)
            return pair.virtualKey;
    }
    // Letters and digits are their upper-case characters; F1.. follow 0x70.
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return static_cast<UINT>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<UINT>(0x70 + (qtKey - Qt::Key_F1));
    return 0;
}

} // namespace qt
