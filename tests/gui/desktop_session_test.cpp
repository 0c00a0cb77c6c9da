// The window driven as a user drives it: pointer and keys through the X server (xdotool), under a
// window manager, with the real clipboard (xclip), message boxes and programs on the PATH. Run by
// desktop_session.sh inside Xvfb with openbox.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStandardPaths>
#include <QStyleOptionSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <deque>
#include <functional>

#include "app/main/main_window.h"
#include "app/recorder/recorder_window.h"
#include "app/ui/dialogs.h"
#include "app/ui/picture_pane.h"
#include "fakes.h"
#include "imageio/photo_reader.h"
#include "share/editor_launcher.h"
#include "share/mail_client.h"

using namespace carbonel;

namespace {

// The real questions and message boxes; the file dialogs answered by the test.
class DesktopDialogs : public QtUserDialogs {
  public:
    std::deque<SaveChoice> saveAnswers;
    std::deque<QString> openAnswers;
    std::optional<SaveChoice> savePicture(QWidget*, const QString&, int) override {
        if (saveAnswers.empty()) return std::nullopt;
        SaveChoice answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    QString openPicture(QWidget*) override {
        return openAnswers.empty() ? QString() : test::FakeDialogs::next(openAnswers);
    }
};

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs `act` on the first window `find` gives, from a timer: it also runs inside the loop of a
// modal dialog shown meanwhile.
void whenShown(const std::function<QWidget*()>& find, const std::function<void(QWidget*)>& act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, find, act] {
        QWidget* window = find();
        if (!window || !window->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        QTimer::singleShot(200, window, [window, act] { act(window); });  // once it is mapped
    });
    timer->start(50);
}

QMessageBox* shownMessageBox() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) return box;
    }
    return nullptr;
}

}  // namespace

class DesktopSessionTest : public QObject {
    Q_OBJECT

    DesktopDialogs dialogs_;
    SystemProcessLauncher launcher_;
    XdgEmailClient mail_;
    std::unique_ptr<MainWindow> window_;
    QTemporaryDir dir_;
    QString xdotool_ = QStandardPaths::findExecutable("xdotool");
    QString xclip_ = QStandardPaths::findExecutable("xclip");
    QString xprop_ = QStandardPaths::findExecutable("xprop");

