#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <optional>

class DataDir;

// The names in the data directory that match a pattern, as a list model. The
// directory is listed only when the model is first asked, and again after
// refresh(): in a folder of a hundred thousand texts a listing nobody looks at
// would cost memory and time at every start.
class FileNamesModel : public QAbstractListModel {
    Q_OBJECT
public:
    FileNamesModel(const DataDir& dir, QString pattern, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The directory changed: the names are listed again when next asked for.
    void refresh();

private:
    const QStringList& names() const;

    const DataDir& dir_;
    const QString pattern_;
    mutable std::optional<QStringList> names_;
};
