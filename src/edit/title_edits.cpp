#include "title_edits.h"

#include "store/catalogue.h"
#include "store/cp932.h"
#include "store/kansyou_table.h"
#include "store/title_name.h"

NameProblem checkNewTitleName(const TitleTable& titles, const QString& name, QString* bad) {
    if (TitleName::hasForbiddenCharacter(name)) return NameProblem::Forbidden;
    if (TitleName::hasControlCharacter(name)) return NameProblem::Control;
    *bad = Cp932::firstUnencodable(name);
    if (!bad->isEmpty()) return NameProblem::Unencodable;
    if (TitleName::tooLongForFileNames(name)) return NameProblem::TooLong;
    if (titles.find(name) != 0) return NameProblem::Duplicate;
    return NameProblem::None;
}
