#include "file_names_model.h"

#include "store/data_dir.h"

FileNamesModel::FileNamesModel(const DataDir& dir, QString pattern, QObject* parent)
    : QAbstractListModel(parent), dir_(dir), pattern_(std::move(pattern)) {}

const QStringList& FileNamesModel::names() const {
    if (!names_) names_ = dir_.entries(pattern_);
    return *names_;
}

int FileNamesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(names().size());
}

QVariant FileNamesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= names().size() ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return names()[index.row()];
}

void FileNamesModel::refresh() {
    beginResetModel();
    names_.reset();
    endResetModel();
}
