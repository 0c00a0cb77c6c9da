#include "app/main/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "app/ui/picture_pane.h"
#include "fakes.h"
#include "imageio/bmp_codec.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "sketch/region_pass.h"

using namespace carbonel;

namespace {

// A photo of the given size with some structure to sketch, written as a BMP.
QString writePhoto(const QTemporaryDir& dir, const QString& name, int width, int height) {
    Raster photo(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = photo.mutableRow(y);
        for (int x = 0; x < width; ++x) {
            const auto v =
                static_cast<std::uint8_t>(((x / 9 + y / 7) % 2) ? 40 + x % 50 : 220 - y % 60);
            row[3 * x] = v;
            row[3 * x + 1] = static_cast<std::uint8_t>(v / 2 + 60);
            row[3 * x + 2] = static_cast<std::uint8_t>(255 - v);
        }
    }
    const QString path = dir.filePath(name);
    writeSketchFile(photo, path.toStdString(), OutputFormat::Bmp, width, height);
    return path;
}

// The pane's picture as the panes sample a whole raster: column x * width / paneWidth, and so on.
QImage sampledWhole(const Raster& raster, QSize size) {
    if (raster.isEmpty()) return {};
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const std::uint8_t* row = raster.row(y * raster.height() / size.height());
        for (int x = 0; x < size.width(); ++x) {
            const std::uint8_t* p = row + 3 * (x * raster.width() / size.width());
            image.setPixel(x, y, qRgb(p[2], p[1], p[0]));
        }
    }
    return image;
}

