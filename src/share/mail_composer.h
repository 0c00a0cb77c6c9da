#pragma once

#include <QDialog>

#include "share/mail_message.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;

namespace carbonel {

// Hands a message to the desktop mail client; tests replace it.
class MailClient {
  public:
    virtual ~MailClient() = default;
    // What the mail client does with it (sent, cancelled, failed, no client at all) is not looked
    // at.
    virtual void send(const MailMessage& message) = 0;
};

// The desktop's mail client through xdg-email, started detached.
class XdgEmailClient : public MailClient {
  public:
    void send(const MailMessage& message) override;
};

// "give your friends a pleasantly surprised!": a subject, an editable text and the attachment
// switch; Start Send hands them to the mail client and leaves the composer open.
class MailComposer : public QDialog {
  public:
    MailComposer(const QString& attachmentPath, MailClient& client, QWidget* owner);
    // The message as the controls stand now.
    MailMessage message() const;
    void startSend();

  private:
    QString attachmentPath_;
    MailClient& client_;
    QComboBox* subject_;
    QPlainTextEdit* text_;
    QCheckBox* attach_;
};

// Shows a composer for this attachment modally and returns when it is closed.
void openMailComposer(QWidget* owner, const QString& attachmentPath, MailClient& client);

}  // namespace carbonel
