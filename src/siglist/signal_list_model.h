// The list box's model: the signal list as rows of entry lines. Every change goes through here so the
// view hears of it; the view never holds a widget per row.
#pragma once

#include "signal_list.h"

#include <QAbstractListModel>

#include <optional>
#include <string>
#include <string_view>

namespace zarn {

class SignalListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit SignalListModel(QObject* parent = nullptr);

    const SignalList& List() const { return list_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    void Clear();
    // Merges a list file as LoadSignalFile does; the view is reset once, not per record.
    SignalLoadResult Load(const std::string& path);
    // The same for a file's text already read.
    SignalLoadResult Merge(std::string_view text);
    bool InsertAt(int index, std::string line);
    void RemoveAt(int index);
    void ReplaceAt(int index, std::string line);
    std::optional<int> InsertSorted(std::string line);

private:
    SignalList list_;
};

} // namespace zarn
