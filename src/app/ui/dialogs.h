#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace carbonel {

// Every dialog and message box the windows show goes through here, so tests can answer them.
class UserDialogs {
  public:
    virtual ~UserDialogs() = default;

    // The picture-open dialog; "" when cancelled.
    virtual QString openPicture(QWidget* parent) = 0;

    struct SaveChoice {
        QString path;
        int filterIndex;  // 1 JPEG, 2 Bitmaps, 3 Metafiles, 4 PNG, 5 SVG, 6 PDF, 7 WebP, 8 SVG plot
    };
    // The picture-save dialog, pre-filled with a name and a filter; nothing when cancelled.
    virtual std::optional<SaveChoice> savePicture(QWidget* parent, const QString& proposedName,
                                                  int filterIndex) = 0;

    // The folder picker "Please select the directory"; "" when cancelled.
    virtual QString chooseFolder(QWidget* parent) = 0;
    // The save dialog for animations ("Gif Image File (*.gif)", "WebP animation (*.webp)", "MP4
    // video (*.mp4)"; the chosen filter's extension added to a bare name); "" when cancelled.
    virtual QString saveAnimation(QWidget* parent) = 0;

    // "NAME already exists. Do you want to replace it?" with Yes and No, for a name the save
    // dialog did not ask about (its extension appended after it closed); No and Escape keep it.
    virtual bool confirmReplace(QWidget* parent, const QString& name) = 0;

    // "Save the sketch?" with Save, Discard and Cancel (Escape and closing the box cancel).
    enum class SaveAnswer { Save, Discard, Cancel };
    virtual SaveAnswer askToSaveSketch(QWidget* parent) = 0;

    // A plain message box with one OK button.
    virtual void message(QWidget* parent, const QString& text) = 0;

    // The folders the file dialogs start in, kept between runs; "" for the usual start.
    struct Folders {
        QString open, save, animation, source;
    };
    virtual Folders folders() const { return {}; }
    virtual void setFolders(const Folders&) {}
    // The error box that shows what a command failed on.
    virtual void error(QWidget* parent, const QString& text) = 0;
};

// The real dialogs.
class QtUserDialogs : public UserDialogs {
  public:
    QString openPicture(QWidget* parent) override;
    std::optional<SaveChoice> savePicture(QWidget* parent, const QString& proposedName,
                                          int filterIndex) override;
    QString chooseFolder(QWidget* parent) override;
    QString saveAnimation(QWidget* parent) override;
    bool confirmReplace(QWidget* parent, const QString& name) override;
    SaveAnswer askToSaveSketch(QWidget* parent) override;
    void message(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    Folders folders() const override { return folders_; }
    void setFolders(const Folders& folders) override { folders_ = folders; }

  private:
    Folders folders_;
};

// A modal dialog stays on top while a window of ours that stays on top (a tool window) is shown,
// so that no window of ours ever covers it.
void keepAboveOwner(QWidget& dialog, QWidget* owner);

// The Save dialog's filters, one a format of the table, in its order.
QStringList savePictureFilters();

}  // namespace carbonel
