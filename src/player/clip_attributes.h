// The current clip's attributes in the player: the readouts of its clip line, the look-up of its
// signal in the signal list, the class and comment rules, the send of its signal into the signal
// list, the clip report for the clipboard and the copy of its WAV file. The player window reads its
// captions, calls these and writes the results into its own controls, the summary window's status
// panels and the signal list window.
#pragma once

#include "audfile.h"
#include "clip_table.h"
#include "entry_line.h"
#include "prompter.h"
#include "signal_bands.h"
#include "signal_list.h"
#include "textfile.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarn {

// ---- Readouts of the current clip ----

// Captions of the six value panels.
struct ClipReadouts {
    std::string FileName;  // P_FileName: the file name unchanged
    std::string Chnl;      // P_Chnl: the number as "000"
    std::string Freq;      // P_Freq: the frequency as "0000.0000" + " M"
    std::string StartTime; // P_StartTime: the start as "mm/dd/yy hh:mm:ss"
    std::string StopTime;  // P_StopTime: the stop the same
    std::string Level;     // P_Level: the level + " dBm"
};

// The readouts of a clip line. A date that does not convert is shown as it stands in the line.
ClipReadouts MakeClipReadouts(std::string_view clipLine);

// The frequency in MHz that the player works with: the first 9 characters of the P_Freq caption.
double CaptionFrequency(std::string_view freqCaption);

// ---- The clip's signal in the signal list ----

struct SignalMatchInput {
    std::string_view freqCaption;     // P_Freq
    std::string_view chnlCaption;     // P_Chnl: a PRIORITY clip's row is its channel
    const ClipTable* table = nullptr; // collection type, RowCount, RowLabel, RowMode; may be null
    double defaultIfbw = 0.025;       // MHz
};

// What ShowSignalMatch puts on the screen.
struct SignalMatch {
    // The listed signal: the first entry from the top whose band holds the clip's frequency. It is
    // selected and made current in the signal list; the class options and the comment box (yellow)
    // are shown. No value: both are hidden and nothing in the list is selected.
    std::optional<int> entry;
    SignalClass cls = SignalClass::Unknown; // class option to select (program's selection)
    std::string comment;                    // P_Comment text
    std::string ifbwText;                   // the signal's bandwidth caption (S_IFBW)
    long row = 1;                           // picture row whose mode the caption ends with
};

// `bands` must be built from `list`.
SignalMatch ShowSignalMatch(const SignalMatchInput& input, const SignalList& list, const SignalBands& bands);

// ---- Class options and comment box ----

// Comment box colours as 0xRRGGBB: yellow while the text agrees with the list, white once edited.
inline constexpr std::uint32_t kCommentListedRgb = 0xFFFF00;
inline constexpr std::uint32_t kCommentEditedRgb = 0xFFFFFF;

// What a selected class option does. `byOperator` tells the operator's selection from the
// program's (ShowSignalMatch selecting the listed class): the window sets it from the click signal
// of the option buttons, which the program's own selection does not raise, or from ClassClickFlag.
// The program's selection neither pauses nor sends.
struct ClassChangeSteps {
    bool pause = false; // Pause, then let window events run
    bool send = false;  // SendToSignalList in SendMode::Replace
};
ClassChangeSteps ClassChange(bool byOperator, bool playing, bool optionsVisible);

inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyEscape = 27;

enum class CommentKeyAction {
    Type,    // the key is typed (as `typed`)
    Send,    // Enter: swallowed; SendToSignalList in SendMode::Replace
    Restore, // Esc: ShowSignalMatch again, which restores the listed comment and the yellow colour
};
// A key pressed in the comment box. In every case the box turns white first and, when the player
// plays, Pause runs and ClassClickFlag is cleared.
struct CommentKeySteps {
    bool pause = false;
    CommentKeyAction action = CommentKeyAction::Type;
    char typed = 0; // a comma becomes a semicolon, so a comment never holds one
};
CommentKeySteps CommentKey(int key, bool playing);

// A comment as it goes into an entry line: commas become semicolons (a pasted text can bring them)
// and line breaks blanks, since one entry is one line of the list file.
std::string CleanComment(std::string_view comment);

