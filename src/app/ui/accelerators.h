#pragma once

class QWidget;

namespace carbonel {

// Makes a shared accelerator letter work as it does on the original platform: Alt+letter runs
// the first enabled, shown control of the window that carries the letter, in the order the
// controls were made, on every press (a button is clicked, a tab becomes the current page). Qt
// alone would only move the focus between them. Call once the window's controls exist.
void routeSharedAccelerators(QWidget* window);

}  // namespace carbonel
