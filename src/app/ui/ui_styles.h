#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace carbonel {

// The five looks a window can take, in the order of the "UI Style :" list.
inline constexpr int kUiStyleCount = 5;
// The look every window is designed in: "MacOS".
inline constexpr int kDesignedStyle = 0;

QStringList uiStyleNames();

// The complete style sheet of style `index` (0..4).
QString uiStyleSheet(int index);

// Gives the window that look; an index outside 0..4 leaves it as it is.
void applyUiStyle(QWidget* window, int index);

// The index of the look a window has now (-1 when none of the five).
int uiStyleOf(const QWidget* window);

}  // namespace carbonel
