#pragma once

#include <QString>

// Rules for title names, which are also the stems of the title's file names.
namespace TitleName {

// \ / : , ; * ? " < > | — characters a file name or the record files cannot hold.
bool hasForbiddenCharacter(QStringView name);
bool hasControlCharacter(QStringView name);
// True when a file named after the title ("あらすじ_" + name + ".txt") would pass
// the 255-byte limit of file names.
bool tooLongForFileNames(QStringView name);

}  // namespace TitleName
