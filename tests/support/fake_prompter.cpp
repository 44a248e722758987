#include "fake_prompter.h"

#include <filesystem>

namespace zarn::test {

void FakePrompter::ExpectMessage(std::string title, std::string text, MsgIcon icon, MsgButtons buttons,
                                 MsgAnswer answer) {
    queue_.push_back(Step{Step::Msg, {std::move(title), std::move(text), icon, buttons}, answer, {}, {}, {}});
}

void FakePrompter::ExpectOpenFile(std::string title, std::optional<std::string> chosen) {
    queue_.push_back(Step{Step::Open, {}, MsgAnswer::Ok, std::move(title), std::move(chosen), {}});
}

void FakePrompter::ExpectSaveFile(std::string title, std::optional<std::string> chosen, std::string filter) {
    queue_.push_back(
        Step{Step::Save, {}, MsgAnswer::Ok, std::move(title), std::move(chosen), std::move(filter)});
}

MsgAnswer FakePrompter::Message(const std::string& title, const std::string& text, MsgIcon icon,
                                MsgButtons buttons) {
    messages.push_back({title, text, icon, buttons});
    if (queue_.empty() || queue_.front().kind != Step::Msg) {
        failures.push_back("unexpected message: [" + title + "] " + text);
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    const Step s = queue_.front();
    queue_.pop_front();
    const ShownMessage& m = s.message;
    if (m.title != title || m.text != text || m.icon != icon || m.buttons != buttons)
        failures.push_back("message differs: got [" + title + "] " + text + " / expected [" + m.title + "] " +
                           m.text);
    return s.answer;
}

std::optional<std::string> FakePrompter::FileDialog(bool save, const FileDialogRequest& request) {
    const std::string kind = save ? "save" : "open";
    dialogs.push_back({save, request});
    if (queue_.empty() || queue_.front().kind != (save ? Step::Save : Step::Open)) {
        failures.push_back("unexpected " + kind + " dialog: " + request.title);
        return std::nullopt;
    }
    const Step s = queue_.front();
    queue_.pop_front();
    if (request.chosenFilter) *request.chosenFilter = s.filter;
    if (s.dialogTitle != request.title)
        failures.push_back(kind + " dialog title: got " + request.title + " expected " + s.dialogTitle);
    // A dialog that asks for an existing file answers a typed missing name itself; the program
    // never sees it.
    if (!save && request.mustExist && s.chosen && !std::filesystem::exists(*s.chosen))
        failures.push_back("open dialog " + request.title + " would refuse the missing " + *s.chosen);
    return s.chosen;
}

std::string FakePrompter::Report() const {
    std::string r;
    for (const auto& f : failures)
        r += f + "\n";
    if (!queue_.empty()) r += std::to_string(queue_.size()) + " expected prompt(s) never came\n";
    return r;
}

} // namespace zarn::test
