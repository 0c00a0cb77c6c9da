#include "app/main/paper_choice.h"

#include "app/main/control_strip.h"
#include "app/ui/dialogs.h"
#include "imageio/photo_reader.h"

namespace carbonel {
namespace {

constexpr int kFirstPaper = 2;  // after "NULL" and "Custom"

}  // namespace

PaperChoice::PaperChoice(ControlStrip& strip, UserDialogs& dialogs, QWidget* window)
    : QObject(window), strip_(strip), dialogs_(dialogs), window_(window) {
    strip.showPaper(&picture_);
    connect(&strip, &ControlStrip::paperChosen, this, &PaperChoice::choose);
}

void PaperChoice::list(const QString& folder, const std::string& chosenName) {
    listTextures(folder.toStdString(), papers_);
    QStringList names;
    for (const TextureEntry& entry : papers_) names << QString::fromStdString(entry.name);
    strip_.addPapers(names);
    for (std::size_t i = 0; i < papers_.size(); ++i) {
        if (chosenName.empty() || papers_[i].name != chosenName) continue;
        strip_.selectPaper(static_cast<int>(i) + kFirstPaper);
        choose(static_cast<int>(i) + kFirstPaper);
        return;
    }
}

std::string PaperChoice::chosenName() const {
    const int paper = strip_.settings().paper - kFirstPaper;
    if (paper < 0 || paper >= static_cast<int>(papers_.size())) return "";
    return papers_[static_cast<std::size_t>(paper)].name;
}

const Raster* PaperChoice::forSketch() const {
    return strip_.settings().paper != 0 ? &picture_ : nullptr;
}

void PaperChoice::choose(int index) {
    try {
        if (index == 1) {
            const QString path = dialogs_.openPicture(window_);
            if (path.isEmpty()) {
                strip_.selectPaper(0);
                return;
            }
            picture_ = loadPicture(path.toStdString());
        } else if (index == 0) {
            picture_ = Raster();
        } else {
            picture_ = loadPicture(
                papers_.at(static_cast<std::size_t>(index - kFirstPaper)).file.string());
        }
    } catch (const std::exception& error) {
        // The preview keeps its picture, the selector the new item.
        dialogs_.error(window_, error.what());
        return;
    }
    strip_.paperChanged();
}

}  // namespace carbonel
