#pragma once

#include "workspace/kept_settings.h"

class QWidget;

namespace carbonel {

class ControlStrip;
class ToolWindow;
class UserDialogs;

// The windows and dialogs whose state the settings file keeps between runs.
struct KeptWindows {
    QWidget& main;
    ToolWindow& batch;
    ToolWindow& recorder;
    ControlStrip& strip;
    UserDialogs& dialogs;
};

// Puts what was kept into the windows: the strip's settings, the places of the windows, the
// dialogs' folders.
void restoreKept(const KeptSettings& kept, const KeptWindows& windows);

// What the windows show now, to be kept; a tool window not shown in this run keeps the place it
// had in `before`.
KeptSettings keptNow(const KeptSettings& before, const KeptWindows& windows);

}  // namespace carbonel
