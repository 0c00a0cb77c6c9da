// Undo and redo, unsaved work, the desktop's keys and the photo the program is given.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/batch/batch_window.h"
#include "app/main/main_window.h"
#include "app/ui/picture_pane.h"
#include "fakes.h"
#include "imageio/photo_reader.h"
#include "imageio/sketch_writer.h"
#include "sketch/convert.h"
#include "workspace/settings_file.h"

using namespace carbonel;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class EverydayTest : public QObject {
    Q_OBJECT

    test::FakeDialogs dialogs_;
    test::FakeLauncher launcher_;
    std::unique_ptr<MainWindow> window_;
    QTemporaryDir dir_;

    MainWindow& open(const QString& startPhoto = {}, const QString& settingsFile = {}) {
        dialogs_ = {};
        AppEnvironment environment{QCoreApplication::applicationDirPath(), &dialogs_, &launcher_};
        environment.settingsFile = settingsFile;
        environment.startPhoto = startPhoto;
        window_ = std::make_unique<MainWindow>(environment);
        window_->show();
        window_->activateWindow();
        if (!QTest::qWaitForWindowActive(window_.get())) qWarning("the window is not active");
        window_->start();
        return *window_;
    }
    PicturePane* sketchPane() { return test::control<PicturePane>(window_.get(), "sketchPane"); }
    void keys(QKeyCombination combination) {
        QTest::keyClick(window_.get(), combination.key(), combination.keyboardModifiers());
    }
    // A stroke from `from`, five pixels right at each of `moves` moves.
    void stroke(QPoint from, int moves = 10) {
        QTest::mousePress(sketchPane(), Qt::LeftButton, {}, from);
        for (int i = 1; i <= moves; ++i) {
            const QPoint at = from + QPoint(5 * i, i % 3);
            QMouseEvent move(QEvent::MouseMove, at, sketchPane()->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, {});
            QApplication::sendEvent(sketchPane(), &move);
        }
        QTest::mouseRelease(sketchPane(), Qt::LeftButton, {}, from + QPoint(5 * moves, 0));
    }
    void toFreehand() { test::control<QTabWidget>(window_.get(), "modePages")->setCurrentIndex(1); }

  private slots:
    void undoAndRedoGiveEachStepExactly() {
        MainWindow& window = open();
        QTest::mouseClick(test::control<QPushButton>(&window, "convertButton"), Qt::LeftButton);
        const Raster converted = window.document().sketch();
        toFreehand();
        stroke(QPoint(40, 60));
        const Raster stroked = window.document().sketch();
        QVERIFY(!(stroked == converted));
        keys(Qt::CTRL | Qt::Key_Z);
        QVERIFY(window.document().sketch() == converted);
        keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
        QVERIFY(window.document().sketch() == stroked);
        keys(Qt::CTRL | Qt::Key_Z);
        keys(Qt::CTRL | Qt::Key_Y);
        QVERIFY(window.document().sketch() == stroked);

        // Open takes the photo and the sketch along; undone, both come back.
        const Raster photo = window.document().photo();
        QImage other(120, 90, QImage::Format_RGB888);
        other.fill(Qt::darkCyan);
        QVERIFY(other.save(dir_.filePath("other.png")));
        dialogs_.openAnswers.push_back(dir_.filePath("other.png"));
        dialogs_.saveQuestionAnswers.push_back(UserDialogs::SaveAnswer::Discard);
        keys(Qt::CTRL | Qt::Key_O);
        QCOMPARE(dialogs_.openDialogs, 1);
        QCOMPARE(dialogs_.saveQuestions, 1);  // the stroke was never saved
        QCOMPARE(window.document().photo().width(), 120);
        QVERIFY(window.document().sketch().isEmpty());
        keys(Qt::CTRL | Qt::Key_Z);
        QVERIFY(window.document().photo() == photo);
        QVERIFY(window.document().sketch() == stroked);

        // A first stroke on a fresh white sheet is undone to no sketch at all, and redone.
        window.loadPhoto(dir_.filePath("other.png"));
        window.document().forgetHistory();
        stroke(QPoint(20, 20), 4);
        const Raster first = window.document().sketch();
        keys(Qt::CTRL | Qt::Key_Z);
        QVERIFY(window.document().sketch().isEmpty());
        keys(Qt::CTRL | Qt::Key_Y);
        QVERIFY(window.document().sketch() == first);
        // A number typed into a box with Enter, then a stroke: Ctrl+Z still undoes the stroke.
        auto* box = test::control<QLineEdit>(&window, "precisionEdit");
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, "150");
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(test::control<QSlider>(&window, "precisionSlider")->value(), 150);
        QVERIFY(QApplication::focusWidget() != box);
        box->setFocus();  // a press on the sketch takes the keyboard from the box too
        test::control<QRadioButton>(&window, "brushButton")
            ->setChecked(true);  // paints the flat photo
        stroke(QPoint(30, 30), 4);
        QVERIFY(QApplication::focusWidget() != box);
        QVERIFY(!(window.document().sketch() == first));
        keys(Qt::CTRL | Qt::Key_Z);
        QVERIFY(window.document().sketch() == first);
    }

    void aHundredUndosReturnToTheConvertedSketch() {
        MainWindow& window = open();
        QTest::mouseClick(test::control<QPushButton>(&window, "convertButton"), Qt::LeftButton);
        const Raster converted = window.document().sketch();
        toFreehand();
        for (int i = 0; i < SketchDocument::kHistorySteps; ++i)
            stroke(QPoint(20 + (i * 37) % 150, 20 + (i * 53) % 100), 3);
        QCOMPARE(static_cast<int>(window.document().stepCount()), SketchDocument::kHistorySteps);
        for (int i = 0; i < SketchDocument::kHistorySteps; ++i) keys(Qt::CTRL | Qt::Key_Z);
        QVERIFY(window.document().sketch() == converted);
    }

    void unsavedWorkIsAskedAbout() {
        MainWindow& window = open();
        QVERIFY(window.close());  // nothing drawn: no question
        QCOMPARE(dialogs_.saveQuestions, 0);

        open();
        toFreehand();
        stroke(QPoint(40, 60));
        dialogs_.saveQuestionAnswers.push_back(UserDialogs::SaveAnswer::Cancel);
        QVERIFY(!window_->close());
        QVERIFY(window_->isVisible());
        QCOMPARE(dialogs_.saveQuestions, 1);
        // Save runs the Save command; once saved, the window closes without another question.
        dialogs_.saveQuestionAnswers.push_back(UserDialogs::SaveAnswer::Save);
        dialogs_.saveAnswers.push_back({dir_.filePath("kept"), 2});
        keys(Qt::CTRL | Qt::Key_Q);
        QVERIFY(!window_->isVisible());
        QCOMPARE(dialogs_.saveQuestions, 2);
        QVERIFY(loadPicture(dir_.filePath("kept.bmp").toStdString()) ==
                window_->document().sketch());
    }

    // Save appends the filter's extension after the dialog closed: the name that gets it is asked
    // about too, and No returns to the dialog.
    void aNameGivenItsExtensionIsAskedAboutBeforeItIsReplaced() {
        QVERIFY(QFile::copy(QString(CARBONEL_TEST_DATA) + "/chelsea-8bit.bmp",
                            dir_.filePath("cat.bmp")));
        const QByteArray photo = fileBytes(dir_.filePath("cat.bmp"));
        open(dir_.filePath("cat.bmp"));
        QTest::mouseClick(test::control<QPushButton>(window_.get(), "convertButton"),
                          Qt::LeftButton);
        dialogs_.saveAnswers = {{dir_.filePath("cat"), 2}, {dir_.filePath("cat2"), 2}};
        keys(Qt::CTRL | Qt::Key_S);
        QCOMPARE(dialogs_.replaceQuestions, QStringList{dir_.filePath("cat.bmp")});
        QCOMPARE(dialogs_.proposedNames.last(), dir_.filePath("cat"));  // back to the dialog
        QVERIFY(fileBytes(dir_.filePath("cat.bmp")) == photo);
        QVERIFY(loadPicture(dir_.filePath("cat2.bmp").toStdString()) ==
                window_->document().sketch());
        // Yes replaces it.
        dialogs_.saveAnswers = {{dir_.filePath("cat"), 2}};
        dialogs_.replaceAnswers = {true};
        keys(Qt::CTRL | Qt::Key_S);
        QVERIFY(loadPicture(dir_.filePath("cat.bmp").toStdString()) ==
                window_->document().sketch());
    }

    // Showing a batch photo and Convert All ask about unsaved work as Open does, and the batch is
    // one step of the history.
    void theBatchAsksBeforeItReplacesUnsavedWork() {
        MainWindow& window = open();
        const QString tree = dir_.filePath("batch");
        QDir().mkpath(tree);
        QFile::copy(QString(CARBONEL_TEST_DATA) + "/chelsea.jpg", tree + "/a.jpg");
        QFile::copy(QString(CARBONEL_TEST_DATA) + "/coffee.jpg", tree + "/b.jpg");
        const QString out = dir_.filePath("batch-out");
        QDir().mkpath(out);
        toFreehand();
        stroke(QPoint(40, 60));
        const Raster photo = window.document().photo(), stroked = window.document().sketch();
        BatchWindow& batch = *window.batchWindow();
        test::control<QCheckBox>(&window, "showBatchBox")->setChecked(true);
        batch.addSourceFolder(tree);
        batch.setOutputFolder(out);
        auto* list = test::control<QListWidget>(&batch, "sourceList");
        auto clickRow = [&](int row) {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(row)).center());
        };
        auto* convertAll = test::control<QPushButton>(&batch, "convertAllButton");

        dialogs_.saveQuestionAnswers = {UserDialogs::SaveAnswer::Cancel};
        clickRow(1);
        QCOMPARE(dialogs_.saveQuestions, 1);
        QVERIFY(window.document().photo() == photo && window.document().sketch() == stroked);
        dialogs_.saveQuestionAnswers = {UserDialogs::SaveAnswer::Cancel};
        QTest::mouseClick(convertAll, Qt::LeftButton);
        QCOMPARE(dialogs_.saveQuestions, 2);
        QVERIFY(!batch.running());
        QVERIFY(QDir(out).isEmpty());
        QVERIFY(window.document().sketch() == stroked);

        dialogs_.saveQuestionAnswers = {UserDialogs::SaveAnswer::Discard};
        clickRow(0);
        QCOMPARE(dialogs_.saveQuestions, 3);
        QVERIFY(!(window.document().photo() == photo));
        keys(Qt::CTRL | Qt::Key_Z);  // the preview was a step
        QVERIFY(window.document().photo() == photo && window.document().sketch() == stroked);

        QSignalSpy finished(&batch, &BatchWindow::finished);
        dialogs_.saveQuestionAnswers = {UserDialogs::SaveAnswer::Discard};
        QTest::mouseClick(convertAll, Qt::LeftButton);
        QVERIFY(finished.count() == 1 || finished.wait(20000));
        QCOMPARE(QDir(out).entryList(QDir::Files).size(), 2);
        QVERIFY(!(window.document().sketch() == stroked));
        keys(Qt::CTRL | Qt::Key_Z);  // one step for the whole batch
        QVERIFY(window.document().photo() == photo && window.document().sketch() == stroked);
        dialogs_.saveQuestionAnswers = {UserDialogs::SaveAnswer::Cancel};
        QVERIFY(!window.close());  // the stroke is unsaved again
        QCOMPARE(dialogs_.saveQuestions, 5);
    }

    // Edit&Print hands over the file last saved; when the sketch changed since, Save writes it
    // again first.
    void editAndPrintHandsOverTheNewerSketch() {
        MainWindow& window = open();
        toFreehand();
        stroke(QPoint(40, 60));
        dialogs_.saveAnswers = {{dir_.filePath("edit"), 1}};
        keys(Qt::CTRL | Qt::Key_S);
        const QByteArray first = fileBytes(dir_.filePath("edit.jpg"));
        stroke(QPoint(40, 90));
        dialogs_.saveQuestionAnswers = {UserDialogs::SaveAnswer::Cancel};
        QTest::mouseClick(test::control<QPushButton>(&window, "editButton"), Qt::LeftButton);
        QCOMPARE(dialogs_.saveQuestions, 1);
        QVERIFY(launcher_.started.isEmpty());
        dialogs_.saveQuestionAnswers = {UserDialogs::SaveAnswer::Save};
        QTest::mouseClick(test::control<QPushButton>(&window, "editButton"), Qt::LeftButton);
        QCOMPARE(dialogs_.saveQuestions, 2);
        QCOMPARE(launcher_.started.size(), 1);
        QCOMPARE(launcher_.started.first().last(), dir_.filePath("edit.jpg"));
        const Raster& sketch = window.document().sketch();
        writeSketchFile(sketch, dir_.filePath("expected.jpg").toStdString(), OutputFormat::Jpeg,
                        sketch.width() - 1, sketch.height() - 1);
        QVERIFY(fileBytes(dir_.filePath("edit.jpg")) == fileBytes(dir_.filePath("expected.jpg")));
        QVERIFY(fileBytes(dir_.filePath("edit.jpg")) != first);
        QTest::mouseClick(test::control<QPushButton>(&window, "editButton"), Qt::LeftButton);
        QCOMPARE(dialogs_.saveQuestions, 2);  // saved: no question
    }

    // What is typed into the Brush, Precision and Line boxes is taken, within the sliders' ranges.
    void theBoxesTakeTypedValues() {
        MainWindow& window = open();
        toFreehand();
        auto type = [&](const char* box, const QString& text) {
            auto* edit = test::control<QLineEdit>(&window, box);
            QTest::mouseClick(edit, Qt::LeftButton);
            QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(edit, text);
            QTest::keyClick(edit, Qt::Key_Return);
            return edit->text();
        };
        auto* brush = test::control<QSlider>(&window, "brushSlider");
        QCOMPARE(type("brushEdit", "50"), QString("50"));
        QCOMPARE(brush->value(), 50);
        QCOMPARE(test::control<QWidget>(&window, "outline")->width(), 2 * 50);  // the ring
        QCOMPARE(type("brushEdit", "99"), QString("62"));                       // the slider's end
        QCOMPARE(type("brushEdit", "big"), QString("62"));  // not a number: the slider's value
        QCOMPARE(brush->value(), 62);
        test::control<QTabWidget>(&window, "modePages")->setCurrentIndex(0);
        QCOMPARE(type("precisionEdit", "120"), QString("120"));
        QCOMPARE(type("lineEdit", "0"), QString("1"));
        QCOMPARE(test::control<QSlider>(&window, "precisionSlider")->value(), 120);
        QTest::mouseClick(test::control<QPushButton>(&window, "convertButton"), Qt::LeftButton);
        ConversionOptions options;
        options.precision = 120;
        QVERIFY(window.document().sketch() == convertPhoto(window.document().photo(), options));
    }

    void whatWasSetSurvivesARestart() {
        const QString ini = dir_.filePath("carbonel.INI");
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Other]\nKeep=me\n[Settings]\nLine=99\nStyle=Crayon\nBrushSize=x\n");
        file.close();
        open({}, ini);
        auto* precision = test::control<QSlider>(window_.get(), "precisionSlider");
        auto* line = test::control<QSlider>(window_.get(), "lineSlider");
        auto* brush = test::control<QSlider>(window_.get(), "brushSlider");
        auto* paper = test::control<QComboBox>(window_.get(), "textureSelector");
        // Bad values read as the start values.
        QCOMPARE(line->value(), 1);
        QCOMPARE(brush->value(), 32);
        QVERIFY(test::control<QRadioButton>(window_.get(), "pencilButton")->isChecked());
        QVERIFY(paper->count() > 2);

        precision->setValue(120);
        line->setValue(4);
        brush->setValue(8);
        test::control<QRadioButton>(window_.get(), "penButton")->setChecked(true);
        test::control<QRadioButton>(window_.get(), "stretchButton")->setChecked(true);
        paper->setCurrentIndex(2);
        window_->resize(800, 700);
        QVERIFY(window_->close());
        open({}, ini);
        QCOMPARE(test::control<QSlider>(window_.get(), "precisionSlider")->value(), 120);
        QCOMPARE(test::control<QSlider>(window_.get(), "lineSlider")->value(), 4);
        QCOMPARE(test::control<QSlider>(window_.get(), "brushSlider")->value(), 8);
        QVERIFY(test::control<QRadioButton>(window_.get(), "penButton")->isChecked());
        QVERIFY(test::control<QRadioButton>(window_.get(), "stretchButton")->isChecked());
        QCOMPARE(test::control<QComboBox>(window_.get(), "textureSelector")->currentIndex(), 2);
        QVERIFY(!window_->texturePaper().isEmpty());
        QCOMPARE(window_->size(), QSize(800, 700));
        QCOMPARE(readIniValue(ini.toStdString(), "Other", "Keep"),
                 std::optional<std::string>("me"));
    }

    void theGivenPhotoOpensInsteadOfTheStartPicture() {
        QImage portrait(90, 160, QImage::Format_RGB888);
        portrait.fill(Qt::white);
        for (int y = 0; y < 80; ++y) portrait.setPixelColor(10, y, Qt::darkRed);
        QVERIFY(portrait.save(dir_.filePath("portrait.png")));
        MainWindow& window = open(dir_.filePath("portrait.png"));
        QVERIFY(window.document().photo() ==
                loadPicture(dir_.filePath("portrait.png").toStdString()));
        QCOMPARE(window.document().photo().height(), 160);
        // A photo that cannot be read is reported, and the start picture opens instead.
        open(dir_.filePath("missing.png"));
        QCOMPARE(dialogs_.errors.size(), 1);
        QVERIFY(window_->document().photo() ==
                loadPicture((QCoreApplication::applicationDirPath() + "/4.jpg").toStdString()));
    }

    void livePreviewFollowsTheSettingsAsOneUndoStep() {
        MainWindow& window = open();
        QTest::mouseClick(test::control<QPushButton>(&window, "convertButton"), Qt::LeftButton);
        const Raster before = window.document().sketch();
        auto* precision = test::control<QSlider>(&window, "precisionSlider");
        // A drag: many positions while the bar is held, the newest one shown at the end.
        precision->setSliderDown(true);
        for (int value = 165; value >= 120; value -= 5) precision->setValue(value);
        precision->setSliderDown(false);
        QTRY_VERIFY_WITH_TIMEOUT(!window.livePreviewBusy(), 10000);
        ConversionOptions options;
        options.precision = 120;
        options.style = PenStyle::Pencil;
        const Raster expected = convertPhoto(window.document().photo(), options);
        QVERIFY(window.document().sketch() == expected);
        QVERIFY(window.document().changedSinceSaved());
        keys(Qt::CTRL | Qt::Key_Z);
        QVERIFY(window.document().sketch() == before);
        keys(Qt::CTRL | Qt::Key_Y);
        QVERIFY(window.document().sketch() == expected);

        // A style and a paper count as settings too.
        test::control<QRadioButton>(&window, "penButton")->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(!window.livePreviewBusy(), 10000);
        options.style = PenStyle::Pen;
        QVERIFY(window.document().sketch() == convertPhoto(window.document().photo(), options));

        // A conversion overtaken by Open is never shown.
        precision->setValue(130);
        QVERIFY(window.openPhotoFile(QString(CARBONEL_TEST_DATA) + "/coffee.jpg"));
        QTRY_VERIFY_WITH_TIMEOUT(!window.livePreviewBusy(), 10000);
        QVERIFY(window.document().sketch().isEmpty());

        // Without Live, or on the Freehand page, moving a setting converts nothing.
        test::control<QCheckBox>(&window, "liveBox")->setChecked(false);
        precision->setValue(140);
        QVERIFY(!window.livePreviewBusy());
        test::control<QCheckBox>(&window, "liveBox")->setChecked(true);
        toFreehand();
        precision->setValue(150);
        QVERIFY(!window.livePreviewBusy());
    }

    void clipboardCarriesTheSketchOutAndPhotosIn() {
        MainWindow& window = open();
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->setText("not a picture");
        keys(Qt::CTRL | Qt::Key_C);
        QCOMPARE(dialogs_.messages, QStringList{"There is no sketch to copy."});
        keys(Qt::CTRL | Qt::Key_V);
        QCOMPARE(dialogs_.messages.last(), QString("The clipboard holds no picture."));

        QTest::mouseClick(test::control<QPushButton>(&window, "convertButton"), Qt::LeftButton);
        keys(Qt::CTRL | Qt::Key_C);
        const Raster& sketch = window.document().sketch();
        const QImage copied = clipboard->image().convertToFormat(QImage::Format_BGR888);
        QCOMPARE(copied.size(), QSize(sketch.width(), sketch.height()));
        for (int y = 0; y < sketch.height(); ++y) {
            QVERIFY(std::memcmp(copied.constScanLine(y), sketch.rowUnchecked(y),
                                static_cast<std::size_t>(sketch.width()) * 3) == 0);
        }

        // A picture with transparent parts becomes a photo on white, after the unsaved question.
        QImage picture(30, 20, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        picture.setPixelColor(3, 4, QColor(10, 200, 30));
        clipboard->setImage(picture);
        keys(Qt::CTRL | Qt::Key_V);
        QCOMPARE(dialogs_.saveQuestions, 1);
        const Raster& photo = window.document().photo();
        QCOMPARE(photo.width(), 30);
        const std::uint8_t* green = photo.rowUnchecked(4) + 3 * 3;
        const std::uint8_t* white = photo.rowUnchecked(0);
        QCOMPARE((std::vector<int>{green[0], green[1], green[2], white[0], white[1], white[2]}),
                 (std::vector<int>{30, 200, 10, 255, 255, 255}));
        keys(Qt::CTRL | Qt::Key_Z);  // undoable as Open is
        QCOMPARE(window.document().photo().width(), sketch.width() - 1);

        // A copied photo file opens as Open would open it.
        auto* files = new QMimeData;
        files->setUrls({QUrl::fromLocalFile(QString(CARBONEL_TEST_DATA) + "/chelsea.jpg")});
        clipboard->setMimeData(files);
        keys(Qt::CTRL | Qt::Key_V);
        QCOMPARE(window.document().photo().width(), 451);
    }

    void recentPhotosAreKeptNewestFirstAndMissingOnesDropped() {
        const QString settings = dir_.filePath("recent.INI");
        QStringList photos;
        for (const char* name : {"chelsea.jpg", "coffee.jpg", "rocket.jpg"}) {
            photos << dir_.filePath(name);
            QFile::remove(photos.last());
            QVERIFY(QFile::copy(QString(CARBONEL_TEST_DATA) + "/" + name, photos.last()));
        }
        MainWindow& first = open({}, settings);
        for (const QString& photo : photos) QVERIFY(first.openPhotoFile(photo));
        QVERIFY(first.openPhotoFile(photos[1]));  // opened again: first once, not twice
        first.close();
        window_.reset();

        MainWindow& second = open({}, settings);
        QMenu* menu = test::control<QMenu>(&second, "recentMenu");
        emit menu->aboutToShow();
        QStringList listed;
        for (QAction* action : menu->actions()) listed << action->toolTip();
        QCOMPARE(listed, (QStringList{photos[1], photos[2], photos[0]}));
        QFile::remove(photos[2]);
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), 2);
        menu->actions().last()->trigger();
        QCOMPARE(second.document().photo().width(), 451);
        QCOMPARE(QString::fromStdString(second.recentPhotos().front()), photos[0]);
    }
};

QTEST_MAIN(EverydayTest)
#include "everyday_test.moc"
