#pragma once

#include "csv_rows.h"
#include "import_format.h"
#include "import_plan.h"
#include "store/changes.h"

// An import as one step of the undo history. Done (or done again), it plans the
// rows against the titles and viewings as they are then, so that a change made
// elsewhere meanwhile is kept, and writes both files once each (their originals
// kept aside as .bak). Taken back, both files get back the bytes they had, from
// those copies, as long as nobody changed them since.
class ImportStep : public Change {
public:
    ImportStep(CsvFile file, ImportColumns columns, QString word, QString fileName);

    QString text() const override;
    QString apply(Catalogue& c) override;
    QString revert(Catalogue& c) override;
    qsizetype cost() const override;

    // What the last doing of the step did, and the copies it kept.
    const ImportPlan& lastPlan() const { return plan_; }
    const QStringList& kept() const { return kept_; }

private:
    struct Print {
        qsizetype size = -1;  // -1: no file; -2: a file that could not be read
        quint64 hash = 0;
        bool operator==(const Print&) const = default;
    };
    static Print printOf(Catalogue& c, const QString& name);

    CsvFile file_;
    ImportColumns columns_;
    QString word_, fileName_;
    ImportPlan plan_;
    QStringList kept_;
    // Each file (data, history) before and after the step.
    Print before_[2], after_[2];
};
