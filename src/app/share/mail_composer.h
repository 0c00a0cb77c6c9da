#pragma once

#include <QDialog>

#include "share/mail_client.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;

namespace carbonel {

class UserDialogs;

// "give your friends a pleasantly surprised!": a subject, an editable text and the attachment
// switch; Start Send hands them to the mail client and leaves the composer open. A client that
// fails is reported with where the attachment is, so it can be attached by hand.
class MailComposer : public QDialog {
  public:
    MailComposer(const QString& attachmentPath, MailClient& client, UserDialogs& dialogs,
                 QWidget* owner);
    // The message as the controls stand now.
    MailMessage message() const;
    void startSend();

  private:
    QString attachmentPath_;
    MailClient& client_;
    UserDialogs& dialogs_;
    QComboBox* subject_;
    QPlainTextEdit* text_;
    QCheckBox* attach_;
};

// Shows a composer for this attachment modally, centred on `centreOn` (the main window; the owner
// when none), and returns when it is closed.
void openMailComposer(QWidget* owner, const QString& attachmentPath, MailClient& client,
                      UserDialogs& dialogs, QWidget* centreOn = nullptr);

}  // namespace carbonel
