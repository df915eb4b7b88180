// The host's reading of a plug-in's language files: the file whose language
// matches the host's main language, else the English one; one message per
// line that starts with a quote, numbered from 0 in file order.
#pragma once

#include <string>
#include <vector>

namespace vbhost {

struct LanguageFile {
    std::string languageName;  // from ".Language=Name,Description"
    std::vector<std::string> messages;
};

// Parses the text of one .lng file. A file without a .Language line yields an
// empty languageName.
LanguageFile ParseLanguageFile(const std::string& text);

// Picks the file of `folder` for `language`, falling back to English.
// Returns false when the folder holds no usable .lng file.
bool LoadModuleLanguage(const std::string& folder, const std::string& language, LanguageFile& out);

}  // namespace vbhost
