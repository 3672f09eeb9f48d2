#pragma once

// Test doubles of the platform services: each records what it was asked and answers from
// a script the test sets up in advance. TFakePlatform holds one of each.

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/platform_services.h"

enum TMessageKind { mkError, mkMessage, mkConfirm, mkChoose };

struct TMessageCall {
    TMessageKind Kind;
    QString Text;
};

class TFakeMessageService : public IMessageService {
public:
    void ShowError(const QString& text) override;
    void ShowMessage(const QString& text) override;
    bool Confirm(const QString& question) override;
    int Choose(const QString& question, const QStringList& choices) override;

    // The texts of the boxes of one kind, in the order shown.
    QStringList Texts(TMessageKind kind) const;

    std::vector<TMessageCall> Calls;
    // Answers of the next confirmations; when none is left, DefaultAnswer.
    std::deque<bool> ConfirmAnswers;
    bool DefaultAnswer = false;
    // Answers of the next choice questions (the index of a choice); when none is left,
    // the last choice, as Escape would. The choices offered, one list per question.
    std::deque<int> ChooseAnswers;
    std::vector<QStringList> Choices;
    // Runs while a box is "open", after it was recorded (for looking at the program's
    // state at that moment, or for failing a test that expects no box).
    std::function<void(const TMessageCall&)> OnShow;
};

class TFakeDialogService : public IDialogService {
public:
    bool OpenFile(TFileDialogOptions& options) override;
    bool SaveFile(TFileDialogOptions& options) override;
    bool SelectFont(TFont& font) override;

    // Answers of the next dialogs: a file name or font chooses it, std::nullopt cancels.
    // An empty script cancels too.
    std::deque<std::optional<QString>> OpenAnswers;
    std::deque<std::optional<QString>> SaveAnswers;
    std::deque<std::optional<TFont>> FontAnswers;

    // What each dialog was shown with, in order.
    std::vector<TFileDialogOptions> OpenCalls;
    std::vector<TFileDialogOptions> SaveCalls;
    std::vector<TFont> FontCalls;
};

class TFakeClock : public IClock {
public:
    TDateTime Now() const override { return Current; }
    void Beep() override { ++Beeps; }
    // Returns at once, moving Current on by the time slept.
    void Sleep(int milliseconds) override;

    TDateTime Current = 45000.5;  // 15 March 2023, noon
    int Beeps = 0;
    std::vector<int> Sleeps;
};

class TFakeShellService : public IShellService {
public:
    bool OpenAddress(const QString& address) override;

    std::vector<QString> Opened;
    bool Result = true;
};

class TFakeOSInfo : public IOSInfo {
public:
    TOSDescription Describe() const override { return Description; }

    TOSDescription Description{QStringLiteral("Linux"),
                               QStringLiteral("Debian GNU/Linux 12 (bookworm)"),
                               QStringLiteral("6.1.0-18-amd64")};
};

// Records the jobs and their lines. A job can be made to fail at its start or at one of
// its writes, as a printer that is switched off or runs out of paper would.
class TFakeTextPrinter : public ITextPrinter {
public:
    struct TJob {
        QString Title;
        QStringList Lines;
        bool Ended = false;
    };

    bool HasDefaultPrinter() const override { return HasPrinter; }
    // Throws kNoDefaultPrinter without a printer, BeginError when that is set.
    void BeginJob(const QString& title) override;
    // Throws WriteError at the write numbered FailAtWrite (0 = the first of the job).
    void WriteLine(const QString& line) override;
    void EndJob() override;

    bool JobOpen() const { return open_; }

    bool HasPrinter = true;
    QString BeginError;
    int FailAtWrite = -1;
    QString WriteError = QStringLiteral("The printer is out of paper");
    std::vector<TJob> Jobs;

private:
    bool open_ = false;
};

class TFakePlatform {
public:
    TPlatformServices Services();

    TFakeMessageService Messages;
    TFakeDialogService Dialogs;
    TFakeClock Clock;
    TFakeShellService Shell;
    TFakeOSInfo OSInfo;
    // English names and "/" and ":" as separators, whatever the machine's locale.
    TFormatSettings FormatSettings = TFormatSettings::Neutral();
    TFakeTextPrinter Printer;
};
