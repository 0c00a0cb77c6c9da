// Takes the README's screenshots of the real windows, grabbed from the screen they are shown on
// (run it under Xvfb with a window manager, so the frames show).
// Usage: screenshot OUTPUT.png [STYLE-INDEX]   the main window after Convert, in one UI style
//        screenshot --tools FOLDER             the batch window and the recorder in each of the
//                                              five styles side by side (batch.png,
//                                              recorder.png), and the composer (composer.png)
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdlib>

#include "app/batch/batch_window.h"
#include "app/main/main_window.h"
#include "app/recorder/recorder_window.h"
#include "app/ui/dialogs.h"
#include "app/ui/ui_styles.h"
#include "share/editor_launcher.h"
#include "share/mail_client.h"

namespace {

void pause(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

QPixmap grabFrame(QWidget* window) {
    pause(400);  // the window manager draws the frame
    const QRect frame = window->frameGeometry();
    return window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
}

bool saveSideBySide(const QList<QPixmap>& shots, const QString& path) {
    int width = 0, height = 0;
    for (const QPixmap& shot : shots) {
        width += shot.width() + 8;
        height = std::max(height, shot.height());
    }
    QPixmap sheet(width, height);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int x = 0;
    for (const QPixmap& shot : shots) {
        painter.drawPixmap(x, 0, shot);
        x += shot.width() + 8;
    }
    painter.end();
    return sheet.save(path);
}

// A mail client that sends nothing: the composer is only looked at.
class NoMail : public carbonel::MailClient {
  public:
    void send(const carbonel::MailMessage&, QObject*, carbonel::ProcessFailure) override {}
};

int toolWindows(carbonel::MainWindow& window, const QString& folder) {
    QDir().mkpath(folder);
    window.findChild<QCheckBox*>("showBatchBox")->setChecked(true);
    window.batchWindow()->addSourceFolder(QCoreApplication::applicationDirPath() + "/texture");
    window.batchWindow()->setOutputFolder(QDir::homePath());
    window.findChild<QTabWidget*>("modePages")->setCurrentIndex(1);
    window.findChild<QCheckBox*>("recordBox")->setChecked(true);
    window.convert();
    emit window.frameCaptured(
        std::make_shared<const carbonel::SketchSnapshot>(carbonel::SketchSnapshot::of(
            window.document().sketch())));  // one frame in the recorder's list
    // They open on the main window's corner: once there, move them apart to grab each alone.
    pause(600);
    window.batchWindow()->move(700, 0);
    window.recorderWindow()->move(700, 400);
    QList<QPixmap> batch, recorder;
    for (int look = 0; look < carbonel::kUiStyleCount; ++look) {
        window.findChild<QComboBox*>("uiStyleSelector")->setCurrentIndex(look);
        batch << grabFrame(window.batchWindow());
        recorder << grabFrame(window.recorderWindow());
    }
    bool saved = saveSideBySide(batch, folder + "/batch.png") &&
                 saveSideBySide(recorder, folder + "/recorder.png");
    window.batchWindow()->hide();
    window.recorderWindow()->hide();
    QTimer::singleShot(0, [&] {
        if (QWidget* composer = QApplication::activeModalWidget()) {
            saved = saved && grabFrame(composer).save(folder + "/composer.png");
            composer->close();
        }
    });
    window.findChild<QPushButton*>("sendButton")->click();
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) return 2;
    const bool tools = QString(argv[1]) == "--tools";
    if (tools && argc != 3) return 2;
    carbonel::QtUserDialogs dialogs;
    carbonel::SystemProcessLauncher launcher;
    NoMail mail;
    carbonel::MainWindow window({.programFolder = QCoreApplication::applicationDirPath(),
                                 .dialogs = &dialogs,
                                 .launcher = &launcher,
                                 .mail = &mail,
                                 .mailFolder = QDir::tempPath()});
    window.move(0, 0);
    window.show();
    window.start();
    if (tools) return toolWindows(window, argv[2]);
    window.findChild<QPushButton*>("convertButton")->click();
    if (argc == 3)
        window.findChild<QComboBox*>("uiStyleSelector")->setCurrentIndex(std::atoi(argv[2]));
    int status = 1;
    QTimer::singleShot(500, [&] {
        status = grabFrame(&window).save(argv[1]) ? 0 : 1;
        application.quit();
    });
    application.exec();
    return status;
}
