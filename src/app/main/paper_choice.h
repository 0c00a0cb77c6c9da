#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <vector>

#include "imageio/texture_list.h"
#include "sketch/raster.h"

namespace carbonel {

class ControlStrip;
class UserDialogs;

// The Texture page's paper: the papers listed from the texture folder, "Custom" for any picture,
// and the picture of the one chosen, which the strip's preview shows.
class PaperChoice : public QObject {
  public:
    PaperChoice(ControlStrip& strip, UserDialogs& dialogs, QWidget* window);

    // Lists the papers of the folder and its sub-folders, and chooses the one of that name.
    void list(const QString& folder, const std::string& chosenName);
    // The chosen paper's picture (empty for "NULL"); the name it is kept by ("" for none).
    const Raster& picture() const { return picture_; }
    std::string chosenName() const;
    // The paper a sketch is laid on: none for "NULL".
    const Raster* forSketch() const;

  private:
    void choose(int index);

    ControlStrip& strip_;
    UserDialogs& dialogs_;
    QWidget* window_;
    std::vector<TextureEntry> papers_;
    Raster picture_;
};

}  // namespace carbonel
