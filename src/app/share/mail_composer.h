#pragma once

#include <QDialog>

#include "share/mail_client.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;

namespace carbonel {

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

// Shows a composer for this attachment modally, centred on `centreOn` (the main window; the owner
// when none), and returns when it is closed.
void openMailComposer(QWidget* owner, const QString& attachmentPath, MailClient& client,
                      QWidget* centreOn = nullptr);

}  // namespace carbonel
