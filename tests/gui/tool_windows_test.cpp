#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "animation/animation_export.h"
#include "animation/web_palette.h"
#include "app/batch/batch_window.h"
#include "app/main/main_window.h"
#include "app/recorder/recorder_window.h"
#include "app/ui/picture_pane.h"
#include "fakes.h"
#include "gif_decoder.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"

using namespace carbonel;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

}  // namespace

class ToolWindowsTest : public QObject {
    Q_OBJECT

    test::FakeDialogs dialogs_;
    test::FakeLauncher launcher_;
    std::unique_ptr<MainWindow> window_;
    QTemporaryDir dir_;
    const QString data_ = CARBONEL_TEST_DATA;

    MainWindow& open() {
        dialogs_ = {};
        window_ = std::make_unique<MainWindow>(
            AppEnvironment{QCoreApplication::applicationDirPath(), &dialogs_, &launcher_});
        window_->show();
        window_->start();
        return *window_;
    }
    template <typename T>
    T* child(QObject* parent, const char* name) {
        return test::control<T>(parent, name);
    }
    BatchWindow& batch() { return *window_->batchWindow(); }
    RecorderWindow& recorder() { return *window_->recorderWindow(); }
    QString makeTree(const QString& name) {
        const QString root = dir_.filePath(name);
        QDir().mkpath(root + "/a");
        QDir().mkpath(root + "/b");
        QFile::copy(data_ + "/chelsea.jpg", root + "/a/cat.jpg");
        QFile::copy(data_ + "/coffee.jpg", root + "/b/cat.jpg");
        QFile::copy(data_ + "/chelsea-8bit.bmp", root + "/b/pal.bmp");
        return root;
    }
    void runBatch() {
        QSignalSpy finished(&batch(), &BatchWindow::finished);
        QTest::mouseClick(child<QPushButton>(&batch(), "convertAllButton"), Qt::LeftButton);
        QVERIFY(finished.count() == 1 || finished.wait(20000));
    }
    void stroke(QPoint at) {
        auto* pane = child<PicturePane>(window_.get(), "sketchPane");
        QTest::mousePress(pane, Qt::LeftButton, {}, at);
        QTest::mouseRelease(pane, Qt::LeftButton, {}, at);
    }

  private slots:
    void batchWritesWhatTheToolWrites() {
        MainWindow& window = open();
        const QString tree = makeTree("tree");
        const QString out = dir_.filePath("out");
        QDir().mkpath(out);
        child<QCheckBox>(&window, "showBatchBox")->setChecked(true);
        QVERIFY(batch().isVisible());
        dialogs_.folderAnswers = {tree, out};
        QTest::mouseClick(child<QPushButton>(&batch(), "addSourceButton"), Qt::LeftButton);
        QTest::mouseClick(child<QPushButton>(&batch(), "selectOutputButton"), Qt::LeftButton);
        QCOMPARE(batch().entries().size(), std::size_t{3});
        child<QSlider>(&window, "lineSlider")->setValue(2);
        auto* progress = child<QProgressBar>(&batch(), "progress");
        QList<int> positions;
        connect(progress, &QProgressBar::valueChanged, [&](int value) { positions << value; });
        bool eventsRan = false;
        QTimer::singleShot(0, [&] { eventsRan = batch().running(); });  // the window stays live
        runBatch();
        QVERIFY(dialogs_.errors.isEmpty());
        QVERIFY(eventsRan);
        QCOMPARE(filesIn(out), (QStringList{"cat.jpg", "cat1.jpg", "pal.bmp"}));
        QCOMPARE(positions, (QList<int>{1, 2, 3, 0}));
        QVERIFY(!window.document()
                     .sketch()
                     .isEmpty());  // the main window shows the last photo and sketch

        const QString cliOut = dir_.filePath("cli");
        QDir().mkpath(cliOut);
        const QString command = QString("'%1/carbonel-cli' batch --line 2 --jobs 1 --out '%2' '%3'")
                                    .arg(QCoreApplication::applicationDirPath(), cliOut, tree);
        QCOMPARE(std::system(command.toLocal8Bit().constData()), 0);
        for (const QString& name : filesIn(out))
            QVERIFY2(fileBytes(out + "/" + name) == fileBytes(cliOut + "/" + name),
                     qPrintable(name));

        runBatch();  // again: no file replaced, the entries' positions inserted
        QCOMPARE(filesIn(out), (QStringList{"cat.jpg", "cat0.jpg", "cat1.jpg", "cat2.jpg",
                                            "pal.bmp", "pal2.bmp"}));
        QCOMPARE(QString::fromStdString(window.document().savedName()), out + "/pal2.bmp");

        batch().close();
        QVERIFY(!child<QCheckBox>(&window, "showBatchBox")->isChecked());
    }