void wheel(QWidget* pane, QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(at, pane->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(pane, &event);
}

// A drag from `from` by `by`, with `button`.
void drag(QWidget* pane, Qt::MouseButton button, QPoint from, QPoint by) {
    QTest::mousePress(pane, button, {}, from);
    QMouseEvent move(QEvent::MouseMove, from + by, pane->mapToGlobal(from + by), Qt::NoButton,
                     button, {});
    QApplication::sendEvent(pane, &move);
    QTest::mouseRelease(pane, button, {}, from + by);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    test::FakeDialogs dialogs_;
    test::FakeLauncher launcher_;
    std::unique_ptr<MainWindow> window_;
    QTemporaryDir dir_;

    MainWindow& open(const QString& programFolder = QCoreApplication::applicationDirPath()) {
        dialogs_ = {};
        launcher_ = {};
        window_ =
            std::make_unique<MainWindow>(AppEnvironment{programFolder, &dialogs_, &launcher_});
        window_->show();
        window_->start();
        return *window_;
    }
    template <typename T>
    T* child(const char* name) {
        return test::control<T>(window_.get(), name);
    }
    PicturePane* sketchPane() { return child<PicturePane>("sketchPane"); }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void toFreehand() { child<QTabWidget>("modePages")->setCurrentIndex(1); }
    // The picture area becomes width x height.
    void sizePictureArea(int width, int height) {
        window_->resize(width, height + MainWindow::kStripHeight);
        QCoreApplication::processEvents();
    }
    void press(QPoint at, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(sketchPane(), Qt::LeftButton, modifiers, at);
    }
    void moveTo(QPoint at, Qt::KeyboardModifiers modifiers = {}) {
        QMouseEvent move(QEvent::MouseMove, at, sketchPane()->mapToGlobal(at), Qt::NoButton,
                         modifiers == Qt::ControlModifier ? Qt::NoButton : Qt::LeftButton,
                         modifiers);
        QApplication::sendEvent(sketchPane(), &move);
    }

  private slots:
    void startsOnTheStartPictureWithItsTextures() {
        MainWindow& window = open();
        QCOMPARE(window.windowTitle(), QString(MainWindow::kCaption));
        QCOMPARE(window.document().photo().width(), 600);
        QCOMPARE(window.document().photo().height(), 400);
        QVERIFY(window.document().sketch().isEmpty());
        QVERIFY(dialogs_.errors.isEmpty());
        auto* textures = child<QComboBox>("textureSelector");
        QStringList items;
        for (int i = 0; i < textures->count(); ++i) items << textures->itemText(i);
        QCOMPARE(items,
                 (QStringList{"NULL", "Custom", "canvas", "paper", "parchment", "recycled"}));
        QCOMPARE(window.statusText(), QString("Auto Convert."));
        QCOMPARE(child<QSlider>("brushSlider")->value(), 32);
        QVERIFY(!child<QRadioButton>("brushButton")->isEnabled());
    }

    void sharedAcceleratorsRunTheFirstControlWithTheLetter() {
        MainWindow& window = open();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto alt = [&](Qt::Key key) { QTest::keyClick(&window, key, Qt::AltModifier); };
        alt(Qt::Key_C);  // " &Convert" before "&Clear"
        QVERIFY(!window.document().sketch().isEmpty());
        auto* tools = child<QTabWidget>("toolPages");
        tools->setCurrentIndex(1);
        alt(Qt::Key_S);  // the "&Sketch" tab before "&Save" and "&Send to"
        QCOMPARE(tools->currentIndex(), 0);
        toFreehand();  // Convert is out of sight now: Alt+C is Clear, on every press
        alt(Qt::Key_C);
        QTRY_VERIFY(window.document().sketch().isEmpty());
        window.convert();
        alt(Qt::Key_C);
        QTRY_VERIFY(window.document().sketch().isEmpty());
        alt(Qt::Key_T);  // a letter of its own still works
        QTRY_COMPARE(tools->currentIndex(), 1);
        dialogs_.openAnswers.push_back("");
        alt(Qt::Key_O);
        QTRY_VERIFY(dialogs_.openAnswers.empty());
    }

    void convertGivesTheSketchTheToolGives() {
        MainWindow& window = open();
        click("convertButton");
        const QString cliOutput = dir_.filePath("cli.bmp");
        const QString command = QString("'%1/carbonel-cli' convert '%2/4.jpg' '%3'")
                                    .arg(QCoreApplication::applicationDirPath(),
                                         QCoreApplication::applicationDirPath(), cliOutput);
        QCOMPARE(std::system(command.toLocal8Bit().constData()), 0);
        QVERIFY(window.document().sketch() == loadPicture(cliOutput.toStdString()));
        QVERIFY(dialogs_.errors.isEmpty());

        // Saved as SVG (the 5th filter, its extension appended), the lines are the tool's.
        child<QRadioButton>("penButton")->setChecked(true);
        click("convertButton");
        dialogs_.saveAnswers.push_back(UserDialogs::SaveChoice{dir_.filePath("drawing"), 5});
        click("saveButton");
        const QString cliDrawing = dir_.filePath("cli.svg");
        QCOMPARE(std::system(QString("'%1/carbonel-cli' convert '%2/4.jpg' '%3' --style pen")
                                 .arg(QCoreApplication::applicationDirPath(),
                                      QCoreApplication::applicationDirPath(), cliDrawing)
                                 .toLocal8Bit()
                                 .constData()),
                 0);
        QFile saved(dir_.filePath("drawing.svg")), tool(cliDrawing);
        QVERIFY(saved.open(QIODevice::ReadOnly) && tool.open(QIODevice::ReadOnly));
        const QByteArray drawing = saved.readAll();
        QVERIFY(drawing.contains("<path"));
        QVERIFY(drawing == tool.readAll());
        // So is the plot (the 8th), single strokes.
        dialogs_.saveAnswers.push_back(UserDialogs::SaveChoice{dir_.filePath("plot"), 8});
        click("saveButton");
        const QString cliPlot = dir_.filePath("cli-plot.svg");
        QCOMPARE(std::system(QString("'%1/carbonel-cli' convert '%2/4.jpg' '%3' --style pen "
                                     "--trace centerline")
                                 .arg(QCoreApplication::applicationDirPath(),
                                      QCoreApplication::applicationDirPath(), cliPlot)
                                 .toLocal8Bit()
                                 .constData()),
                 0);
        QFile plot(dir_.filePath("plot.svg")), toolPlot(cliPlot);
        QVERIFY(plot.open(QIODevice::ReadOnly) && toolPlot.open(QIODevice::ReadOnly));
        const QByteArray strokes = plot.readAll();
        QVERIFY(strokes.contains("stroke-linecap=\"round\""));
        QVERIFY(strokes == toolPlot.readAll());

        // Saved through the WebP filter (the 7th), the same bytes as the tool's WebP.
        dialogs_.saveAnswers.push_back(UserDialogs::SaveChoice{dir_.filePath("lossless"), 7});
        click("saveButton");
        const QString cliWebp = dir_.filePath("cli.webp");
        QCOMPARE(std::system(QString("'%1/carbonel-cli' convert '%2/4.jpg' '%3' --style pen")
                                 .arg(QCoreApplication::applicationDirPath(),
                                      QCoreApplication::applicationDirPath(), cliWebp)
                                 .toLocal8Bit()
                                 .constData()),
                 0);
        QFile savedWebp(dir_.filePath("lossless.webp")), toolWebp(cliWebp);
        QVERIFY(savedWebp.open(QIODevice::ReadOnly) && toolWebp.open(QIODevice::ReadOnly));
        const QByteArray webp = savedWebp.readAll();
        QVERIFY(webp.startsWith("RIFF"));
        QVERIFY(webp == toolWebp.readAll());
    }

    void missingStartPictureStillOpensTheWindow() {
        QTemporaryDir empty;
        MainWindow& window = open(empty.path());
        QCOMPARE(dialogs_.errors.size(), 1);
        QVERIFY(dialogs_.errors.first().startsWith("Cannot open file"));
        QCOMPARE(child<QComboBox>("textureSelector")->count(), 2);
        QVERIFY(window.document().photo().isEmpty());
        for (QSize size : {QSize(200, 100), QSize(130, 23), QSize(900, 700)}) {
            window.resize(size);
            QCoreApplication::processEvents();
        }
        click("convertButton");  // no photo: a message, nothing else
        QCOMPARE(dialogs_.errors.size(), 2);
    }

    void panesFollowThePhotosShape() {
        MainWindow& window = open();
        sizePictureArea(690, 346);
        window.loadPhoto(writePhoto(dir_, "wide.bmp", 400, 300));
        QCOMPARE(child<PicturePane>("photoPane")->geometry(), QRect(0, 44, 345, 258));
        QCOMPARE(sketchPane()->geometry(), QRect(345, 44, 345, 258));
        window.loadPhoto(writePhoto(dir_, "tall.bmp", 300, 600));
        QCOMPARE(child<PicturePane>("photoPane")->geometry(), QRect(86, 0, 173, 346));
        QCOMPARE(sketchPane()->geometry(), QRect(431, 0, 173, 346));
    }

    void panesZoomAndPanTogether() {
        MainWindow& window = open();
        sizePictureArea(800, 300);
        window.loadPhoto(writePhoto(dir_, "big.bmp", 800, 600));
        window.convert();
        auto* photo = child<PicturePane>("photoPane");
        const PictureView& view = photo->view()->get();
        QCOMPARE(sketchPane()->view(), photo->view());
        auto showsWhole = [&] {
            return photo->displayed() == sampledWhole(window.document().photo(), photo->size()) &&
                   sketchPane()->displayed() ==
                       sampledWhole(window.document().sketch(), sketchPane()->size());
        };
        QVERIFY(showsWhole());

        // Ctrl+wheel over the sketch zooms both panes about the pointer; the wheel alone does not.
        wheel(sketchPane(), QPoint(100, 50), 240, {});
        QVERIFY(view.atFit());
        wheel(sketchPane(), QPoint(100, 50), 240, Qt::ControlModifier);
        QCOMPARE(view.zoom(), 0.5 * 1.25 * 1.25);
        const PictureView::Point under = view.toPicture(100, 50);
        QVERIFY(std::abs(under.x - 200) < 1 && std::abs(under.y - 100) < 1);
        QCOMPARE(photo->displayed().size(), photo->size());
        const std::uint8_t* pixel = window.document().photo().row(int(under.y)) + 3 * int(under.x);
        QCOMPARE(photo->displayed().pixel(100, 50), qRgb(pixel[2], pixel[1], pixel[0]));

        // The keys, from the window.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto key = [&](Qt::Key k) { QTest::keyClick(&window, k, Qt::ControlModifier); };
        key(Qt::Key_1);
        QCOMPARE(view.zoom(), 1.0);
        key(Qt::Key_Plus);
        QCOMPARE(view.zoom(), 1.25);
        key(Qt::Key_Minus);
        QCOMPARE(view.zoom(), 1.0);
        key(Qt::Key_Equal);
        QCOMPARE(view.zoom(), 1.25);

        // The middle button, or the left one with Space held, drags the picture and draws nothing.
        toFreehand();
        const Raster sketch = window.document().sketch();
        const double left = view.left(), top = view.top();
        drag(sketchPane(), Qt::MiddleButton, QPoint(200, 150), QPoint(-40, 0));
        QCOMPARE(view.left(), left + 40 / 1.25 / 800);
        QTest::keyPress(sketchPane(), Qt::Key_Space);
        drag(photo, Qt::LeftButton, QPoint(200, 150), QPoint(0, 30));
        QTest::keyRelease(sketchPane(), Qt::Key_Space);
        QCOMPARE(view.top(), top - 30 / 1.25 / 600);
        QCOMPARE(window.freehand().stepsDrawn(), 0);
        QVERIFY(window.document().sketch() == sketch);

        // Fit shows what the panes always showed; a new photo shows whole.
        key(Qt::Key_0);
        QVERIFY(view.atFit());
        QVERIFY(showsWhole());
        key(Qt::Key_1);
        window.loadPhoto(writePhoto(dir_, "other.bmp", 300, 600));
        QVERIFY(view.atFit());
        QVERIFY(showsWhole());
    }

    void freehandDrawsUnderThePointerWhenZoomed() {
        MainWindow& window = open();
        sizePictureArea(800, 300);
        window.loadPhoto(writePhoto(dir_, "big.bmp", 800, 600));  // fit: 50 %
        toFreehand();
        child<QSlider>("brushSlider")->setValue(10);
        // 400 % about (100, 50), which keeps photo pixel (200, 100) there; a pane pixel is a
        // quarter of a photo pixel now, so (140, 70) lies over photo pixel (210, 105).
        wheel(sketchPane(), QPoint(100, 50), qRound(120 * std::log(8.0) / std::log(1.25)),
              Qt::ControlModifier);
        QCOMPARE(qRound(sketchPane()->view()->get().zoom() * 100), 400);
        press(QPoint(140, 70));
        for (int i = 1; i <= 3; ++i) moveTo(QPoint(140 + i, 70));
        QTest::mouseRelease(sketchPane(), Qt::LeftButton, {}, QPoint(143, 70));
        QCOMPARE(window.freehand().stepsDrawn(), 2);
        QCOMPARE(child<BrushOutline>("outline")->width(), 2 * 80);  // 10 pixels at fit, 8 times

        // The brush reaches 20 photo pixels (10 at fit), the pass one more, the pixel under the
        // pointer known within one.
        const Raster& sketch = window.document().sketch();
        int changedNear = 0;
        for (int y = 0; y < sketch.height(); ++y) {
            const std::uint8_t* row = sketch.row(y);
            for (int x = 0; x < sketch.width(); ++x) {
                if (row[3 * x] == 255 && row[3 * x + 1] == 255 && row[3 * x + 2] == 255) continue;
                if (std::abs(x - 210) > 22 || std::abs(y - 105) > 22) {
                    QFAIL(qPrintable(QString("changed far away, at %1, %2").arg(x).arg(y)));
                }
                ++changedNear;
            }
        }
        QVERIFY(changedNear > 100);
        // The pane shows the steps as a fresh look at the sketch would.
        const QImage shown = sketchPane()->displayed();
        sketchPane()->pictureChanged();
        QVERIFY(sketchPane()->displayed() == shown);
    }

    void pageRules() {
        MainWindow& window = open();
        click("convertButton");
        dialogs_.saveAnswers.push_back(UserDialogs::SaveChoice{dir_.filePath("p"), 2});
        click("saveButton");
        QVERIFY(!window.document().savedName().empty());
        toFreehand();
        QVERIFY(window.document().savedName().empty());  // every page change clears it
        QCOMPARE(window.statusText(), QString("Use your mouse to draw on the sketch area."));
        QVERIFY(child<QRadioButton>("eraserButton")->isEnabled());
        child<QRadioButton>("eraserButton")->setChecked(true);
        child<QTabWidget>("modePages")->setCurrentIndex(0);
        QVERIFY(child<QRadioButton>("pastelButton")->isChecked());
        QVERIFY(!child<QRadioButton>("eraserButton")->isEnabled());
        QVERIFY(!child<QRadioButton>("brushButton")->isEnabled());
        QCOMPARE(window.statusText(), QString("Auto Convert."));
        const int before = window.freehand().stepsDrawn();
        press(QPoint(100, 100));
        moveTo(QPoint(110, 100));
        QCOMPARE(window.freehand().stepsDrawn(), before);  // the Automatic page does not draw
    }

    void freehandStepsFollowTheMoveCount() {
        MainWindow& window = open();
        toFreehand();
        press(QPoint(100, 100));
        for (int i = 1; i <= 12; ++i) moveTo(QPoint(100 + i, 100));
        QTest::mouseRelease(sketchPane(), Qt::LeftButton, {}, QPoint(112, 100));
        QCOMPARE(window.freehand().stepsDrawn(), 3);  // the press, the 5th and the 10th move

        child<QRadioButton>("brushButton")->setChecked(true);
        press(QPoint(100, 120));
        for (int i = 1; i <= 12; ++i) moveTo(QPoint(100 + i, 120));
        QTest::mouseRelease(sketchPane(), Qt::LeftButton, {}, QPoint(112, 120));
        QCOMPARE(window.freehand().stepsDrawn(), 3 + 13);  // Brush: every move

        for (int i = 1; i <= 4; ++i) moveTo(QPoint(50 + i, 60), Qt::ControlModifier);
        QCOMPARE(window.freehand().stepsDrawn(), 16 + 4);  // Ctrl draws without a button
        moveTo(QPoint(1, 60), Qt::ControlModifier);
        QCOMPARE(window.freehand().stepsDrawn(), 20);  // X = 1 lies in the margin
        QVERIFY(!child<BrushOutline>("outline")->isVisible());
        // The ring follows the pointer, and goes when the pointer leaves the pane.
        moveTo(QPoint(100, 100));
        QVERIFY(child<BrushOutline>("outline")->isVisible());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(sketchPane(), &leave);
        QVERIFY(!child<BrushOutline>("outline")->isVisible());
    }

    void freehandDrawsTheBrushSquareOnAWhiteSheet() {
        MainWindow& window = open();
        sizePictureArea(800, 300);
        window.loadPhoto(writePhoto(dir_, "big.bmp", 800, 600));
        QCOMPARE(sketchPane()->size(), QSize(400, 300));
        toFreehand();
        child<QSlider>("brushSlider")->setValue(10);
        QVERIFY(window.document().sketch().isEmpty());
        press(QPoint(100, 50));
        QTest::mouseRelease(sketchPane(), Qt::LeftButton, {}, QPoint(100, 50));
        QCOMPARE(window.document().sketch().width(), 801);
        QCOMPARE(window.document().sketch().height(), 601);
        Raster expected(801, 601);
        SketchSettings settings;
        settings.edgeThreshold = 30;
        settings.lineStep = 1;
        runDiscPass(180, 80, 220, 120, window.document().photo(), expected, settings,
                    PenStyle::Pencil);
        QVERIFY(window.document().sketch() == expected);
        QVERIFY(!(expected == Raster(801, 601)));
    }

    void recordingHandsOverAFramePerRelease() {
        MainWindow& window = open();
        toFreehand();
        std::vector<Raster> frames;
        connect(&window, &MainWindow::frameCaptured,
                [&](std::shared_ptr<const SketchSnapshot> frame) {
                    frames.push_back(frame->toRaster());
                });
        child<QCheckBox>("recordBox")->setChecked(true);
        for (int stroke = 0; stroke < 3; ++stroke) {
            press(QPoint(60 + 40 * stroke, 80));
            QTest::mouseRelease(sketchPane(), Qt::LeftButton, {}, QPoint(60 + 40 * stroke, 80));
        }
        QCOMPARE(frames.size(), std::size_t{3});
        QVERIFY(frames.back() == window.document().sketch());
        QVERIFY(!(frames.front() == frames.back()));
        int cleared = 0;
        connect(&window, &MainWindow::recordedFramesCleared, [&] { ++cleared; });
        click("clearButton");
        QCOMPARE(cleared, 1);
    }

    void savingFollowsTheFilterAndNameRules() {
        MainWindow& window = open();
        click("saveButton");  // no sketch yet
        QCOMPARE(dialogs_.messages, QStringList{"There is no sketch to save."});
        QVERIFY(dialogs_.proposedFilters.isEmpty());
        click("convertButton");
        dialogs_.saveAnswers.push_back(UserDialogs::SaveChoice{dir_.filePath("portrait"), 1});
        click("saveButton");
        QCOMPARE(dialogs_.proposedFilters.last(), 2);  // "Bitmaps (*.bmp)" first
        QVERIFY(QFileInfo::exists(dir_.filePath("portrait.jpg")));
        QCOMPARE(QString::fromStdString(window.document().savedName()),
                 dir_.filePath("portrait.jpg"));
        dialogs_.saveAnswers.push_back(UserDialogs::SaveChoice{dir_.filePath("a.jpg"), 2});
        click("saveButton");
        QCOMPARE(dialogs_.proposedFilters.last(), 1);  // the filter is remembered
        QCOMPARE(dialogs_.proposedNames.last(), dir_.filePath("portrait.jpg"));
        QFile bmp(dir_.filePath("a.jpg.bmp"));
        QVERIFY(bmp.open(QIODevice::ReadOnly));
        QCOMPARE(bmp.read(2), QByteArray("BM"));
        QFile jpeg(dir_.filePath("portrait.jpg"));
        QVERIFY(jpeg.open(QIODevice::ReadOnly));
        QCOMPARE(jpeg.read(2), QByteArray("\xFF\xD8"));
        // The plotter's SVG draws each line once, as a stroke.
        dialogs_.saveAnswers.push_back(UserDialogs::SaveChoice{dir_.filePath("plot"), 8});
        click("saveButton");
        QFile plot(dir_.filePath("plot.svg"));
        QVERIFY(plot.open(QIODevice::ReadOnly));
        const QByteArray drawing = plot.readAll();
        QVERIFY(drawing.contains("stroke-linecap=\"round\"") && !drawing.contains("fill-rule"));
    }

    void editAndPrintAsksForASaveFirst() {
        MainWindow& window = open();
        click("convertButton");
        dialogs_.saveAnswers.push_back(UserDialogs::SaveChoice{dir_.filePath("edit"), 1});
        launcher_.installed = {"pinta", "gimp"};
        click("editButton");
        QCOMPARE(dialogs_.messages, QStringList{"Please save the sketch ,Then edit it."});
        QCOMPARE(dialogs_.proposedNames, QStringList{""});
        QCOMPARE(launcher_.started.size(), 1);
        QCOMPARE(launcher_.started.first(), (QStringList{"pinta", dir_.filePath("edit.jpg")}));
        launcher_.failure = "ended with status 1: pinta: cannot open display";
        click("editButton");  // saved already: straight to the editor, which fails
        QCOMPARE(dialogs_.messages.last(),
                 "The sketch is saved as \"" + dir_.filePath("edit.jpg") +
                     "\", but it could not be opened for editing: pinta ended with status 1: "
                     "pinta: cannot open display.");
        launcher_.failure.clear();
        QCOMPARE(QString::fromStdString(window.document().savedName()), dir_.filePath("edit.jpg"));
        click("convertButton");
        click("editButton");  // cancelled save: nothing started
        QCOMPARE(launcher_.started.size(), 2);
    }

    void aFailedOpenLosesNothing() {
        MainWindow& window = open();
        click("convertButton");
        const Raster photo = window.document().photo();
        const Raster sketch = window.document().sketch();
        QFile corrupt(dir_.filePath("corrupt.jpg"));
        QVERIFY(corrupt.open(QIODevice::WriteOnly));
        corrupt.write("not a picture");
        corrupt.close();
        for (const QString& name :
             {QString("corrupt.jpg"), QString("photo.psd"), QString("missing.bmp")}) {
            dialogs_.openAnswers.push_back(dir_.filePath(name));
            click("openButton");
        }
        QCOMPARE(dialogs_.errors.size(), 3);
        // Each names the file and says what is wrong with it.
        QCOMPARE(dialogs_.errors[0],
                 dir_.filePath("corrupt.jpg") +
                     ": JPEG error #53: Not a JPEG file: starts with 0x6e 0x6f");
        QCOMPARE(dialogs_.errors[1],
                 dir_.filePath("photo.psd") + ": Unknown picture file extension (.psd)");
        QCOMPARE(dialogs_.errors[2], "Cannot open file " + dir_.filePath("missing.bmp") +
                                         ": No such file or directory");
        QVERIFY(window.document().photo() == photo);
        QVERIFY(window.document().sketch() == sketch);
    }

    void clearLaysTheChosenPaper() {
        MainWindow& window = open();
        auto* textures = child<QComboBox>("textureSelector");
        textures->setCurrentIndex(3);  // paper
        emit textures->activated(3);
        QCOMPARE(window.texturePaper().width(), 128);
        click("clearButton");
        QCOMPARE(window.document().sketch().width(), 601);
        Raster expected;
        applyTexture(expected, 600, 400, window.texturePaper(), TextureFit::Tile);
        QVERIFY(window.document().sketch() == expected);
        textures->setCurrentIndex(1);
        emit textures->activated(1);  // "Custom", cancelled
        QCOMPARE(textures->currentIndex(), 0);
        // A photo of the largest width: Clear lays paper on its wider sketch, and a stroke draws.
        textures->setCurrentIndex(3);
        emit textures->activated(3);
        window.document().start(Raster(kMaxPhotoSide, 4096));
        click("clearButton");
        QCOMPARE(window.document().sketch().width(), kMaxPhotoSide + 1);
        toFreehand();
        press(QPoint(sketchPane()->width() / 2, sketchPane()->height() / 2));
        QCOMPARE(window.freehand().stepsDrawn(), 1);
        QCOMPARE(window.document().sketch().width(), kMaxPhotoSide + 1);
        QVERIFY(dialogs_.errors.isEmpty());
    }

    void viewerOpensFittedAndCentred() {
        MainWindow& window = open();
        struct Seen {
            QRect frame;
            QSize size;
            QString title;
            QRect pane;
            QSize shown;
            double zoom = 0;
            double realZoom = 0;
            QSize realShown;
        };
        auto viewPhoto = [&] {
            Seen seen;
            QTimer::singleShot(0, [&] {
                QWidget* viewer = QApplication::activeModalWidget();
                if (!viewer) return;
                QCoreApplication::processEvents();
                auto* pane = viewer->findChild<PicturePane*>();
                seen.frame = viewer->frameGeometry();
                seen.size = viewer->size();
                seen.title = viewer->windowTitle();
                seen.pane = pane->geometry();
                seen.shown = pane->displayed().size();
                seen.zoom = pane->view()->get().zoom();
                viewer->activateWindow();
                if (QTest::qWaitForWindowActive(viewer)) {
                    QTest::keyClick(viewer, Qt::Key_1, Qt::ControlModifier);
                    seen.realZoom = pane->view()->get().zoom();
                    seen.realShown = pane->displayed().size();
                }
                viewer->close();
            });
            QTest::mouseDClick(child<PicturePane>("photoPane"), Qt::LeftButton);
            return seen;
        };
        const QRect available = window.screen()->availableGeometry();
        auto centred = [&](const QRect& frame) {
            return (frame.center() - available.center()).manhattanLength() <= 2;
        };
        // A picture smaller than the screen: the window is its size, the picture at real size.
        window.loadPhoto(writePhoto(dir_, "small.bmp", 300, 200));
        const Seen small = viewPhoto();
        QCOMPARE(small.title, QString("Real  scale"));
        QCOMPARE(small.size, QSize(300, 200));
        QVERIFY(centred(small.frame));
        QCOMPARE(small.pane, QRect(0, 0, 300, 200));
        QCOMPARE(small.zoom, 1.0);

        // Larger than the screen: the window stays within the free area, the picture fitted, and
        // the pane samples only what it shows, also at real size.
        window.loadPhoto(writePhoto(dir_, "large.bmp", 3000, 2000));
        const Seen large = viewPhoto();
        QVERIFY(available.contains(large.frame));
        QVERIFY(centred(large.frame));
        QVERIFY(large.zoom < 1.0);
        QCOMPARE(large.shown, large.pane.size());
        QVERIFY(large.pane.width() >= large.size.width() - 1);
        QCOMPARE(large.realZoom, 1.0);
        QCOMPARE(large.realShown, large.pane.size());

        // No sketch: a double-click opens nothing and ends the stroke.
        toFreehand();
        bool opened = false;
        QTimer::singleShot(0, [&] {
            if (QWidget* viewer = QApplication::activeModalWidget()) {
                opened = true;
                viewer->close();
            }
        });
        QTest::mouseDClick(sketchPane(), Qt::LeftButton, {}, QPoint(40, 40));
        QCoreApplication::processEvents();
        QVERIFY(!opened);
        QVERIFY(!window.freehand().stroke().drawing());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
