#include "list_exchange.h"

#include "entry_line.h"
#include "formats.h"
#include "textfile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

namespace zarn {

namespace {

constexpr double kDefaultIfbwMhz = 0.010; // what the edit panel starts a new entry with
constexpr double kWideIfbwMhz = 0.200;    // broadcast FM, when a format names the mode but no bandwidth
constexpr double kWideFmFromMhz = 0.100;  // from this bandwidth on, FM is written as wide FM
constexpr double kMaxIfbwMhz = 99.999;
constexpr std::size_t kMaxMalformedListed = 10;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A whole field as a number; blanks around it are allowed, anything else is not.
std::optional<double> Number(std::string_view text) {
    text = Trim(text);
    if (text.empty()) return std::nullopt;
    if (text.front() == '+') text.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string_view StripBom(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return bytes;
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Decodes UTF-8 into code points; false for any ill-formed sequence.
bool DecodeUtf8(std::string_view s, std::u32string& out) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) return false;
        char32_t cp = extra == 0 ? b : b & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((c >> 6) != 2) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        const char32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out += cp;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// The nearest Latin-1 text of one character beyond Latin-1: letters that carry a mark lose it
// (Polish a with ogonek is "a"), a few letters of their own and typographic marks have a stand-in.
std::string NearestLatin1(char32_t cp) {
    static const std::map<char32_t, const char*> kOwn = {
        {0x0141, "L"}, {0x0142, "l"},  {0x0110, "D"},  {0x0111, "d"},  {0x0126, "H"},  {0x0127, "h"},
        {0x0131, "i"}, {0x0166, "T"},  {0x0167, "t"},  {0x0152, "OE"}, {0x0153, "oe"}, {0x2018, "'"},
        {0x2019, "'"}, {0x201C, "\""}, {0x201D, "\""}, {0x2013, "-"},  {0x2014, "-"},  {0x2026, "..."}};
    if (const auto it = kOwn.find(cp); it != kOwn.end()) return it->second;
    const QString decomposed = QString::fromUcs4(&cp, 1).normalized(QString::NormalizationForm_KD);
    std::string out;
    for (const QChar c : decomposed) {
        if (c.isMark()) continue;
        if (c.unicode() > 0xFF || c.unicode() < 0x20) return "?";
        out += static_cast<char>(c.unicode());
    }
    return out.empty() ? "?" : out;
}

std::string Utf8(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// ---- entry lines from the fields a format holds ----

struct Foreign {
    double mhz = 0;
    std::optional<double> ifbwMhz; // none: the format holds no bandwidth
    const char* det = "AM ";
    char priority = '9';
    bool lockout = false;
    std::string name; // UTF-8 (or Latin-1 in an 8-bit file)
};

// The entry line, or no value when the frequency or bandwidth does not fit the list's columns.
std::optional<std::string> EntryFrom(const Foreign& f, int& namesChanged) {
    if (f.mhz < 0) return std::nullopt;
    const std::string freq = FormatNumber(f.mhz, "00000.00000");
    if (freq.size() != 11) return std::nullopt;
    double bw = f.ifbwMhz.value_or(kDefaultIfbwMhz);
    if (bw < 0) return std::nullopt;
    bw = std::min(bw, kMaxIfbwMhz);
    bool changed = false;
    std::string comment = NameToLatin1(Trim(f.name), changed);
    if (changed) ++namesChanged;
    return MakeEntryLine(freq, FormatNumber(bw, "00.000"), "20", f.det, SignalClass::Unknown,
                         std::string(1, f.priority), f.lockout, comment);
}

void Malformed(ExchangeRead& r, int at) {
    ++r.malformed;
    if (r.malformedAt.size() < kMaxMalformedListed) r.malformedAt.push_back(at);
}

void Take(ExchangeRead& r, const Foreign& f, int at) {
    if (auto line = EntryFrom(f, r.namesChanged))
        r.lines.push_back(std::move(*line));
    else
        Malformed(r, at);
}

// Mode names of the CSV formats and gqrx, compared without case. Unknown names give AM.
const char* ModeFromName(std::string_view name, bool& wide) {
    const std::string m = Lower(Trim(name));
    wide = m.rfind("wfm", 0) == 0;
    if (wide || m == "fm" || m == "nfm" || m == "narrow fm" || m == "fmb") return "FM ";
    if (m == "usb") return "USB";
    if (m == "lsb") return "LSB";
    if (m == "cw" || m == "cw-u" || m == "cw-l" || m == "cwr" || m == "ncw" || m == "ncwr") return "CW ";
    if (m == "raw i/q") return "IFT";
    return "AM ";
}

bool IsFm(std::string_view line) {
    return EntryDetText(line) == "FM ";
}
bool IsWide(std::string_view line) {
    return IsFm(line) && EntryIfbw(line) >= kWideFmFromMhz - 1e-9;
}

// ---- gqrx bookmarks ----

std::vector<std::string_view> SplitOn(std::string_view line, char sep) {
    std::vector<std::string_view> out;
    for (std::size_t start = 0;;) {
        const std::size_t at = line.find(sep, start);
        out.push_back(line.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
        if (at == std::string_view::npos) return out;
        start = at + 1;
    }
}

ExchangeRead ReadGqrx(std::string_view bytes) {
    ExchangeRead r;
    LineCursor lines(bytes);
    std::string_view line;
    for (int number = 1; lines.Next(line); ++number) {
        const std::string_view t = Trim(line);
        if (t.empty() || t.front() == '#') continue; // blank lines, the two header lines
        const auto fields = SplitOn(t, ';');
        if (fields.size() == 2 && Trim(fields[1]).substr(0, 1) == "#") continue; // tag table: name, colour
        Foreign f;
        bool wide = false;
        const auto hz = fields.size() >= 4 ? Number(fields[0]) : std::nullopt;
        const auto bwHz = fields.size() >= 4 ? Number(fields[3]) : std::nullopt;
        if (!hz || !bwHz) {
            Malformed(r, number);
            continue;
        }
        f.mhz = *hz / 1e6;
        f.ifbwMhz = *bwHz / 1e6;
        f.det = ModeFromName(fields[2], wide);
        f.name = std::string(fields[1]);
        Take(r, f, number);
    }
    return r;
}

const char* GqrxModulation(std::string_view line) {
    const std::string_view det = EntryDetText(line);
    if (det == "FM ") return IsWide(line) ? "WFM (mono)" : "Narrow FM";
    if (det == "USB") return "USB";
    if (det == "LSB") return "LSB";
    if (det == "CW ") return "CW-U";
    if (det == "IFT") return "Raw I/Q";
    return "AM";
}

long long Hz(double mhz) {
    return std::llround(mhz * 1e6);
}

std::string WriteGqrx(const std::vector<std::string>& lines) {
    std::string out = "# Tag name          ;  color\nUntagged            ; #c0c0c0\n\n"
                      "# Frequency ; Name                     ; Modulation          ;  Bandwidth; Tags\n";
    for (const std::string& line : lines) {
        // gqrx splits at every semicolon and trims its fields, names included.
        std::string name(Trim(EntryComment(line)));
        std::replace(name.begin(), name.end(), ';', ',');
        char buf[96];
        std::snprintf(buf, sizeof buf, "%12lld; ", Hz(EntryFrequency(line)));
        out += buf;
        out += Latin1ToUtf8(name);
        if (name.size() < 25) out.append(25 - name.size(), ' ');
        std::snprintf(buf, sizeof buf, "; %-20s; %10lld; Untagged\n", GqrxModulation(line),
                      Hz(EntryIfbw(line)));
        out += buf;
    }
    return out;
}

// ---- SDR++ frequency manager ----

// Mode numbers of the frequency manager: 0 NFM, 1 WFM, 2 AM, 3 DSB, 4 USB, 5 CW, 6 LSB, 7 RAW.
const char* ModeFromSdrpp(int mode) {
    switch (mode) {
    case 0:
    case 1:
        return "FM ";
    case 4:
        return "USB";
    case 5:
        return "CW ";
    case 6:
        return "LSB";
    case 7:
        return "IFT";
    default:
        return "AM ";
    }
}

int SdrppMode(std::string_view line) {
    const std::string_view det = EntryDetText(line);
    if (det == "FM ") return IsWide(line) ? 1 : 0;
    if (det == "ISB") return 3;
    if (det == "USB") return 4;
    if (det == "CW ") return 5;
    if (det == "LSB") return 6;
    if (det == "IFT") return 7;
    return 2;
}

std::optional<QJsonObject> SdrppLists(std::string_view bytes) {
    bytes = StripBom(bytes);
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), &error);
    if (doc.isNull() || !doc.isObject() || !doc.object().value(QStringLiteral("lists")).isObject())
        return std::nullopt;
    return doc.object().value(QStringLiteral("lists")).toObject();
}

// The name a bookmark of `line` gets: its comment, or its frequency text when it has none. An
// imported bookmark named by its own frequency text gets no comment.
std::string SdrppName(std::string_view line) {
    const std::string_view comment = Trim(EntryComment(line));
    return comment.empty() ? std::string(EntryFreqText(line)) : std::string(comment);
}

void ReadSdrppBookmark(ExchangeRead& r, const QString& name, const QJsonValue& value, int number) {
    const QJsonObject b = value.toObject();
    const QJsonValue freq = b.value(QStringLiteral("frequency"));
    const QJsonValue bw = b.value(QStringLiteral("bandwidth"));
    if (!value.isObject() || !freq.isDouble() || !(bw.isUndefined() || bw.isDouble())) {
        Malformed(r, number);
        return;
    }
    Foreign f;
    f.mhz = freq.toDouble() / 1e6;
    if (bw.isDouble()) f.ifbwMhz = bw.toDouble() / 1e6;
    f.det = ModeFromSdrpp(b.value(QStringLiteral("mode")).toInt(2));
    f.name = Utf8(name);
    if (f.mhz >= 0 && FormatNumber(f.mhz, "00000.00000") == f.name) f.name.clear();
    Take(r, f, number);
}

ExchangeRead ReadSdrpp(std::string_view bytes, const std::vector<std::string>& wanted) {
    ExchangeRead r;
    const auto lists = SdrppLists(bytes);
    if (!lists) {
        r.ok = false;
        r.error = "The file is not an SDR++ frequency manager file.";
        return r;
    }
    int number = 0;
    for (auto it = lists->begin(); it != lists->end(); ++it) {
        bool changed = false;
        const std::string listName = NameToLatin1(Utf8(it.key()), changed);
        if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), listName) == wanted.end()) continue;
        const QJsonObject marks = it.value().toObject().value(QStringLiteral("bookmarks")).toObject();
        for (auto m = marks.begin(); m != marks.end(); ++m)
            ReadSdrppBookmark(r, m.key(), m.value(), ++number);
    }
    return r;
}

