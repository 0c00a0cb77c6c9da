#include "app/share/mail_composer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>

#include "app/ui/dialogs.h"
#include "app/ui/ui_styles.h"

namespace carbonel {

MailComposer::MailComposer(const QString& attachmentPath, MailClient& client, UserDialogs& dialogs,
                           QWidget* owner)
    : QDialog(owner), attachmentPath_(attachmentPath), client_(client), dialogs_(dialogs) {
    setObjectName("mailComposer");
    setWindowTitle("give your friends a pleasantly surprised!");
    setFixedSize(425, 296);
    applyUiStyle(this, kDesignedStyle);  // the composer keeps its own look

    auto* subjectLabel = new QLabel("Subject :", this);
    subjectLabel->move(26, 33);
    subject_ = new QComboBox(this);
    subject_->setObjectName("subject");
    for (const std::string& subject : mailSubjects())
        subject_->addItem(QString::fromStdString(subject));
    subject_->setCurrentIndex(kDefaultSubject);
    subject_->setGeometry(26, 48, 367, 24);
    auto* textLabel = new QLabel("Content :", this);
    textLabel->move(24, 76);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("text");
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList lines;
    for (const std::string& line : mailTextLines()) lines << QString::fromStdString(line);
    text_->setPlainText(lines.join('\n'));
    text_->setGeometry(24, 88, 369, 83);
    auto* group = new QGroupBox("Attachment Content", this);
    group->setGeometry(24, 184, 369, 49);
    attach_ = new QCheckBox("Current Sketch", group);
    attach_->setObjectName("attach");
    attach_->move(17, 16);
    attach_->setChecked(true);
    auto* send = new QPushButton("Start Send", this);
    send->setObjectName("startSendButton");
    send->setGeometry(165, 248, 75, 25);
    connect(send, &QPushButton::clicked, this, &MailComposer::startSend);
}

MailMessage MailComposer::message() const {
    MailMessage message;
    message.subject = subject_->currentText().toStdString();
    message.body = text_->toPlainText().toStdString();
    if (attach_->isChecked()) message.attachment = attachmentPath_.toStdString();
    return message;
}

void MailComposer::startSend() {
    const MailMessage sent = message();
    // The client may fail after the composer has closed: its owner hears of it then.
    QWidget* owner = parentWidget() ? parentWidget() : this;
    client_.send(
        sent, owner,
        [composer = QPointer<QWidget>(this), owner, &dialogs = dialogs_, sent](const QString& why) {
            dialogs.message(composer ? composer.data() : owner, mailFailureMessage(sent, why));
        });
}

void openMailComposer(QWidget* owner, const QString& attachmentPath, MailClient& client,
                      UserDialogs& dialogs, QWidget* centreOn) {
    MailComposer composer(attachmentPath, client, dialogs, owner);
    keepAboveOwner(composer, owner);
    if (!centreOn) centreOn = owner;
    if (centreOn) composer.move(centreOn->frameGeometry().center() - composer.rect().center());
    composer.exec();
}

}  // namespace carbonel
