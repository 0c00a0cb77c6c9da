#pragma once

#include <QObject>
#include <QStringList>
#include <deque>
#include <vector>

#include "app/share/mail_composer.h"
#include "app/ui/dialogs.h"
#include "share/editor_launcher.h"

namespace carbonel::test {

// The control of that name under `parent`; the test stops when there is none.
template <typename T>
T* control(QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(name);
    if (!found) qFatal("no control named %s", name);
    return found;
}

// Dialogs answered by the test: queued answers, and a record of what was shown.
class FakeDialogs : public UserDialogs {
  public:
    std::deque<QString> openAnswers;
    std::deque<SaveChoice> saveAnswers;  // none left: the dialog is cancelled
    QStringList messages;
    QStringList errors;
    QStringList proposedNames;
    QList<int> proposedFilters;

    static QString next(std::deque<QString>& answers) {
        if (answers.empty()) return {};
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
    int openDialogs = 0;
    QString openPicture(QWidget*) override {
        ++openDialogs;
        return next(openAnswers);
    }
    std::optional<SaveChoice> savePicture(QWidget*, const QString& proposedName,
                                          int filterIndex) override {
        proposedNames << proposedName;
        proposedFilters << filterIndex;
        if (saveAnswers.empty()) return std::nullopt;
        const SaveChoice answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    std::deque<QString> folderAnswers;
    std::deque<QString> animationAnswers;
    QString chooseFolder(QWidget*) override { return next(folderAnswers); }
    QString saveAnimation(QWidget*) override { return next(animationAnswers); }
    std::deque<bool> replaceAnswers;  // none left: No
    QStringList replaceQuestions;
    bool confirmReplace(QWidget*, const QString& name) override {
        replaceQuestions << name;
        if (replaceAnswers.empty()) return false;
        const bool answer = replaceAnswers.front();
        replaceAnswers.pop_front();
        return answer;
    }
    std::deque<SaveAnswer> saveQuestionAnswers;  // none left: Discard
    int saveQuestions = 0;
    SaveAnswer askToSaveSketch(QWidget*) override {
        ++saveQuestions;
        if (saveQuestionAnswers.empty()) return SaveAnswer::Discard;
        const SaveAnswer answer = saveQuestionAnswers.front();
        saveQuestionAnswers.pop_front();
        return answer;
    }
    void message(QWidget*, const QString& text) override { messages << text; }
    void error(QWidget*, const QString& text) override { errors << text; }
};

class FakeMail : public MailClient {
  public:
    std::vector<MailMessage> sent;
    QString failure;  // what the client says when it fails; "" when it takes the message
    void send(const MailMessage& message, QObject*, ProcessFailure failed) override {
        sent.push_back(message);
        if (!failure.isEmpty()) failed(failure);
    }
};

class FakeLauncher : public ProcessLauncher {
  public:
    QString failure;  // what a started program fails with; "" when it succeeds
    QStringList installed;
    QList<QStringList> started;  // program, then its arguments

    void start(const QString& program, const QStringList& arguments, QObject*,
               ProcessFailure failed) override {
        started << (QStringList{program} + arguments);
        if (!failure.isEmpty()) failed(failure);
    }
    bool isInstalled(const QString& program) const override { return installed.contains(program); }
};

}  // namespace carbonel::test