std::string WriteSdrpp(const std::vector<std::string>& lines) {
    QJsonObject bookmarks;
    for (const std::string& line : lines) {
        const std::string base = Latin1ToUtf8(SdrppName(line));
        // Bookmark names are the keys of their list, so each must be unique.
        QString name = QString::fromStdString(base);
        for (int n = 2; bookmarks.contains(name); ++n)
            name = QString::fromStdString(base + " (" + std::to_string(n) + ")");
        QJsonObject b;
        b.insert(QStringLiteral("frequency"), static_cast<double>(Hz(EntryFrequency(line))));
        b.insert(QStringLiteral("bandwidth"), static_cast<double>(Hz(EntryIfbw(line))));
        b.insert(QStringLiteral("mode"), SdrppMode(line));
        bookmarks.insert(name, b);
    }
    QJsonObject list;
    list.insert(QStringLiteral("bookmarks"), bookmarks);
    list.insert(QStringLiteral("showOnWaterfall"), true);
    QJsonObject lists;
    lists.insert(QStringLiteral("Signal List"), list);
    QJsonObject root;
    root.insert(QStringLiteral("bookmarkDisplayMode"), 1);
    root.insert(QStringLiteral("lists"), lists);
    root.insert(QStringLiteral("selectedList"), QStringLiteral("Signal List"));
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    return std::string(json.constData(), static_cast<std::size_t>(json.size()));
}

