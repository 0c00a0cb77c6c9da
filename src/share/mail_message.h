#pragma once

#include <string>
#include <vector>

namespace carbonel {

// What the mail composer hands to the desktop mail client: no recipients (the user adds them
// there), a subject, a text and at most one attached file.
struct MailMessage {
    std::string subject;
    std::string body;
    std::string attachment;  // "" for none
};

// The composer's choice of subjects; the second is selected when it opens.
const std::vector<std::string>& mailSubjects();
inline constexpr int kDefaultSubject = 1;

// The composer's prepared text, line by line.
const std::vector<std::string>& mailTextLines();

// The command line that hands the message to the desktop mail client (xdg-email): subject, body
// and the attachment when there is one; never a recipient.
std::vector<std::string> mailClientArguments(const MailMessage& message);

}  // namespace carbonel