    // The batch takes the Automatic page's settings: Brush, Eraser or the Freehand page change
    // nothing of what it writes.
    void batchConvertsWithTheAutomaticSettingsWhateverTheFreehandPageShows() {
        MainWindow& window = open();
        const QString tree = makeTree("freehand");
        const QString cliOut = dir_.filePath("freehand-cli");
        QDir().mkpath(cliOut);
        const QString command =
            QString("'%1/carbonel-cli' batch --style pen --precision 120 --jobs 1 --out '%2' '%3'")
                .arg(QCoreApplication::applicationDirPath(), cliOut, tree);
        QCOMPARE(std::system(command.toLocal8Bit().constData()), 0);
        batch().addSourceFolder(tree);
        child<QSlider>(&window, "precisionSlider")->setValue(120);
        child<QRadioButton>(&window, "penButton")->setChecked(true);
        child<QTabWidget>(&window, "modePages")->setCurrentIndex(1);
        for (const char* tool : {"brushButton", "eraserButton", "penButton"}) {
            child<QRadioButton>(&window, tool)->setChecked(true);
            const QString out = dir_.filePath(QString("freehand-") + tool);
            QDir().mkpath(out);
            batch().setOutputFolder(out);
            runBatch();
            QVERIFY(dialogs_.errors.isEmpty());
            QCOMPARE(filesIn(out), filesIn(cliOut));
            for (const QString& name : filesIn(cliOut))
                QVERIFY2(fileBytes(out + "/" + name) == fileBytes(cliOut + "/" + name),
                         qPrintable(QString(tool) + " " + name));
        }
    }

    void batchRefusesAMissingOutputFolderAndStopsAtABadFile() {
        MainWindow& window = open();
        const QString tree = makeTree("bad");
        QFile broken(tree + "/a/broken.jpg");
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("no picture");
        broken.close();
        // A named pipe would keep the batch waiting for ever: said, and left out.
        QCOMPARE(::mkfifo(qPrintable(tree + "/b/pipe.jpg"), 0600), 0);
        batch().addSourceFolder(tree);
        QCOMPARE(batch().entries().size(),
                 std::size_t{4});  // a/broken.jpg, a/cat.jpg, b/cat.jpg, b/pal.bmp
        QCOMPARE(dialogs_.errors.size(), 1);
        QVERIFY(dialogs_.errors.takeFirst().contains(tree +
                                                     "/b/pipe.jpg: skipped: it is a named pipe"));
        QTest::mouseClick(child<QPushButton>(&batch(), "convertAllButton"), Qt::LeftButton);
        QCOMPARE(dialogs_.messages, QStringList{" Import the Out directory,Please!"});
        QVERIFY(!batch().running());

        const QString out = dir_.filePath("badout");
        QDir().mkpath(out);
        batch().setOutputFolder(out);
        runBatch();
        QCOMPARE(dialogs_.errors.size(), 1);
        QVERIFY(dialogs_.errors.first().contains(tree + "/a/broken.jpg"));
        QVERIFY(dialogs_.errors.first().contains("JPEG error #"));
        QVERIFY(filesIn(out).isEmpty());  // it stopped at the first entry

        auto* list = child<QListWidget>(&batch(), "sourceList");
        for (int row : {0, 1, 3}) list->item(row)->setSelected(true);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(batch().entries().size(), std::size_t{1});
        QCOMPARE(batch().entries()[0], (tree + "/b/cat.jpg").toStdString());
        QTest::keyClick(list, Qt::Key_Delete);  // nothing selected: nothing removed
        QCOMPARE(batch().entries().size(), std::size_t{1});
        (void)window;
    }

