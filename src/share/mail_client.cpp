#include "share/mail_client.h"

#include <QStringList>

namespace carbonel {

void XdgEmailClient::send(const MailMessage& message, QObject* context, ProcessFailure failed) {
    QStringList arguments;
    for (const std::string& argument : mailClientArguments(message))
        arguments << QString::fromStdString(argument);
    startWatched("xdg-email", arguments, context, std::move(failed));
}

QString mailFailureMessage(const MailMessage& message, const QString& why) {
    QString text = "The mail client could not take the message: xdg-email " + why + ".";
    if (!message.attachment.empty()) {
        text += "\nThe attachment is saved as \"" + QString::fromStdString(message.attachment) +
                "\": attach it by hand.";
    }
    return text;
}

}  // namespace carbonel