    MainWindow& open(const QString& photo, const QString& settings = {}) {
        window_.reset();
        AppEnvironment environment{QCoreApplication::applicationDirPath(), &dialogs_, &launcher_,
                                   &mail_};
        environment.startPhoto = photo;
        environment.settingsFile = settings;
        environment.mailFolder = dir_.path();
        window_ = std::make_unique<MainWindow>(environment);
        window_->show();
        if (!QTest::qWaitForWindowExposed(window_.get())) qWarning("the window is not shown");
        window_->start();
        QTest::qWait(300);  // placed by the window manager
        xdo({"windowactivate", "--sync", QString::number(window_->winId())});
        return *window_;
    }
    void xdo(const QStringList& arguments) {
        if (QProcess::execute(xdotool_, arguments) != 0)
            qWarning() << "xdotool failed" << arguments;
        QTest::qWait(100);
    }
    QStringList at(QWidget* widget, QPoint point) {
        const QPoint global = widget->mapToGlobal(point);
        return {"mousemove", QString::number(global.x()), QString::number(global.y())};
    }
    void click(QWidget* widget) {
        xdo(at(widget, widget->rect().center()) + QStringList{"click", "1"});
    }
    void key(const QString& keys) { xdo({"key", "--clearmodifiers", keys}); }
    template <typename T>
    T* control(const char* name) {
        return test::control<T>(window_.get(), name);
    }
    void settle(MainWindow& window) { QTRY_VERIFY_WITH_TIMEOUT(!window.livePreviewBusy(), 20000); }
    // A stroke across the sketch pane with the left button.
    void stroke(QPoint from, int moves) {
        auto* pane = control<PicturePane>("sketchPane");
        QStringList steps = at(pane, from) + QStringList{"mousedown", "1"};
        for (int i = 1; i <= moves; ++i) steps += at(pane, from + QPoint(4 * i, 2 * (i % 2)));
        xdo(steps + QStringList{"mouseup", "1"});
    }
    // Where the slider's handle is drawn for a value.
    QPoint handleCentre(QSlider* slider, int value) {
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.tickPosition = slider->tickPosition();
        option.tickInterval = slider->tickInterval();
        option.sliderPosition = option.sliderValue = value;
        option.subControls = QStyle::SC_SliderHandle;
        return slider->style()
            ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider)
            .center();
    }
    QString copyPhoto(const char* name) {
        const QString path = dir_.filePath(name);
        QFile::remove(path);
        QFile::copy(QString(CARBONEL_TEST_DATA) + "/" + name, path);
        return path;
    }

  private slots:
    void initTestCase() {
        QVERIFY2(!xdotool_.isEmpty() && !xclip_.isEmpty() && !xprop_.isEmpty(),
                 "xdotool, xclip and xprop are needed");
    }

    void draggingPrecisionSketchesLiveAndOneUndoReturns() {
        const QString photo = copyPhoto("coffee.jpg");
        MainWindow& window = open(photo);
        click(control<QPushButton>("convertButton"));
        const Raster before = window.document().sketch();
        QVERIFY(!before.isEmpty());
        auto* slider = control<QSlider>("precisionSlider");
        QCOMPARE(slider->value(), 170);
        const QPoint from = handleCentre(slider, 170), to = handleCentre(slider, 120);
        QStringList drag = at(slider, from) + QStringList{"mousedown", "1"};
        for (int step = 1; step <= 8; ++step) drag += at(slider, from + (to - from) * step / 8);
        xdo(drag + QStringList{"mouseup", "1"});
        settle(window);
        const int reached = slider->value();
        QVERIFY2(std::abs(reached - 120) <= 1, qPrintable(QString::number(reached)));
        QVERIFY(!(window.document().sketch() == before));

        dialogs_.saveAnswers.push_back({dir_.filePath("live.jpg"), 1});
        key("ctrl+s");
        const QString cli = QCoreApplication::applicationDirPath() + "/carbonel-cli";
        QCOMPARE(QProcess::execute(cli, {"convert", photo, dir_.filePath("cli.jpg"), "--precision",
                                         QString::number(reached)}),
                 0);
        QVERIFY(fileBytes(dir_.filePath("live.jpg")) == fileBytes(dir_.filePath("cli.jpg")));
        key("ctrl+z");
        QVERIFY(window.document().sketch() == before);
    }

    void aNumberTypedThenAStrokeIsUndoneByCtrlZ() {
        MainWindow& window = open(copyPhoto("chelsea.jpg"));
        auto* box = control<QLineEdit>("precisionEdit");
        click(box);
        key("ctrl+a");
        xdo({"type", "150"});
        key("Return");
        QCOMPARE(control<QSlider>("precisionSlider")->value(), 150);
        settle(window);
        auto* pages = control<QTabWidget>("modePages");
        xdo(at(pages->tabBar(), pages->tabBar()->tabRect(1).center()) + QStringList{"click", "1"});
        QCOMPARE(pages->currentIndex(), 1);
        const Raster before = window.document().sketch();
        stroke(QPoint(60, 60), 12);
        QVERIFY(!(window.document().sketch() == before));
        key("ctrl+z");
        QVERIFY(window.document().sketch() == before);
    }

    void ctrlWheelZoomsAboutThePointerAndStrokesLandUnderIt() {
        MainWindow& window = open(copyPhoto("chelsea.jpg"));
        click(control<QPushButton>("convertButton"));
        auto* pages = control<QTabWidget>("modePages");
        xdo(at(pages->tabBar(), pages->tabBar()->tabRect(1).center()) + QStringList{"click", "1"});
        click(control<QRadioButton>("brushButton"));  // paints the photo itself: every pixel shows
        auto* pane = control<PicturePane>("sketchPane");
        const PictureView& view = pane->view()->get();
        const QPoint pointer(pane->width() / 3, pane->height() / 2);
        const PictureView::Point under = view.toPicture(pointer.x(), pointer.y());
        // Wheel notches up with Ctrl held until 400 %.
        for (int notch = 0; notch < 30 && view.zoom() < 4.0; ++notch)
            xdo(at(pane, pointer) + QStringList{"keydown", "ctrl", "click", "4", "keyup", "ctrl"});
        QVERIFY2(std::abs(view.zoom() - 4.0) < 4.0 * 0.25, qPrintable(QString::number(view.zoom())));
        const PictureView::Point still = view.toPicture(pointer.x(), pointer.y());
        QVERIFY(std::abs(still.x - under.x) < 1 && std::abs(still.y - under.y) < 1);
        QVERIFY(control<PicturePane>("photoPane")->view()->get().zoom() == view.zoom());

        const Raster before = window.document().sketch();
        xdo(at(pane, pointer) + QStringList{"click", "1"});
        const Raster& after = window.document().sketch();
        double sumX = 0, sumY = 0;
        int changed = 0;
        for (int y = 0; y < after.height(); ++y) {
            for (int x = 0; x < after.width(); ++x) {
                if (std::memcmp(after.row(y) + 3 * x, before.row(y) + 3 * x, 3) == 0) continue;
                sumX += x;
                sumY += y;
                ++changed;
            }
        }
        QVERIFY(changed > 20);
        // The brush's square is centred on the photo pixel under the pointer.
        QVERIFY2(std::abs(sumX / changed - under.x) < 2 && std::abs(sumY / changed - under.y) < 2,
                 qPrintable(QString("%1,%2 against %3,%4")
                                .arg(sumX / changed)
                                .arg(sumY / changed)
                                .arg(under.x)
                                .arg(under.y)));
        key("ctrl+0");
        QVERIFY(view.atFit());
    }

    void theClipboardTakesTheSketchAndGivesAPhoto() {
        MainWindow& window = open(copyPhoto("chelsea.jpg"));
        click(control<QPushButton>("convertButton"));
        key("ctrl+c");
        QProcess reader;  // answered by the window's own loop, so not waited on blocking
        reader.setStandardOutputFile(dir_.filePath("clip.png"));
        reader.start(xclip_, {"-selection", "clipboard", "-t", "image/png", "-o"});
        QTRY_VERIFY_WITH_TIMEOUT(reader.state() == QProcess::NotRunning, 10000);
        QCOMPARE(reader.exitCode(), 0);
        QVERIFY(loadPicture(dir_.filePath("clip.png").toStdString()) == window.document().sketch());

        QImage picture(64, 48, QImage::Format_RGB888);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) picture.setPixelColor(x, y, QColor(4 * x, 5 * y, 90));
        QVERIFY(picture.save(dir_.filePath("put.png")));
        // xclip holds the selection in the foreground until it is stopped.
        QProcess writer;
        writer.start(xclip_, {"-quiet", "-selection", "clipboard", "-t", "image/png", "-i",
                              dir_.filePath("put.png")});
        QVERIFY(writer.waitForStarted());
        QTest::qWait(300);
        QString question;
        whenShown(shownMessageBox, [&](QWidget* box) {
            question = static_cast<QMessageBox*>(box)->text();
            static_cast<QMessageBox*>(box)->button(QMessageBox::Discard)->click();
        });
        key("ctrl+v");
        QTRY_VERIFY_WITH_TIMEOUT(window.document().photo().width() == 64, 10000);
        writer.kill();
        writer.waitForFinished();
        QCOMPARE(question, QString("Save the sketch?"));
        QVERIFY(window.document().photo() == loadPicture(dir_.filePath("put.png").toStdString()));
    }

    void theOpenMenuListsTheLastPhotosAfterARestart() {
        const QString settings = dir_.filePath("carbonel.INI");
        MainWindow& first = open({}, settings);
        const QStringList photos = {copyPhoto("rocket.jpg"), copyPhoto("coffee.jpg"),
                                    copyPhoto("astronaut.jpg")};
        for (const QString& photo : photos) {
            dialogs_.openAnswers.push_back(photo);
            key("ctrl+o");
        }
        QCOMPARE(first.document().photo(), loadPicture(photos.last().toStdString()));
        key("ctrl+q");
        QTRY_VERIFY(!first.isVisible());

        open({}, settings);
        auto* menu = control<QMenu>("recentMenu");
        QStringList listed;
        whenShown([menu] { return menu; },
                  [&](QWidget*) {
                      for (QAction* action : menu->actions()) listed << action->toolTip();
                      key("Escape");
                  });
        click(control<QWidget>("recentButton"));
        QTRY_VERIFY_WITH_TIMEOUT(!listed.isEmpty(), 10000);
        QCOMPARE(listed, (QStringList{photos[2], photos[1], photos[0]}));
    }

    void failedHandOffsSayWhyAndQuestionsOpenAboveTheRecorder() {
        MainWindow& window = open(copyPhoto("chelsea.jpg"));
        click(control<QPushButton>("convertButton"));
        dialogs_.saveAnswers.push_back({dir_.filePath("edit.jpg"), 1});
        key("ctrl+s");
        // No paint program, opener or mail client to be found.
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toLocal8Bit());
        QString said;
        whenShown(shownMessageBox, [&](QWidget* box) {
            said = static_cast<QMessageBox*>(box)->text();
            key("Return");
        });
        click(control<QPushButton>("editButton"));
        QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), 10000);
        QVERIFY2(said.contains(dir_.filePath("edit.jpg")) && said.contains("xdg-open") &&
                     said.contains("gimp"),
                 qPrintable(said));

        said.clear();
        whenShown([] { return QApplication::activeModalWidget(); },
                  [&](QWidget* composer) {
                      whenShown(shownMessageBox, [&, composer](QWidget* box) {
                          said = static_cast<QMessageBox*>(box)->text();
                          key("Return");
                          QTimer::singleShot(300, composer, [composer] { composer->close(); });
                      });
                      click(composer->findChild<QPushButton*>("startSendButton"));
                  });
        click(control<QPushButton>("sendButton"));
        QTRY_VERIFY_WITH_TIMEOUT(!said.isEmpty(), 10000);
        qputenv("PATH", path);
        QVERIFY2(said.contains("xdg-email") && said.contains(dir_.filePath("sketch.jpg")),
                 qPrintable(said));

        // With the recorder shown, "Save the sketch?" opens above it.
        xdo(at(control<QTabWidget>("modePages")->tabBar(),
               control<QTabWidget>("modePages")->tabBar()->tabRect(1).center()) +
            QStringList{"click", "1"});
        click(control<QCheckBox>("recordBox"));
        QWidget* recorder = window.recorderWindow();
        QTRY_VERIFY(recorder->isVisible());
        stroke(QPoint(50, 50), 6);  // unsaved work
        QStringList stacking;
        WId boxId = 0;
        whenShown(shownMessageBox, [&](QWidget* box) {
            boxId = box->winId();
            QProcess xprop;
            xprop.start(xprop_, {"-root", "_NET_CLIENT_LIST_STACKING"});
            xprop.waitForFinished();
            stacking = QString::fromLatin1(xprop.readAllStandardOutput())
                           .section('#', 1)
                           .split(',', Qt::SkipEmptyParts);
            key("Escape");
        });
        key("ctrl+o");
        QTRY_VERIFY_WITH_TIMEOUT(boxId != 0, 10000);
        auto place = [&](WId id) {
            for (qsizetype i = 0; i < stacking.size(); ++i)
                if (stacking[i].trimmed().toULongLong(nullptr, 16) == id) return i;
            return qsizetype{-1};
        };
        QVERIFY2(place(recorder->winId()) >= 0 && place(boxId) > place(recorder->winId()),
                 qPrintable(stacking.join(',')));
    }
};

QTEST_MAIN(DesktopSessionTest)
#include "desktop_session_test.moc"