    void deletingEntriesDuringABatchSkipsNoFile() {
        open();
        batch().addSourceFolder(makeTree("deleting"));
        const QString out = dir_.filePath("deletingout");
        QDir().mkpath(out);
        batch().setOutputFolder(out);
        QSignalSpy finished(&batch(), &BatchWindow::finished);
        QTest::mouseClick(child<QPushButton>(&batch(), "convertAllButton"), Qt::LeftButton);
        QVERIFY(batch().running());
        // The entry in work goes from the list: it finishes, and the next one is not skipped.
        auto* list = child<QListWidget>(&batch(), "sourceList");
        list->item(0)->setSelected(true);
        batch().deleteSelectedEntries();
        QVERIFY(finished.count() == 1 || finished.wait(20000));
        QVERIFY(dialogs_.errors.isEmpty());
        QCOMPARE(filesIn(out), (QStringList{"cat.jpg", "cat0.jpg", "pal.bmp"}));
    }

    void batchListPreviewsByKeyboardAndCountsFilesAddedMeanwhile() {
        MainWindow& window = open();
        const QString tree = makeTree("keys");
        batch().addSourceFolder(tree);
        auto* list = child<QListWidget>(&batch(), "sourceList");
        list->setCurrentRow(0);
        QTest::keyClick(list, Qt::Key_Down);  // a/cat.jpg, then b/cat.jpg: coffee
        QVERIFY(window.document().photo() == loadPicture((tree + "/b/cat.jpg").toStdString()));

        const QString out = dir_.filePath("keysout");
        QDir().mkpath(out);
        batch().setOutputFolder(out);
        QStringList captions;
        connect(&batch(), &BatchWindow::fileConverted, [&](int done) {
            captions << child<QProgressBar>(&batch(), "progress")->text();
            if (done == 1) batch().addSourceFolder(data_);  // four more photos
        });
        runBatch();
        QVERIFY(captions.size() > 3);
        QCOMPARE(captions.mid(0, 4), (QStringList{"33%", "66%", "100%", "133%"}));
    }

    void closingDuringABatchFinishesTheFileInWork() {
        open();
        batch().addSourceFolder(makeTree("closing"));
        const QString out = dir_.filePath("closingout");
        QDir().mkpath(out);
        batch().setOutputFolder(out);
        QTest::mouseClick(child<QPushButton>(&batch(), "convertAllButton"), Qt::LeftButton);
        QVERIFY(batch().running());
        window_->close();
        QVERIFY(!batch().running());
        QCOMPARE(filesIn(out), QStringList{"cat.jpg"});  // the first file finished, then it stopped
    }

    void recorderCollectsNumberedFrames() {
        MainWindow& window = open();
        window.loadPhoto(data_ + "/chelsea-24bit.bmp");
        child<QTabWidget>(&window, "modePages")->setCurrentIndex(1);
        child<QCheckBox>(&window, "recordBox")->setChecked(true);
        QVERIFY(recorder().isVisible());
        for (int i = 0; i < 3; ++i) stroke(QPoint(60 + 50 * i, 80));
        auto* frames = child<QListWidget>(&recorder(), "frameList");
        QCOMPARE(frames->count(), 3);
        QCOMPARE(frames->currentRow(), 2);
        QVERIFY(frames->item(2)->isSelected());
        QCOMPARE(recorder().gifWidth(), 452);
        QCOMPARE(recorder().gifHeight(), 301);
        QVERIFY(recorder().frame(2) == window.document().sketch());

        recorder().previewStep();
        QCOMPARE(recorder().previewCounter(), 1);
        // The preview shows what a pane showing the whole frame shows.
        auto* preview = child<PicturePane>(&recorder(), "preview");
        const Raster second = recorder().frame(1);
        PicturePane whole;
        whole.resize(preview->size());
        whole.setTransparentWhite(true);
        whole.showRaster(&second);
        QVERIFY(preview->displayed() == whole.displayed());
        QVERIFY(recorder().previewPicture().width() < second.width());

        frames->setCurrentRow(1);
        QTest::keyClick(frames, Qt::Key_Delete);
        QCOMPARE(recorder().frameCount(), 2);
        QVERIFY(frames->selectedItems().isEmpty());
        QTest::keyClick(frames, Qt::Key_Delete);  // nothing selected: nothing deleted
        QCOMPARE(recorder().frameCount(), 2);

        click(&window, "clearButton");  // Clear while recording empties the list
        QCOMPARE(recorder().frameCount(), 0);

        // Minimising the main window: the window manager hides both tool windows and shows them
        // again on restore. Their boxes stay checked, and recording goes on.
        child<QCheckBox>(&window, "showBatchBox")->setChecked(true);
        window.showMinimized();
        recorder().hide();
        batch().hide();
        window.showNormal();
        recorder().show();
        batch().show();
        QVERIFY(child<QCheckBox>(&window, "recordBox")->isChecked());
        QVERIFY(child<QCheckBox>(&window, "showBatchBox")->isChecked());
        stroke(QPoint(100, 100));
        QCOMPARE(recorder().frameCount(), 1);
        click(&window, "clearButton");

        recorder().close();  // the user's own close unchecks the box
        QVERIFY(!child<QCheckBox>(&window, "recordBox")->isChecked());
        stroke(QPoint(100, 100));  // not recording: no frame
        QCOMPARE(recorder().frameCount(), 0);
    }

