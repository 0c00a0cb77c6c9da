// Every caption of every window fits its control, in each of the five looks.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyleOption>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

#include "app/batch/batch_window.h"
#include "app/main/main_window.h"
#include "app/recorder/recorder_window.h"
#include "app/ui/ui_styles.h"
#include "fakes.h"

using namespace carbonel;

namespace {

// The text as shown: "&" marks the accelerator, "&&" is one ampersand.
QString shown(QString text) {
    return text.replace("&&", "\x01").remove('&').replace('\x01', '&');
}

QString describe(const QWidget* control, const QString& text, int needed, int room) {
    return QString("%1 %2 \"%3\": needs %4, has %5")
        .arg(control->window()->objectName(), control->metaObject()->className(), text)
        .arg(needed)
        .arg(room);
}

// What does not fit in one window: captions wider than their control's contents rectangle, lists
// too narrow for their longest item and arrow, frame lists that scroll sideways.
QStringList clippedIn(QWidget* window) {
    QStringList clipped;
    auto check = [&](const QWidget* control, const QString& text, int room) {
        const int needed = control->fontMetrics().horizontalAdvance(text);
        if (needed > room) clipped << describe(control, text, needed, room);
    };
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(window)) continue;
        QStyle* style = control->style();
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            QStyleOptionButton option;
            option.initFrom(button);
            option.text = button->text();
            QStyle::SubElement contents = QStyle::SE_PushButtonContents;
            if (qobject_cast<QCheckBox*>(button)) contents = QStyle::SE_CheckBoxContents;
            if (qobject_cast<QRadioButton*>(button)) contents = QStyle::SE_RadioButtonContents;
            check(button, shown(button->text()),
                  style->subElementRect(contents, &option, button).width());
        } else if (auto* label = qobject_cast<QLabel*>(control)) {
            if (label->text().isEmpty() || !label->pixmap().isNull()) continue;
            const QRect room = label->contentsRect();
            const QRect used = label->fontMetrics().boundingRect(
                room, int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0),
                label->text());
            if (used.width() > room.width() || used.height() > room.height())
                clipped << describe(label, label->text(), used.width(), room.width());
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            QStyleOptionComboBox option;
            option.initFrom(list);
            option.subControls = QStyle::SC_All;
            const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, list);
            const QRect arrow =
                style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, list);
            if (arrow.isEmpty() || !list->rect().contains(arrow))
                clipped << describe(list, "(arrow)", 0, 0);
            for (int item = 0; item < list->count(); ++item)
                check(list, list->itemText(item), field.width());
        } else if (auto* tabs = qobject_cast<QTabBar*>(control)) {
            for (int tab = 0; tab < tabs->count(); ++tab) {
                if (!tabs->rect().contains(tabs->tabRect(tab)))
                    clipped << describe(tabs, tabs->tabText(tab), 0, 0);
            }
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            QStyleOptionGroupBox option;
            option.initFrom(group);
            option.text = group->title();
            option.subControls = QStyle::SC_GroupBoxLabel;
            check(
                group, group->title(),
                style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group)
                        .width() +
                    1);
        } else if (auto* frames = qobject_cast<QListWidget*>(control)) {
            // Paths in the batch list are the user's; the frame list holds only its thumbnails.
            if (frames->objectName() == "frameList" && frames->horizontalScrollBar()->isVisible())
                clipped << describe(frames, "(scrolls sideways)", 0, 0);
        }
    }
    return clipped;
}

}  // namespace

class CaptionsTest : public QObject {
    Q_OBJECT

  private slots:
    void everyCaptionFitsInEveryLook() {
        test::FakeDialogs dialogs;
        test::FakeLauncher launcher;
        test::FakeMail mail;
        MainWindow window(AppEnvironment{QCoreApplication::applicationDirPath(), &dialogs,
                                         &launcher, &mail, QString(), QDir::tempPath()});
        window.show();
        window.start();
        window.setObjectName("mainWindow");
        test::control<QCheckBox>(&window, "showBatchBox")->setChecked(true);
        test::control<QTabWidget>(&window, "modePages")->setCurrentIndex(1);
        test::control<QCheckBox>(&window, "recordBox")->setChecked(true);
        QTest::mousePress(test::control<QWidget>(&window, "sketchPane"), Qt::LeftButton, {},
                          QPoint(40, 40));
        QTest::mouseRelease(test::control<QWidget>(&window, "sketchPane"), Qt::LeftButton, {},
                            QPoint(40, 40));  // a frame in the recorder's list
        QStringList clipped;
        for (int look = 0; look < kUiStyleCount; ++look) {
            test::control<QComboBox>(&window, "uiStyleSelector")->setCurrentIndex(look);
            QCoreApplication::processEvents();
            for (QWidget* shownWindow :
                 {static_cast<QWidget*>(&window), static_cast<QWidget*>(window.batchWindow()),
                  static_cast<QWidget*>(window.recorderWindow())}) {
                for (const QString& line : clippedIn(shownWindow))
                    clipped << uiStyleNames()[look] + ": " + line;
            }
        }
        // The composer keeps its own look.
        window.convert();
        QTimer::singleShot(0, [&] {
            QWidget* composer = QApplication::activeModalWidget();
            if (!composer) return;
            clipped << clippedIn(composer);
            composer->close();
        });
        QTest::mouseClick(test::control<QPushButton>(&window, "sendButton"), Qt::LeftButton);
        clipped.removeDuplicates();
        for (const QString& line : clipped) qWarning("%s", qPrintable(line));
        QVERIFY2(clipped.isEmpty(), "captions do not fit (listed above)");
    }
};

QTEST_MAIN(CaptionsTest)
#include "captions_test.moc"
