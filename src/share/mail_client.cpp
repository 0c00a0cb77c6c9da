#include "share/mail_client.h"

#include <QProcess>
#include <QStringList>

namespace carbonel {

void XdgEmailClient::send(const MailMessage& message) {
    QStringList arguments;
    for (const std::string& argument : mailClientArguments(message))
        arguments << QString::fromStdString(argument);
    QProcess::startDetached("xdg-email", arguments);
}

}  // namespace carbonel
