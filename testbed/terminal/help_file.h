// A help file (.hlf) as the help viewer shows it: topics of lines, each line
// a run of plain, highlighted (#text#) and link (~Text~@Topic@) spans.
#pragma once

#include <string>
#include <vector>

namespace vbterm {

struct HelpSpan {
    enum Kind { Plain, Highlight, Link };
    Kind kind = Plain;
    std::string text;    // OEM
    std::string target;  // a link's topic
};

struct HelpLine {
    bool header = false;   // a '$' line: stays in place while the text scrolls
    bool centred = false;  // '^'
    std::vector<HelpSpan> spans;
    std::string Text() const;  // the spans' texts, markup resolved
};

struct HelpTopic {
    std::string name;
    std::vector<HelpLine> lines;
};

class HelpFile {
public:
    // False when the file cannot be read.
    bool Load(const std::string& path);
    void Parse(const std::string& bytes);

    const std::string& Language() const { return language_; }
    const std::string& Title() const { return title_; }  // .PluginContents
    // A topic by name, without regard to case; null when there is none.
    const HelpTopic* Find(const std::string& name) const;
    const std::vector<HelpTopic>& Topics() const { return topics_; }

private:
    std::string language_;
    std::string title_;
    std::vector<HelpTopic> topics_;
};

// One line of topic text with its markup resolved into spans.
HelpLine ParseHelpLine(const std::string& text);

// The .hlf file in a folder whose language is `language`, else the first
// one found; empty when the folder has none.
std::string FindHelpFile(const std::string& folder, const std::string& language);

}  // namespace vbterm
