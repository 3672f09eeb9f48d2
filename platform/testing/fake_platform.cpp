#include "platform/testing/fake_platform.h"

namespace {

// Takes the next scripted answer; false for a cancel or an empty script.
template <typename T>
bool TakeAnswer(std::deque<std::optional<T>>& answers, T& value) {
    if (answers.empty()) {
        return false;
    }
    const bool chosen = answers.front().has_value();
    if (chosen) {
        value = *answers.front();
    }
    answers.pop_front();
    return chosen;
}

bool AnswerFileDialog(std::deque<std::optional<QString>>& answers,
                      std::vector<TFileDialogOptions>& calls, TFileDialogOptions& options) {
    calls.push_back(options);
    return TakeAnswer(answers, options.FileName);
}

}  // namespace

void TFakeMessageService::ShowError(const QString& text) {
    Calls.push_back({mkError, text});
    if (OnShow) {
        OnShow(Calls.back());
    }
}

void TFakeMessageService::ShowMessage(const QString& text) {
    Calls.push_back({mkMessage, text});
    if (OnShow) {
        OnShow(Calls.back());
    }
}

bool TFakeMessageService::Confirm(const QString& question) {
    Calls.push_back({mkConfirm, question});
    const TMessageCall call = Calls.back();
    bool answer = DefaultAnswer;
    if (!ConfirmAnswers.empty()) {
        answer = ConfirmAnswers.front();
        ConfirmAnswers.pop_front();
    }
    if (OnShow) {
        OnShow(call);
    }
    return answer;
}

int TFakeMessageService::Choose(const QString& question, const QStringList& choices) {
    Calls.push_back({mkChoose, question});
    Choices.push_back(choices);
    const TMessageCall call = Calls.back();
    int answer = static_cast<int>(choices.size()) - 1;
    if (!ChooseAnswers.empty()) {
        answer = ChooseAnswers.front();
        ChooseAnswers.pop_front();
    }
    if (OnShow) {
        OnShow(call);
    }
    return answer;
}

QStringList TFakeMessageService::Texts(TMessageKind kind) const {
    QStringList texts;
    for (const TMessageCall& call : Calls) {
        if (call.Kind == kind) {
            texts << call.Text;
        }
    }
    return texts;
}

bool TFakeDialogService::OpenFile(TFileDialogOptions& options) {
    return AnswerFileDialog(OpenAnswers, OpenCalls, options);
}

bool TFakeDialogService::SaveFile(TFileDialogOptions& options) {
    return AnswerFileDialog(SaveAnswers, SaveCalls, options);
}

bool TFakeDialogService::SelectFont(TFont& font) {
    FontCalls.push_back(font);
    const TColor color = font.Color;
    if (!TakeAnswer(FontAnswers, font)) {
        return false;
    }
    font.Color = color;  // the dialog does not choose colours
    return true;
}

void TFakeClock::Sleep(int milliseconds) {
    Sleeps.push_back(milliseconds);
    if (milliseconds > 0) {
        Current += milliseconds / 86400000.0;
    }
}

bool TFakeShellService::OpenAddress(const QString& address) {
    Opened.push_back(address);
    return Result;
}

void TFakeTextPrinter::BeginJob(const QString& title) {
    if (open_) {
        throw EPrinterError(QStringLiteral("A print job is already open"));
    }
    if (!HasPrinter) {
        throw EPrinterError(kNoDefaultPrinter);
    }
    if (!BeginError.isEmpty()) {
        throw EPrinterError(BeginError);
    }
    Jobs.push_back({title, {}, false});
    open_ = true;
}

void TFakeTextPrinter::WriteLine(const QString& line) {
    if (!open_) {
        throw EPrinterError(QStringLiteral("No print job is open"));
    }
    if (Jobs.back().Lines.size() == FailAtWrite) {
        throw EPrinterError(WriteError);
    }
    Jobs.back().Lines << line;
}

void TFakeTextPrinter::EndJob() {
    if (open_) {
        Jobs.back().Ended = true;
        open_ = false;
    }
}

TPlatformServices TFakePlatform::Services() {
    return TPlatformServices{Messages, Dialogs, Clock, Shell, OSInfo, FormatSettings, Printer};
}
