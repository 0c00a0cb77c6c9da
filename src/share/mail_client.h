#pragma once

#include <QObject>

#include "share/mail_message.h"
#include "share/watched_process.h"

namespace carbonel {

// Hands a message to the desktop mail client; tests replace it.
class MailClient {
  public:
    virtual ~MailClient() = default;
    // `failed` hears, while `context` lives, why the client could not take the message.
    virtual void send(const MailMessage& message, QObject* context, ProcessFailure failed) = 0;
};

// The desktop's mail client through xdg-email.
class XdgEmailClient : public MailClient {
  public:
    void send(const MailMessage& message, QObject* context, ProcessFailure failed) override;
};

// What the composer says when the mail client failed: why, and where the attachment is saved so
// it can be attached by hand.
QString mailFailureMessage(const MailMessage& message, const QString& why);

}  // namespace carbonel
