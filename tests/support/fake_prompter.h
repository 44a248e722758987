// A scripted Prompter for window tests: each expected prompt is queued with its answer, and every
// prompt that arrives is checked against the head of the queue (title, text, icon, buttons).
#pragma once

#include "prompter.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace zarn::test {

class FakePrompter : public Prompter {
public:
    struct ShownMessage {
        std::string title, text;
        MsgIcon icon = MsgIcon::None;
        MsgButtons buttons = MsgButtons::Ok;
    };
    struct Dialog {
        bool save = false;
        FileDialogRequest request;
    };

    // Queue the next message box and the answer the operator gives.
    void ExpectMessage(std::string title, std::string text, MsgIcon icon, MsgButtons buttons,
                       MsgAnswer answer);
    // Queue the next file dialog with its title and the chosen path (no value = Cancel).
    void ExpectOpenFile(std::string title, std::optional<std::string> chosen);
    // `filter` is the description of the filter the operator leaves chosen.
    void ExpectSaveFile(std::string title, std::optional<std::string> chosen, std::string filter = {});

    MsgAnswer Message(const std::string& title, const std::string& text, MsgIcon icon,
                      MsgButtons buttons) override;
    std::optional<std::string> OpenFile(const FileDialogRequest& request) override {
        return FileDialog(false, request);
    }
    std::optional<std::string> SaveFile(const FileDialogRequest& request) override {
        return FileDialog(true, request);
    }
    void Beep() override { ++beeps; }

    // Everything that was shown, in order.
    std::vector<ShownMessage> messages;
    std::vector<Dialog> dialogs;
    int beeps = 0;
    // Expectations that were not met: wrong prompt, unexpected prompt. Empty when all went as scripted.
    std::vector<std::string> failures;
    // True when every queued prompt arrived and nothing unexpected did.
    bool AllMet() const { return failures.empty() && queue_.empty(); }
    std::string Report() const;

private:
    struct Step {
        enum Kind { Msg, Open, Save } kind;
        ShownMessage message;
        MsgAnswer answer = MsgAnswer::Ok;
        std::string dialogTitle;
        std::optional<std::string> chosen;
        std::string filter;
    };
    std::optional<std::string> FileDialog(bool save, const FileDialogRequest& request);
    std::deque<Step> queue_;
};

} // namespace zarn::test
