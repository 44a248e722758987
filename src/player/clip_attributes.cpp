#include "clip_attributes.h"

#include "dates.h"
#include "eventline.h"
#include "formats.h"
#include "numbers.h"
#include "picture.h"

#include <algorithm>

namespace zarn {

namespace {

constexpr std::string_view kCrLf = "\r\n";

// The last `n` characters of a text, or all of it when it is shorter.
std::string_view Tail(std::string_view text, std::size_t n) {
    return text.size() > n ? text.substr(text.size() - n) : text;
}

std::string DateCaption(std::string_view field) {
    if (const std::optional<double> date = ToDate(field)) return FormatDateTime(*date);
    return std::string(field);
}

// The picture row whose mode the bandwidth caption ends with.
long MatchRow(const SignalMatchInput& input, double f) {
    const ClipTable* t = input.table;
    if (!t) return 1;
    switch (t->Type) {
    case CollectionType::Priority:
        // The clip's own channel: the summary's selected channel is another one whenever the play
        // list spans channels (a time range, a signal).
        return static_cast<long>(LeadingNumber(input.chnlCaption));
    case CollectionType::Spectral:
        for (long r = 1; r <= t->RowCount && static_cast<std::size_t>(r) < t->RowLabel.size(); ++r) {
            const std::string_view label = t->RowLabel[static_cast<std::size_t>(r)];
            const double lo = LeadingNumber(label.substr(0, 11));
            const double hi = LeadingNumber(Tail(label, 11));
            if (lo <= f && f <= hi) return r;
        }
        return 1;
    case CollectionType::Netora:
        break;
    }
    return 1;
}

std::string_view RowModeOf(const ClipTable* t, long row) {
    if (!t || row < 0 || static_cast<std::size_t>(row) >= t->RowMode.size()) return {};
    return t->RowMode[static_cast<std::size_t>(row)];
}

// The bandwidth of the S_IFBW caption in MHz as the entry line's "00.000". The caption gives it in
// kHz between "IFBW: " and "KHz"; a bandwidth of 1000 kHz or more has four digits there, so the
// number is read whole rather than as three characters.
std::string IfbwField(std::string_view ifbwCaption) {
    const std::string_view khz = ifbwCaption.size() > 6 ? ifbwCaption.substr(6) : std::string_view();
    const double mhz = std::clamp(LeadingNumber(khz) / 1000.0, 0.0, 99.999);
    return FormatNumber(mhz, "00.000");
}

// The row's detection mode at the end of the S_IFBW caption. A row without a mode text would leave
// "KHz" there; an entry takes the list's default mode then.
std::string_view DetField(std::string_view ifbwCaption) {
    const std::string_view det = Tail(ifbwCaption, 3);
    for (const char* mode : kDetectionModes)
        if (det == mode) return det;
    return "AM ";
}

} // namespace

ClipReadouts MakeClipReadouts(std::string_view clipLine) {
    const ClipLineFields f = ClipLineFields::OfTableLine(clipLine);
    ClipReadouts r;
    r.FileName = std::string(f[ClipFieldId::FileName]);
    r.Chnl = FormatNumber(LeadingNumber(f[ClipFieldId::Number]), "000");
    r.Freq = FormatNumber(LeadingNumber(f[ClipFieldId::Frequency]), "0000.0000") + " M";
    r.StartTime = DateCaption(f[ClipFieldId::StartTime]);
    r.StopTime = DateCaption(f[ClipFieldId::StopTime]);
    r.Level = HoverLevelText(f[ClipFieldId::Level]);
    return r;
}

double CaptionFrequency(std::string_view freqCaption) {
    return LeadingNumber(freqCaption.substr(0, 9));
}

SignalMatch ShowSignalMatch(const SignalMatchInput& input, const SignalList& list, const SignalBands& bands) {
    SignalMatch m;
    const double f = CaptionFrequency(input.freqCaption);
    m.row = MatchRow(input, f);
    const std::string_view mode = RowModeOf(input.table, m.row);
    m.entry = bands.Find(f);
    if (m.entry && *m.entry < list.Count()) {
        const std::string& line = list.Line(*m.entry);
        m.cls = ClassFromText(EntryClassText(line));
        m.comment = std::string(EntryComment(line));
        m.ifbwText = IfbwText(bands.Bandwidth(*m.entry), mode);
    } else {
        m.entry.reset();
        m.ifbwText = IfbwText(input.defaultIfbw, mode);
    }
    return m;
}

ClassChangeSteps ClassChange(bool byOperator, bool playing, bool optionsVisible) {
    if (!byOperator) return {};
    return {playing, optionsVisible};
}

CommentKeySteps CommentKey(int key, bool playing) {
    CommentKeySteps s;
    s.pause = playing;
    if (key == kKeyEnter) {
        s.action = CommentKeyAction::Send;
    } else if (key == kKeyEscape) {
        s.action = CommentKeyAction::Restore;
    } else {
        s.typed = key == ',' ? ';' : static_cast<char>(key);
    }
    return s;
}

std::string CleanComment(std::string_view comment) {
    std::string s(comment);
    for (char& c : s) {
        if (c == ',')
            c = ';';
        else if (c == '\r' || c == '\n')
            c = ' ';
    }
    return s;
}

std::optional<std::string> SendEntryLine(const SendFields& fields) {
    const double f = CaptionFrequency(fields.freqCaption);
    // The frequency column holds 11 characters; anything else would shift every column after it.
    if (!(f >= 0 && f < 100000)) return std::nullopt;
    return MakeEntryLine(FormatNumber(f, "00000.00000"), IfbwField(fields.ifbwCaption), "10",
                         DetField(fields.ifbwCaption), fields.cls, "9", false, CleanComment(fields.comment));
}

SendPlan PlanSend(const SignalList& list, const SendFields& fields, SendMode mode) {
    SendPlan plan;
    std::optional<std::string> line = SendEntryLine(fields);
    if (!line) {
        plan.refused = true;
        return plan;
    }
    plan.line = std::move(*line);
    plan.mhz = CaptionFrequency(fields.freqCaption);
    plan.slot = list.FindSignalSlot(plan.mhz);
    if (plan.slot.conflict && mode == SendMode::Ask) {
        plan.question = SendQuestion{
            "EDIT Signal... CONFIRMATION:",
            "Freq = " + std::string(fields.freqCaption.substr(0, 9)) +
                " MHz is already available in the Signal List.  Do you want to replace it with new data?"};
    }
    return plan;
}

SendOutcome ApplySend(SignalListEdits& list, const SendPlan& plan, bool answerYes) {
    SendOutcome out;
    if (plan.refused || !answerYes) return out;
    if (plan.slot.conflict) list.RemoveAt(*plan.slot.conflict);
    // The list keeps itself sorted, so the line goes to its sorted place. That is the slot itself
    // unless the removed entry's band reached past a neighbour; the index returned is where the
    // line really stands, so the entry made current is the new one. An entry with the same key (one
    // whose band is empty) is kept beside it, not replaced.
    const int at = list.List().FindSortedPosition(plan.line).index;
    if (!list.InsertAt(at, plan.line)) {
        out.listFull = true;
        return out;
    }
    out.added = true;
    out.index = at;
    out.statusText =
        "   <" + std::string(EntryClassText(plan.line)) + ">,   " + std::string(EntryComment(plan.line));
    return out;
}

std::string ClipReport(CollectionType type, const ClipReadouts& readouts, std::string_view ifbwCaption,
                       std::string_view comment) {
    std::string s = "ORVANE AUDIO PLAYBACK APPLICATION, Version 02.00.00:";
    s += kCrLf;
    s += '\n';
    switch (type) {
    case CollectionType::Priority:
        s += "Collection Type:   PRIORITY";
        break;
    case CollectionType::Spectral:
        s += "Collection Type:   SPECTRAL";
        break;
    case CollectionType::Netora:
        s += "Collection Type:   NETORA";
        break;
    }
    s += kCrLf;
    s += "Wave Filename:   " + readouts.FileName;
    s += kCrLf;
    s += type == CollectionType::Priority ? "Setup:   Channel# " : "Setup:   Track# ";
    s += readouts.Chnl + ", " + readouts.Freq + "Hz";
    if (type != CollectionType::Netora) s += ", " + std::string(ifbwCaption);
    s += kCrLf;
    s += "Signal Level:   " + readouts.Level;
    s += kCrLf;
    s += "Start Time:   " + readouts.StartTime;
    s += kCrLf;
    s += "Stop Time:   " + readouts.StopTime;
    s += kCrLf;
    s += "Comments:   " + std::string(comment);
    s += kCrLf;
    return s;
}

FileDialogRequest CopyWaveRequest(std::string_view fileNameCaption) {
    FileDialogRequest r;
    r.name = "CMDialog1";
    r.title = "Copy ... Audio Clip";
    r.filter = "*.WAV|*.WAV";
    r.fileName = std::string(fileNameCaption);
    return r;
}

std::string CopyWaveDestination(std::string_view chosen) {
    const std::size_t slash = chosen.find_last_of('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = chosen.find('.', nameStart);
    if (dot == std::string_view::npos) return std::string(chosen) + ".WAV";
    return std::string(chosen.substr(0, dot + 1)) + "WAV";
}

FileResult CopyClipFile(const std::string& source, const std::string& destination) {
    // A clip is small enough to pass through memory whole (an hour of 8-bit audio is tens of MB).
    std::string bytes;
    if (FileResult r = ReadFileBytes(source, bytes); !r) return r;
    return ReplaceFileAtomically(destination, bytes);
}

} // namespace zarn