// ---- Sending the clip's signal into the signal list ----

// The player's fields that make the entry line.
struct SendFields {
    std::string_view freqCaption;           // P_Freq
    std::string_view ifbwCaption;           // S_IFBW: bandwidth in kHz and the row's mode
    SignalClass cls = SignalClass::Unknown; // the selected class option
    std::string_view comment;               // P_Comment text
};

// The entry line a send builds: the frequency, the bandwidth shown in S_IFBW, COR 10, the row's
// detection mode, the class, priority 9, no lockout and the comment. No value when the frequency
// does not fit the line's frequency column (below 0 or 100000 MHz and above).
std::optional<std::string> SendEntryLine(const SendFields& fields);

enum class SendMode {
    Replace = 0, // class change, Enter in the comment: a conflicting entry is replaced unasked
    Ask = 1,     // the send button: the operator is asked before a conflicting entry is replaced
};

// Title and text of the replace question (question icon, Yes and No).
struct SendQuestion {
    std::string title;
    std::string text;
};

// The first half of a send: the comment box turns yellow, every entry of the list is deselected,
// and a conflicting entry (slot.conflict) is selected. Then the window asks `question` when there
// is one and hands the answer to ApplySend.
struct SendPlan {
    bool refused = false; // the frequency cannot be stored: nothing more happens
    std::string line;     // the new entry line
    double mhz = 0;       // the frequency FindSignalSlot placed
    SignalSlot slot;
    std::optional<SendQuestion> question;
};
SendPlan PlanSend(const SignalList& list, const SendFields& fields, SendMode mode);

// The changes a send makes to the list, so the same steps serve the signal list window's model and a
// plain list.
class SignalListEdits {
public:
    virtual ~SignalListEdits() = default;
    virtual const SignalList& List() const = 0;
    virtual void RemoveAt(int index) = 0;
    virtual bool InsertAt(int index, std::string line) = 0;
};

class PlainSignalListEdits final : public SignalListEdits {
public:
    explicit PlainSignalListEdits(SignalList& list) : list_(list) {}
    const SignalList& List() const override { return list_; }
    void RemoveAt(int index) override { list_.RemoveAt(index); }
    bool InsertAt(int index, std::string line) override { return list_.InsertAt(index, std::move(line)); }

private:
    SignalList& list_;
};

struct SendOutcome {
    bool added = false;     // the list changed: the window writes it through with SaveList
    bool listFull = false;  // refused: the list holds 32767 entries and none was replaced
    int index = -1;         // where the new entry stands: deselect all, make it current, select it
    std::string statusText; // the list status caption (C_Status) when added
};

// The second half of a send, given the answer to the question (true when there was none). On Yes a
// conflicting entry is removed and the new line goes in at its sorted place. On No nothing changes
// and the conflicting entry stays selected.
//
// The window then saves through the signal list's SaveList, which warns the operator when the file cannot be
// written; the new entry stays in the list either way and the next successful write stores it, so
// the window must not take it out again.
SendOutcome ApplySend(SignalListEdits& list, const SendPlan& plan, bool answerYes);

// ---- The clip report and Copy Wave ----

// The text that "Clip Board" puts on the clipboard, CR LF line ends. A NETORA report has no
// bandwidth on its setup line. `comment` is the comment box's text, shown or not.
std::string ClipReport(CollectionType type, const ClipReadouts& readouts, std::string_view ifbwCaption,
                       std::string_view comment);

// The save dialog of Copy Wave, proposing the clip's own name.
FileDialogRequest CopyWaveRequest(std::string_view fileNameCaption);

// Where Copy Wave writes: a chosen name without a "." gets ".WAV"; otherwise it is cut after its
// first "." and gets "WAV". Only the file name part of the path counts, so a dotted folder name stays
// whole.
std::string CopyWaveDestination(std::string_view chosen);

// Copies the clip file, replacing an existing destination. The copy is written beside the
// destination and renamed over it, so a failed copy leaves an existing file whole (and a copy onto
// the clip itself leaves the clip whole).
FileResult CopyClipFile(const std::string& source, const std::string& destination);

} // namespace zarn
