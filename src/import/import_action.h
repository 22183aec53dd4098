#pragma once

class ScreenHost;

// "CSVを取り込む…" of the master screen: a file chosen by the user, the preview of
// what it would change, and on OK the import, written once.
namespace CsvImportAction {

inline constexpr const char16_t* kTitle = u"CSVの取り込み";

// True when something was imported.
bool run(ScreenHost& host);

}  // namespace CsvImportAction
