#pragma once

#include <QString>

class TitleTable;

// What is wrong with a name offered for a new title, if anything.
enum class NameProblem { None, Forbidden, Control, Unencodable, TooLong, Duplicate };

// Checks a new title name against the file-name rules and the titles held.
// *bad receives the offending character for Unencodable.
NameProblem checkNewTitleName(const TitleTable& titles, const QString& name, QString* bad);
