// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/VirtualKeys.h"

#include <array>
#include <utility>

namespace {
// Keys whose Qt code differs from the Windows one.
constexpr std::array<std::pair<int, int16_t>, 24> OtherKeys = {{
    {Qt::Key_Backspace, 8},  {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},
    {Qt::Key_Return, 13},    {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},   {Qt::Key_Alt, 18},      {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},  {Qt::Key_Escape, 27},   {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},    {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
    {Qt::Key_Home, 36},      {Qt::Key_Left, 37},     {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},     {Qt::Key_Down, 40},     {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},    {Qt::Key_Meta, 91},     {Qt::Key_Menu, 93},
}};
constexpr int16_t F1Code = 112;
constexpr int FunctionKeys = 12;
} // namespace

namespace VirtualKeys {

int16_t keyCode(const QKeyEvent& event)
{
    const int key = event.key();
    // Letters and digits carry the same codes in Qt as in Windows.
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return int16_t(key);
    if (key >= Qt::Key_F1 && key < Qt::Key_F1 + FunctionKeys)
        return int16_t(F1Code + (key - Qt::Key_F1));
    for (const auto& [qtKey, code] : OtherKeys) {
        if (qtKey == key)
            return code;
    }
    return 0;
}

int16_t shiftState(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    int16_t state = 0;
    if (modifiers & Qt::ShiftModifier)
        state |= 1;
    if (modifiers & Qt::ControlModifier)
        state |= 2;
    if (modifiers & Qt::AltModifier)
        state |= 4;
    return state;
}

} // namespace VirtualKeys