// ---- CSV files with a header line ----

// One CSV line into fields; quoted fields may hold commas and doubled quotes. False for a quote
// left open (a field running over the line's end is not taken).
bool SplitCsv(std::string_view line, std::vector<std::string>& fields) {
    fields.assign(1, std::string());
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c != '"')
                fields.back() += c;
            else if (i + 1 < line.size() && line[i + 1] == '"')
                fields.back() += line[++i];
            else
                quoted = false;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return !quoted;
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

using CsvRow = std::map<std::string, std::string>; // lower-case column name -> field

// Reads the rows after the header line; each row goes to `take` with its line number. A row without
// a usable frequency is counted by `take` itself.
template <typename Take> ExchangeRead ReadCsv(std::string_view bytes, const char* format, Take take) {
    ExchangeRead r;
    LineCursor lines(StripBom(bytes));
    std::string_view line;
    std::vector<std::string> header, fields;
    int number = 0;
    while (header.empty() && lines.Next(line)) {
        ++number;
        if (!Trim(line).empty()) SplitCsv(Trim(line), header);
    }
    for (std::string& h : header)
        h = Lower(Trim(h));
    if (std::find(header.begin(), header.end(), "frequency") == header.end()) {
        r.ok = false;
        r.error = std::string("The file has no header line of a ") + format + " file.";
        return r;
    }
    while (lines.Next(line)) {
        ++number;
        if (Trim(line).empty()) continue;
        if (!SplitCsv(Trim(line), fields) || fields.size() > header.size()) {
            Malformed(r, number);
            continue;
        }
        CsvRow row;
        for (std::size_t i = 0; i < fields.size(); ++i)
            row[header[i]] = fields[i];
        take(r, row, number);
    }
    return r;
}

