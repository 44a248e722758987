// The seam through which windows ask and tell the operator: message boxes, file dialogs, the beep.
// The programs use the Qt implementation; window tests use a scripted fake.
#pragma once

#include <optional>
#include <string>

namespace zarn {

enum class MsgIcon { None, Exclamation, Question, Information, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    std::string name; // the dialog control's name, e.g. "CMDialog1"
    std::string title;
    std::string filter;            // "*.EVA|*.EVA" style: description|pattern pairs
    std::string folder;            // start folder; "" = the current folder
    std::string fileName;          // initial file name
    bool mustExist = false;        // open dialogs
    bool confirmOverwrite = false; // save dialogs
    // When set, receives the description of the filter the operator left chosen ("" when unknown),
    // for commands whose filter picks what the file holds.
    std::string* chosenFilter = nullptr;
};

// Texts are 8-bit (Latin-1) bytes, like every text of the station files.
class Prompter {
public:
    virtual ~Prompter() = default;
    // An empty title shows the program title.
    virtual MsgAnswer Message(const std::string& title, const std::string& text, MsgIcon icon,
                              MsgButtons buttons) = 0;
    // The chosen path, or no value when the operator cancelled.
    virtual std::optional<std::string> OpenFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> SaveFile(const FileDialogRequest& request) = 0;
    virtual void Beep() = 0;
};

} // namespace zarn
