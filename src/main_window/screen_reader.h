#pragma once

#include "main_window/form1.h"

#include <functional>

namespace corvantile {

// What a screen reader's actions on a buffer do, by the buffer's slot.
struct BufferActions
{
    std::function<void(int)> bringBack;
    std::function<void(int)> remove;
    std::function<void(int)> zoom;
};

// Names, roles and actions of the main window's controls for a screen reader.
void describeForScreenReaders(const Form1Controls &controls, const BufferActions &actions);

} // namespace corvantile
