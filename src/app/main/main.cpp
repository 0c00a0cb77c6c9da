#include <QMessageBox>
#include <QTimer>
#include <exception>

#include "app/main/guarded_application.h"
#include "app/main/main_window.h"
#include "app/ui/dialogs.h"
#include "imageio/atomic_file.h"
#include "share/editor_launcher.h"
#include "share/mail_client.h"
#include "workspace/app_paths.h"

int main(int argc, char** argv) {
    carbonel::removeTemporariesOnInterrupt();
    carbonel::GuardedApplication application(argc, argv);
    application.setApplicationName("carbonel");
    try {
        carbonel::QtUserDialogs dialogs;
        carbonel::SystemProcessLauncher launcher;
        carbonel::XdgEmailClient mail;
        const QString folder = QCoreApplication::applicationDirPath();
        // "carbonel FILE..." opens the first FILE instead of the start picture.
        const QStringList files = application.arguments().mid(1);
        carbonel::MainWindow window(
            {folder, &dialogs, &launcher, &mail, carbonel::settingsFilePath(folder),
             carbonel::ownFilesFolder(folder), files.isEmpty() ? QString() : files.first()});
        window.show();
        QTimer::singleShot(0, &window, &carbonel::MainWindow::start);
        return application.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QString(), error.what());
    } catch (...) {
        QMessageBox::critical(nullptr, QString(), "An unexpected error occurred.");
    }
    return 1;
}