    void sizeLabelsFollowTheTrackBar() {
        MainWindow& window = open();
        window.loadPhoto(data_ + "/chelsea-24bit.bmp");
        child<QTabWidget>(&window, "modePages")->setCurrentIndex(1);
        child<QCheckBox>(&window, "recordBox")->setChecked(true);
        stroke(QPoint(60, 60));
        auto* size = child<QSlider>(&recorder(), "sizeSlider");
        size->setValue(3);
        QCOMPARE(recorder().gifWidth(), 452 * 3 / 10);
        QCOMPARE(recorder().gifHeight(), 301 * 3 / 10);
        size->setValue(0);
        QCOMPARE(child<QLabel>(&recorder(), "widthLabel")->text(), QString("0"));
        QCOMPARE(child<QLabel>(&recorder(), "heightLabel")->text(), QString("0"));
    }

    void saveAnimateWritesTheComposedFrames() {
        MainWindow& window = open();
        window.loadPhoto(data_ + "/chelsea-24bit.bmp");
        child<QTabWidget>(&window, "modePages")->setCurrentIndex(1);
        child<QCheckBox>(&window, "recordBox")->setChecked(true);
        const QString gif = dir_.filePath("strokes.gif");
        dialogs_.animationAnswers = {dir_.filePath("none.gif")};
        click(&recorder(), "saveAnimateButton");  // no frames yet
        QCOMPARE(dialogs_.errors, QStringList{"Unsupported GIF version"});
        QVERIFY(!QFileInfo::exists(dir_.filePath("none.gif")));

        for (int i = 0; i < 3; ++i) stroke(QPoint(60 + 50 * i, 80));
        dialogs_.animationAnswers = {gif};
        click(&recorder(), "saveAnimateButton");
        QCOMPARE(dialogs_.errors.size(), 1);
        const test::DecodedGif decoded = test::decodeGif(fileBytes(gif).toStdString());
        QVERIFY(decoded.ok);
        QCOMPARE(decoded.frames.size(), std::size_t{3});
        Raster composition(452, 301);
        for (int i = 0; i < 3; ++i) {
            drawFrameSkippingWhite(composition, recorder().frame(i));
            QVERIFY(decoded.frames[static_cast<std::size_t>(i)].indices ==
                    ReduceColors(composition).indices);
            QCOMPARE(decoded.frames[static_cast<std::size_t>(i)].delay, 30);
        }
        QCOMPARE(decoded.loopCount, 0);

        // Saved through the MP4 filter, the same frames make a video the players read.
        dialogs_.animationAnswers = {dir_.filePath("strokes.mp4")};
        click(&recorder(), "saveAnimateButton");
        QCOMPARE(dialogs_.errors.size(), 1);
        QCOMPARE(
            std::system(("ffprobe -v error -count_frames -show_entries "
                         "stream=nb_read_frames -of csv=p=0 '" +
                         dir_.filePath("strokes.mp4") + "' > '" + dir_.filePath("frames.txt") + "'")
                            .toLocal8Bit()
                            .constData()),
            0);
        QCOMPARE(fileBytes(dir_.filePath("frames.txt")).trimmed(), QByteArray("3"));

        child<QSlider>(&recorder(), "sizeSlider")->setValue(0);
        dialogs_.animationAnswers = {dir_.filePath("zero.gif")};
        click(&recorder(), "saveAnimateButton");
        QCOMPARE(dialogs_.errors.last(), QString("Invalid pixel coordinates"));
        QVERIFY(!QFileInfo::exists(dir_.filePath("zero.gif")));
        QCOMPARE(recorder().frameCount(), 3);  // the recorder keeps its frames
    }

  private:
    void click(QObject* parent, const char* button) {
        QTest::mouseClick(child<QPushButton>(parent, button), Qt::LeftButton);
    }
};

QTEST_MAIN(ToolWindowsTest)
#include "tool_windows_test.moc"
