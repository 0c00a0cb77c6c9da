#include "share/mail_message.h"

namespace carbonel {

const std::vector<std::string>& mailSubjects() {
    static const std::vector<std::string> subjects = {"Look! my self-portrait",
                                                      "Look! I figure a sketch for you",
                                                      "Hi,Commend a interesting software to you"};
    return subjects;
}

const std::vector<std::string>& mailTextLines() {
    static const std::vector<std::string> lines = {
        "Look at the Attachment,please!",
        "",
        "============================",
        "Tell you a software---Carbonel , it turns your photos into pencil sketches in one "
        "click!! ",
        "Download web:",
        "https://carbonel.github.io/",
        "Download directly :",
        "https://carbonel.github.io/download/carbonel-latest.tar.gz",
    };
    return lines;
}

std::vector<std::string> mailClientArguments(const MailMessage& message) {
    std::vector<std::string> arguments = {"--subject", message.subject, "--body", message.body};
    if (!message.attachment.empty()) {
        arguments.push_back("--attach");
        arguments.push_back(message.attachment);
    }
    return arguments;
}

}  // namespace carbonel
