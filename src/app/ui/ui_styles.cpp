#include "app/ui/ui_styles.h"

#include <QFile>
#include <QVariant>
#include <QWidget>
#include <array>
#include <utility>
#include <vector>

// The style sheets are resources of a static library, so they are registered by hand.
static void initStyleResources() {
    Q_INIT_RESOURCE(styles);
}

namespace carbonel {
namespace {

using Palette = std::vector<std::pair<const char*, const char*>>;

// Each look's colours and shapes. MacOS: light and rounded with a blue accent; WinXP: the beige
// and blue of that desktop; DeepBlue: navy with cyan; Protein: charcoal with lime; BlueGlass:
// pale glassy blues.
const std::array<Palette, kUiStyleCount> kPalettes = {{
    {{{"window", "#ececec"},
      {"page", "#f5f5f5"},
      {"base", "#ffffff"},
      {"text", "#1d1d1f"},
      {"disabledText", "#a0a0a0"},
      {"border", "#b8b8b8"},
      {"buttonTop", "#ffffff"},
      {"buttonBottom", "#e4e4e4"},
      {"buttonText", "#1d1d1f"},
      {"accent", "#2f7cf6"},
      {"accentText", "#ffffff"},
      {"groove", "#d6d6d6"},
      {"progress", "#2f7cf6"},
      {"status", "#e2e2e2"},
      {"statusText", "#3a3a3c"},
      {"radius", "6"},
      {"smallRadius", "5"},
      {"handleRadius", "6"},
      {"arrow", "dark"}}},
    {{{"window", "#ece9d8"},
      {"page", "#fcfcfe"},
      {"base", "#ffffff"},
      {"text", "#000000"},
      {"disabledText", "#aca899"},
      {"border", "#7f9db9"},
      {"buttonTop", "#fefefe"},
      {"buttonBottom", "#e3e3db"},
      {"buttonText", "#000000"},
      {"accent", "#316ac5"},
      {"accentText", "#ffffff"},
      {"groove", "#d8d4c4"},
      {"progress", "#2fb83b"},
      {"status", "#ece9d8"},
      {"statusText", "#000000"},
      {"radius", "3"},
      {"smallRadius", "2"},
      {"handleRadius", "2"},
      {"arrow", "dark"}}},
    {{{"window", "#0f1e3d"},
      {"page", "#16294f"},
      {"base", "#0b1730"},
      {"text", "#dbe7ff"},
      {"disabledText", "#56688f"},
      {"border", "#2e4a80"},
      {"buttonTop", "#24417a"},
      {"buttonBottom", "#172c56"},
      {"buttonText", "#e6efff"},
      {"accent", "#27c4f5"},
      {"accentText", "#04172c"},
      {"groove", "#203a6c"},
      {"progress", "#27c4f5"},
      {"status", "#0a1630"},
      {"statusText", "#9fb6e6"},
      {"radius", "4"},
      {"smallRadius", "3"},
      {"handleRadius", "6"},
      {"arrow", "light"}}},
    {{{"window", "#2b2d30"},
      {"page", "#34373b"},
      {"base", "#1f2023"},
      {"text", "#e8e8e3"},
      {"disabledText", "#6c6e72"},
      {"border", "#4a4d52"},
      {"buttonTop", "#45484d"},
      {"buttonBottom", "#35373b"},
      {"buttonText", "#f0f0ea"},
      {"accent", "#9bd13c"},
      {"accentText", "#1a2205"},
      {"groove", "#3d4045"},
      {"progress", "#9bd13c"},
      {"status", "#232427"},
      {"statusText", "#b9bcb2"},
      {"radius", "2"},
      {"smallRadius", "2"},
      {"handleRadius", "2"},
      {"arrow", "light"}}},
    {{{"window", "#dcecfb"},
      {"page", "#eef6fe"},
      {"base", "#fbfdff"},
      {"text", "#12355b"},
      {"disabledText", "#94aecb"},
      {"border", "#8cb5df"},
      {"buttonTop", "#f4faff"},
      {"buttonBottom", "#b9d9f7"},
      {"buttonText", "#0f3257"},
      {"accent", "#3b8ee0"},
      {"accentText", "#ffffff"},
      {"groove", "#c5dff6"},
      {"progress", "#5aa8f0"},
      {"status", "#c8e1f8"},
      {"statusText", "#12355b"},
      {"radius", "9"},
      {"smallRadius", "6"},
      {"handleRadius", "6"},
      {"arrow", "dark"}}},
}};

QString styleTemplate() {
    initStyleResources();
    QFile file(":/styles/template.qss");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

QStringList uiStyleNames() {
    return {"MacOS", "WinXP", "DeepBlue", "Protein", "BlueGlass"};
}

QString uiStyleSheet(int index) {
    if (index < 0 || index >= kUiStyleCount) return {};
    static const QString sheetTemplate = styleTemplate();
    QString sheet = sheetTemplate;
    for (const auto& [name, value] : kPalettes[static_cast<std::size_t>(index)]) {
        sheet.replace(QString("@%1@").arg(name), value);
    }
    return sheet;
}

void applyUiStyle(QWidget* window, int index) {
    if (index < 0 || index >= kUiStyleCount) return;
    window->setStyleSheet(uiStyleSheet(index));
    window->setProperty("carbonelUiStyle", index);
}

int uiStyleOf(const QWidget* window) {
    const QVariant style = window->property("carbonelUiStyle");
    return style.isValid() ? style.toInt() : -1;
}

}  // namespace carbonel
