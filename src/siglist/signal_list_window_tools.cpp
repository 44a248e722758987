// The signal list window's clipboard and bulk tools: Copy, Copy Freq, Paste, Delete, Delete All.
#include "signal_list_window.h"

#include "clip_text.h"
#include "latin1.h"
#include "panel_rules.h"
#include "siglist_texts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QListView>

#include <algorithm>

namespace zarn {

namespace {

// Up to this many highlighted entries are removed row by row; more are removed by rebuilding the list.
constexpr std::size_t kRemoveOneByOne = 64;

void PutOnClipboard(const std::string& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(Qs(text));
}

} // namespace

void SignalListWindow::Copy() {
    std::vector<std::string_view> lines;
    for (int row : HighlightedRows())
        lines.push_back(List().Line(row));
    PutOnClipboard(SignalListClipText(lines));
}

void SignalListWindow::CopyFreq() {
    std::vector<std::string_view> lines;
    for (int row : HighlightedRows())
        lines.push_back(List().Line(row));
    PutOnClipboard(FrequencyClipText(lines));
}

void SignalListWindow::Paste() {
    const auto lines = PastedSignalLines(Bytes(QGuiApplication::clipboard()->text()));
    if (!lines) {
        prompter_.Message(sigtext::kPasteWarnTitle, sigtext::kPasteWarnText, MsgIcon::Exclamation,
                          MsgButtons::Ok);
        return;
    }
    PlaceLines(*lines, sigtext::kPasteConfirm, "PASTE");
    SaveList();
}

SignalListWindow::PlaceCounts SignalListWindow::PlaceLines(const std::vector<std::string>& lines,
                                                           const char* title, const char* command) {
    PlaceCounts counts;
    const auto left = [&lines](std::size_t i) { return static_cast<int>(lines.size() - i); };
    UnhighlightAll();
    // The rows of the lines pasted so far, kept in step with the insertions and removals after them.
    // They are highlighted together at the end: row by row, the view's work grows with the square of
    // the number of lines (minutes for a full list).
    std::vector<int> pasted;
    int current = -1;
    auto shift = [&](int from, int by) {
        for (int& r : pasted)
            if (r >= from) r += by;
        if (current >= from) current += by;
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        MsgAnswer answer = MsgAnswer::Yes;
        bool replaces = false;
        const SignalSlot slot = List().FindSignalSlot(EntryFrequency(line));
        if (slot.conflict) {
            const int c = *slot.conflict;
            // A line pasted earlier may be the one asked about; whatever the answer, it is not
            // highlighted afterwards.
            pasted.erase(std::remove(pasted.begin(), pasted.end(), c), pasted.end());
            SetHighlighted(c, true);
            answer = prompter_.Message(title, ReplaceQuestion(EntryFreqText(line)), MsgIcon::Question,
                                       MsgButtons::YesNoCancel);
            SetHighlighted(c, false);
            if (answer == MsgAnswer::Yes) {
                Model().RemoveAt(c);
                if (current == c) current = -1;
                shift(c + 1, -1);
                replaces = true;
            }
        }
        if (answer == MsgAnswer::Cancel) {
            counts.cancelled = left(i);
            break;
        }
        if (answer != MsgAnswer::Yes) {
            ++counts.declined;
            continue;
        }
        const int before = List().Count();
        const std::optional<int> at = Model().InsertSorted(line);
        if (!at) {
            WarnListFull(command);
            counts.full = left(i);
            break;
        }
        ++counts.added;
        if (List().Count() > before)
            shift(*at, 1);
        else
            replaces = true; // an entry with the same key was replaced
        if (replaces) ++counts.replaced;
        if (std::find(pasted.begin(), pasted.end(), *at) == pasted.end()) pasted.push_back(*at);
        // The pasted line itself becomes current, wherever its text sorts it.
        current = *at;
    }
    std::sort(pasted.begin(), pasted.end());
    QItemSelection highlight;
    for (std::size_t i = 0; i < pasted.size();) {
        std::size_t j = i;
        while (j + 1 < pasted.size() && pasted[j + 1] == pasted[j] + 1)
            ++j;
        highlight.select(Model().index(pasted[i]), Model().index(pasted[j]));
        i = j + 1;
    }
    list_->selectionModel()->select(highlight, QItemSelectionModel::Select);
    if (current >= 0) SetCurrent(current);
    return counts;
}

void SignalListWindow::Delete() {
    if (List().Empty()) {
        prompter_.Message(sigtext::kDeleteWarnTitle, sigtext::kDeleteEmptyText, MsgIcon::Exclamation,
                          MsgButtons::Ok);
        return;
    }
    const std::vector<int> rows = HighlightedRows();
    if (rows.empty()) {
        prompter_.Message(sigtext::kDeleteWarnTitle, sigtext::kDeleteNoneText, MsgIcon::Exclamation,
                          MsgButtons::Ok);
        return;
    }
    if (prompter_.Message(sigtext::kDeleteConfirmTitle, sigtext::kDeleteConfirmText, MsgIcon::Question,
                          MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    // The entry in front of the last one removed ends up current, as a walk from the top leaves it.
    const int last = rows.back() - static_cast<int>(rows.size() - 1);
    if (rows.size() <= kRemoveOneByOne) {
        // From the bottom up every other index stays valid.
        for (auto it = rows.rbegin(); it != rows.rend(); ++it)
            Model().RemoveAt(*it);
    } else {
        // The view does work for every row removed from it; for many rows the list is rebuilt from the
        // entries kept instead (none of them is highlighted, so the rebuild loses nothing).
        std::vector<std::string> kept;
        kept.reserve(static_cast<std::size_t>(List().Count()) - rows.size());
        auto next = rows.begin();
        for (int i = 0; i < List().Count(); ++i) {
            if (next != rows.end() && *next == i)
                ++next;
            else
                kept.push_back(List().Line(i));
        }
        Model().Clear();
        for (std::string& line : kept)
            Model().InsertAt(List().Count(), std::move(line));
    }
    if (last >= 1) SetCurrent(last - 1);
    SaveList();
    list_->setFocus();
}

void SignalListWindow::DeleteAll() {
    if (prompter_.Message(sigtext::kDeleteConfirmTitle, sigtext::kDeleteAllText, MsgIcon::Question,
                          MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    Model().Clear();
    SaveList();
    list_->setFocus();
}

} // namespace zarn
