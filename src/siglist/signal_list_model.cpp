#include "signal_list_model.h"

#include "latin1.h"

namespace zarn {

SignalListModel::SignalListModel(QObject* parent) : QAbstractListModel(parent) {}

int SignalListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.Count();
}

QVariant SignalListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= list_.Count()) return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) return Qs(list_.Line(index.row()));
    return {};
}

void SignalListModel::Clear() {
    if (list_.Empty()) return;
    beginResetModel();
    list_.Clear();
    endResetModel();
}

SignalLoadResult SignalListModel::Load(const std::string& path) {
    // One reset for the whole file: a 32767-line list would otherwise tell the view 32767 times.
    beginResetModel();
    SignalLoadResult result = LoadSignalFile(path, list_);
    endResetModel();
    return result;
}

SignalLoadResult SignalListModel::Merge(std::string_view text) {
    beginResetModel();
    SignalLoadResult result = MergeSignalRecords(text, list_);
    endResetModel();
    return result;
}

bool SignalListModel::InsertAt(int index, std::string line) {
    if (index < 0 || index > list_.Count() || list_.Full()) return false;
    beginInsertRows(QModelIndex(), index, index);
    const bool ok = list_.InsertAt(index, std::move(line));
    endInsertRows();
    return ok;
}

void SignalListModel::RemoveAt(int index) {
    if (index < 0 || index >= list_.Count()) return;
    beginRemoveRows(QModelIndex(), index, index);
    list_.RemoveAt(index);
    endRemoveRows();
}

void SignalListModel::ReplaceAt(int index, std::string line) {
    if (index < 0 || index >= list_.Count()) return;
    list_.ReplaceAt(index, std::move(line));
    const QModelIndex changed = createIndex(index, 0);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

std::optional<int> SignalListModel::InsertSorted(std::string line) {
    const SignalList::SortedPosition at = list_.FindSortedPosition(line);
    if (at.replaces) {
        ReplaceAt(at.index, std::move(line));
        return at.index;
    }
    if (!InsertAt(at.index, std::move(line))) return std::nullopt;
    return at.index;
}

} // namespace zarn
