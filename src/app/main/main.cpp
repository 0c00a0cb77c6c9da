#include <QMessageBox>
#include <QTimer>
#include <exception>
#include <iostream>
#include <string>

#include "app/main/guarded_application.h"
#include "app/main/main_window.h"
#include "app/ui/dialogs.h"
#include "app/ui/start_stamps.h"
#include "imageio/atomic_file.h"
#include "share/editor_launcher.h"
#include "share/mail_client.h"
#include "workspace/app_paths.h"

namespace {

constexpr const char* kUsage =
    "Usage: carbonel [PHOTO]\n"
    "Opens a window with PHOTO (or the start picture) on the left and its sketch on the right.\n"
    "Options:\n"
    "  --help      this text\n"
    "  --version   the program's version\n"
    "  --          ends the options (for a photo whose name starts with \"-\")\n"
    "carbonel-cli converts photos without a window; \"man carbonel\" tells more.\n";

// What the words before the photo ask for, answered on standard output without a window: -1 to
// go on and open it, else the exit status.
int answerOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") return -1;
        if (word == "--help" || word == "-h") {
            std::cout << kUsage;
        } else if (word == "--version") {
            std::cout << "carbonel " CARBONEL_VERSION "\n";
        } else if (word.starts_with("--")) {  // Qt's own options have one dash
            std::cerr << "carbonel: unknown option '" << word << "'\n" << kUsage;
            return 2;
        } else {
            continue;
        }
        std::cout.flush();
        return std::cout ? 0 : 1;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    carbonel::stampStart("main");
    if (const int status = answerOptions(argc, argv); status >= 0) return status;
    carbonel::removeTemporariesOnInterrupt();
    carbonel::GuardedApplication application(argc, argv);
    carbonel::stampStart("application");
    application.setApplicationName("carbonel");
    try {
        carbonel::QtUserDialogs dialogs;
        carbonel::SystemProcessLauncher launcher;
        carbonel::XdgEmailClient mail;
        const QString folder = QCoreApplication::applicationDirPath();
        // "carbonel FILE..." opens the first FILE instead of the start picture.
        QStringList files = application.arguments().mid(1);
        files.removeAll("--");
        carbonel::MainWindow window(
            {folder, &dialogs, &launcher, &mail, carbonel::settingsFilePath(folder),
             carbonel::ownFilesFolder(folder), files.isEmpty() ? QString() : files.first()});
        carbonel::stampStart("window");
        window.show();
        carbonel::stampStart("shown");
        QTimer::singleShot(0, &window, &carbonel::MainWindow::start);
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QString(), error.what());
    } catch (...) {
        QMessageBox::critical(nullptr, QString(), "An unexpected error occurred.");
    }
    return 1;
}
