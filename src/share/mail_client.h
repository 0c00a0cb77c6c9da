#pragma once

#include "share/mail_message.h"

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

}  // namespace carbonel
