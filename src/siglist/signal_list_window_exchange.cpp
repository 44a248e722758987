// The signal list window's exchange with other programs: Import From Other Format and Export To Other
// Format. Reading and writing the formats is list_exchange's; here are the dialogs, the placement
// of what came in, and the messages.
#include "signal_list_window.h"

#include "list_exchange.h"
#include "siglist_texts.h"
#include "textfile.h"

#include <QListView>

#include <filesystem>

namespace zarn {

namespace {

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Count(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The one message at the end of an import: what came in, what it replaced, and what was left out
// and why.
std::string ImportReport(const std::string& path, ExchangeFormat format, const ExchangeRead& read, int added,
                         int replaced, int declined, int cancelled, int full) {
    std::string text = Count(added, "entry came in", "entries came in") + " from " + FileNameOf(path) + " (" +
                       ExchangeFormatName(format) + ").";
    if (replaced > 0)
        text += "\r\n" + Count(replaced, "of them replaced an entry", "of them replaced entries") +
                " already listed.";
    if (declined > 0)
        text +=
            "\r\n" + Count(declined, "was", "were") + " skipped: the entries already listed there were kept.";
    if (cancelled > 0)
        text += "\r\n" + Count(cancelled, "was", "were") + " not taken: the import was cancelled.";
    if (full > 0) text += "\r\n" + Count(full, "was", "were") + " not taken: the Signal List is full.";
    if (read.malformed > 0) {
        const bool json = format == ExchangeFormat::SdrPlusPlus;
        text += "\r\n" + Count(read.malformed, json ? "bookmark" : "line", json ? "bookmarks" : "lines") +
                " could not be read and " + (read.malformed == 1 ? "was" : "were") + " skipped (" +
                (json ? "bookmark" : "line") + (read.malformedAt.size() == 1 ? " " : "s ");
        for (std::size_t i = 0; i < read.malformedAt.size(); ++i)
            text += (i ? ", " : "") + std::to_string(read.malformedAt[i]);
        text += (static_cast<std::size_t>(read.malformed) > read.malformedAt.size() ? ", ...)." : ").");
    }
    if (read.namesChanged > 0)
        text += "\r\n" + Count(read.namesChanged, "name held", "names held") +
                " letters outside Latin-1; they were changed to the nearest letter or \"?\".";
    return text;
}

// The format to write: the filter the operator left chosen, else the file's extension.
ExchangeFormat ExportFormat(const std::string& filter, const std::string& path) {
    for (ExchangeFormat f :
         {ExchangeFormat::Gqrx, ExchangeFormat::SdrPlusPlus, ExchangeFormat::Chirp, ExchangeFormat::Scanner})
        if (filter == ExchangeFormatName(f)) return f;
    const std::string name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".json" ? ExchangeFormat::SdrPlusPlus : ExchangeFormat::Gqrx;
}

} // namespace

std::optional<std::vector<std::string>>
SignalListWindow::ChooseSdrppLists(const std::vector<std::string>& names) {
    if (names.size() <= 1) return names;
    std::vector<std::string> chosen;
    for (const std::string& name : names) {
        const MsgAnswer answer = prompter_.Message(sigtext::kImportOtherListTitle,
                                                   "The file holds " + std::to_string(names.size()) +
                                                       " lists.  Import the list \"" + name + "\"?",
                                                   MsgIcon::Question, MsgButtons::YesNoCancel);
        if (answer == MsgAnswer::Cancel) return std::nullopt;
        if (answer == MsgAnswer::Yes) chosen.push_back(name);
    }
    return chosen;
}

void SignalListWindow::ImportOtherFormat() {
    FileDialogRequest request;
    request.name = "Dialog";
    request.title = sigtext::kImportOtherDialog;
    request.filter = sigtext::kImportOtherFilter;
    request.mustExist = true;
    const auto chosen = prompter_.OpenFile(request);
    if (!chosen) return;

    const auto refuse = [this](const std::string& text) {
        prompter_.Message(sigtext::kImportOtherTitle, text, MsgIcon::Exclamation, MsgButtons::Ok);
    };
    std::string bytes;
    if (const FileResult r = ReadFileBytes(*chosen, bytes); !r) {
        refuse(*chosen + " could not be read.\r\n" + r.error);
        return;
    }
    const std::optional<ExchangeFormat> format = DetectExchangeFormat(bytes);
    if (!format) {
        refuse(sigtext::kImportOtherUnknown);
        return;
    }
    ExchangeRead read;
    if (*format == ExchangeFormat::SdrPlusPlus) {
        const auto lists = ChooseSdrppLists(SdrppListNames(bytes));
        if (!lists) return;
        if (!lists->empty()) read = ReadExchange(*format, bytes, *lists);
    } else {
        read = ReadExchange(*format, bytes);
    }
    if (!read.ok) {
        refuse(read.error);
        return;
    }

    ClosePanel();
    const PlaceCounts c = PlaceLines(read.lines, sigtext::kImportConfirm, "IMPORT");
    SaveList();
    list_->setFocus();
    prompter_.Message(
        sigtext::kImportOtherTitle,
        ImportReport(*chosen, *format, read, c.added, c.replaced, c.declined, c.cancelled, c.full),
        MsgIcon::Information, MsgButtons::Ok);
    ReprocessQuestion();
}

void SignalListWindow::ExportOtherFormat() {
    std::string filter;
    FileDialogRequest request;
    request.name = "Dialog";
    request.title = sigtext::kExportOtherDialog;
    request.filter = sigtext::kExportOtherFilter;
    request.confirmOverwrite = true;
    request.chosenFilter = &filter;
    const auto chosen = prompter_.SaveFile(request);
    if (!chosen) return;

    const ExchangeFormat format = ExportFormat(filter, *chosen);
    std::string path = *chosen;
    if (FileNameOf(path).find('.') == std::string::npos) {
        path += ExchangeExtension(format);
        // The dialog confirmed the name as typed; the name with its extension may be another file.
        if (std::filesystem::exists(path) &&
            prompter_.Message(sigtext::kExportOtherConfirmTitle,
                              path + " already exists.  Do you want to replace it?", MsgIcon::Question,
                              MsgButtons::YesNo) != MsgAnswer::Yes)
            return;
    }
    // Written beside and renamed over, as the list files are: a failure leaves an older export whole.
    if (const FileResult r = ReplaceFileAtomically(path, WriteExchange(format, List().Lines())); !r) {
        prompter_.Message(sigtext::kExportOtherWarnTitle,
                          "The Signal List could not be exported to " + path + "\r\n" + r.error,
                          MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    prompter_.Message(sigtext::kExportOtherTitle,
                      Count(List().Count(), "entry was", "entries were") + " written to " + path + " as " +
                          ExchangeFormatName(format) + ".",
                      MsgIcon::Information, MsgButtons::Ok);
}

} // namespace zarn