std::string Field(const CsvRow& row, const char* name) {
    const auto it = row.find(name);
    return it == row.end() ? std::string() : it->second;
}

bool Yes(std::string_view text) {
    const std::string t = Lower(Trim(text));
    return t == "yes" || t == "y" || t == "on" || t == "true" || t == "1" || t == "x" || t == "l" ||
           t == "lockout" || t == "locked";
}

// MHz as the CSV formats write it: six decimals without leading zeros.
std::string CsvMhz(std::string_view line) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.6f", static_cast<double>(Hz(EntryFrequency(line))) / 1e6);
    return buf;
}

const char* CsvMode(std::string_view line, bool chirp) {
    const std::string_view det = EntryDetText(line);
    if (det == "FM ") return IsWide(line) ? "WFM" : chirp ? "FM" : "NFM";
    if (det == "USB") return "USB";
    if (det == "LSB") return "LSB";
    if (det == "CW ") return "CW";
    return "AM";
}

void TakeCsvRow(ExchangeRead& r, const CsvRow& row, int number, bool chirp) {
    const auto mhz = Number(Field(row, "frequency"));
    if (!mhz) {
        Malformed(r, number);
        return;
    }
    Foreign f;
    f.mhz = *mhz;
    bool wide = false;
    f.det = ModeFromName(Field(row, chirp ? "mode" : "modulation"), wide);
    if (wide) f.ifbwMhz = kWideIfbwMhz;
    f.name = std::string(Trim(Field(row, "name")));
    if (chirp) {
        const std::string skip = Lower(Trim(Field(row, "skip")));
        f.lockout = skip == "s";
        if (skip == "p") f.priority = '0';
        // The name is the radio's short label; the comment, when it does not merely repeat it, follows.
        const std::string comment(Trim(Field(row, "comment")));
        if (!comment.empty()) f.name = comment.rfind(f.name, 0) == 0 ? comment : f.name + " " + comment;
    } else {
        f.lockout = Yes(Field(row, "lockout"));
        // Scanners know priority channels, not levels: a priority channel is our highest, 0.
        f.priority = Yes(Field(row, "priority")) ? '0' : '9';
    }
    Take(r, f, number);
}

constexpr std::size_t kChirpNameLength = 16;

std::string WriteChirp(const std::vector<std::string>& lines) {
    std::string out = "Location,Name,Frequency,Duplex,Offset,Tone,rToneFreq,cToneFreq,DtcsCode,DtcsPolarity,"
                      "Mode,TStep,Skip,Comment,URCALL,RPT1CALL,RPT2CALL\r\n";
    int location = 1;
    for (const std::string& line : lines) {
        const std::string comment = Latin1ToUtf8(Trim(EntryComment(line)));
        std::string_view shortName = Trim(EntryComment(line)).substr(0, kChirpNameLength);
        const char* skip = EntryLockedOut(line) ? "S" : EntryPriorityText(line) == "0" ? "P" : "";
        out += std::to_string(location++) + "," + CsvField(Latin1ToUtf8(Trim(shortName))) + "," +
               CsvMhz(line) + ",,0.000000,,88.5,88.5,023,NN," + CsvMode(line, true) + ",5.00," + skip + "," +
               CsvField(comment) + ",,,\r\n";
    }
    return out;
}

