// The open recording: the event file, its segment table, the chosen segment, and the clip table of
// the summary picture built from it.
#pragma once

#include "clip_table.h"
#include "segscan.h"

#include <QObject>

#include <string>

namespace zarn {

class RecordingModel final : public QObject {
    Q_OBJECT
public:
    explicit RecordingModel(QObject* parent = nullptr) : QObject(parent) {}

    // Full path of the open event file, "" when none; its folder ends in "/".
    const std::string& EventFileName() const { return eventFileName_; }
    const std::string& EventFolder() const { return eventFolder_; }
    void SetEventFile(const std::string& path, const std::string& folder) {
        eventFileName_ = path;
        eventFolder_ = folder;
        emit fileChanged();
    }

    const SegmentTable& Segments() const { return segments_; }
    void SetSegments(SegmentTable table) { segments_ = std::move(table); }
    // After a split the segment keeps only the clips the picture shows.
    void SetClipCount(int segment, int count) {
        if (segment >= 0 && static_cast<std::size_t>(segment) < segments_.clipCount.size())
            segments_.clipCount[static_cast<std::size_t>(segment)] = count;
    }
    // From 1; 0 = none chosen.
    int SelectedSegment() const { return selectedSegment_; }
    void SetSelectedSegment(int segment) { selectedSegment_ = segment; }
    // The chosen segment's start and stop dates; 0 when it is not in the table.
    double SegmentStart() const { return segments_.StartOf(selectedSegment_); }
    double SegmentStop() const { return segments_.StopOf(selectedSegment_); }

    // The clip table of the loaded summary picture.
    const ClipTable& Table() const { return table_; }
    void SetTable(ClipTable table) {
        table_ = std::move(table);
        type_ = table_.Type;
    }
    CollectionType Type() const { return type_; }

    // Open lets window events run while it reads the file; Close waits for it.
    bool OpenBusy() const { return openBusy_; }
    void SetOpenBusy(bool busy) { openBusy_ = busy; }

    // Whether a summary picture stands for the chosen segment.
    bool SummaryLoaded() const { return summaryLoaded_; }
    void SetSummaryLoaded(bool loaded) {
        summaryLoaded_ = loaded;
        emit summaryLoadedChanged(loaded);
    }

signals:
    void fileChanged();
    void summaryLoadedChanged(bool loaded);

private:
    std::string eventFileName_;
    std::string eventFolder_;
    SegmentTable segments_;
    int selectedSegment_ = 0;
    ClipTable table_;
    CollectionType type_ = CollectionType::Netora;
    bool openBusy_ = false;
    bool summaryLoaded_ = false;
};

} // namespace zarn