std::string WriteScanner(const std::vector<std::string>& lines) {
    std::string out = "Channel,Name,Frequency,Modulation,CTCSS/DCS,Delay,Lockout,Priority\r\n";
    int channel = 1;
    for (const std::string& line : lines) {
        out += std::to_string(channel++) + "," + CsvField(Latin1ToUtf8(Trim(EntryComment(line)))) + "," +
               CsvMhz(line) + "," + CsvMode(line, false) + ",,2," + (EntryLockedOut(line) ? "Yes" : "No") +
               "," + (EntryPriorityText(line) == "0" ? "Yes" : "No") + "\r\n";
    }
    return out;
}

} // namespace

std::string NameToLatin1(std::string_view utf8, bool& changed) {
    changed = false;
    std::u32string cps;
    if (!DecodeUtf8(utf8, cps)) {
        cps.clear();
        for (unsigned char c : utf8)
            cps += c;
    }
    std::string out;
    for (char32_t cp : cps) {
        if (cp < 0x20 || (cp >= 0x7F && cp < 0xA0)) {
            out += ' ';
            changed = true;
        } else if (cp <= 0xFF) {
            out += static_cast<char>(cp);
        } else {
            out += NearestLatin1(cp);
            changed = true;
        }
    }
    return out;
}

const char* ExchangeFormatName(ExchangeFormat format) {
    switch (format) {
    case ExchangeFormat::Gqrx:
        return "gqrx bookmarks";
    case ExchangeFormat::SdrPlusPlus:
        return "SDR++ frequency manager";
    case ExchangeFormat::Chirp:
        return "CHIRP CSV";
    case ExchangeFormat::Scanner:
        return "Scanner channel CSV";
    }
    return "";
}

const char* ExchangeExtension(ExchangeFormat format) {
    return format == ExchangeFormat::SdrPlusPlus ? ".json" : ".csv";
}

std::optional<ExchangeFormat> DetectExchangeFormat(std::string_view bytes) {
    LineCursor lines(StripBom(bytes));
    std::string_view line;
    while (lines.Next(line)) {
        const std::string_view t = Trim(line);
        if (t.empty()) continue;
        if (t.front() == '{') return ExchangeFormat::SdrPlusPlus;
        const std::string lower = Lower(t);
        if (lower.rfind("location,", 0) == 0) return ExchangeFormat::Chirp;
        if (lower.rfind("channel,", 0) == 0) return ExchangeFormat::Scanner;
        if (t.find(';') != std::string_view::npos) return ExchangeFormat::Gqrx;
        return std::nullopt;
    }
    return std::nullopt;
}

std::vector<std::string> SdrppListNames(std::string_view bytes) {
    std::vector<std::string> names;
    if (const auto lists = SdrppLists(bytes)) {
        for (const QString& key : lists->keys()) {
            bool changed = false;
            names.push_back(NameToLatin1(Utf8(key), changed));
        }
    }
    return names;
}

ExchangeRead ReadExchange(ExchangeFormat format, std::string_view bytes,
                          const std::vector<std::string>& lists) {
    switch (format) {
    case ExchangeFormat::Gqrx:
        return ReadGqrx(StripBom(bytes));
    case ExchangeFormat::SdrPlusPlus:
        return ReadSdrpp(bytes, lists);
    case ExchangeFormat::Chirp:
        return ReadCsv(bytes, "CHIRP CSV",
                       [](ExchangeRead& r, const CsvRow& row, int n) { TakeCsvRow(r, row, n, true); });
    case ExchangeFormat::Scanner:
        return ReadCsv(bytes, "scanner channel CSV",
                       [](ExchangeRead& r, const CsvRow& row, int n) { TakeCsvRow(r, row, n, false); });
    }
    return {};
}

std::string WriteExchange(ExchangeFormat format, const std::vector<std::string>& lines) {
    switch (format) {
    case ExchangeFormat::Gqrx:
        return WriteGqrx(lines);
    case ExchangeFormat::SdrPlusPlus:
        return WriteSdrpp(lines);
    case ExchangeFormat::Chirp:
        return WriteChirp(lines);
    case ExchangeFormat::Scanner:
        return WriteScanner(lines);
    }
    return {};
}

} // namespace zarn
