// Reads a help file (.hlf): header lines, topics ("@Name" lines) and, in each
// topic's lines, the highlight marks (#text#), links (~Text~@Topic@) and the
// doubled characters ~~ ## @@ that stand for themselves.
#pragma once

#include <string>
#include <vector>

struct HlfLink {
    std::string text;
    std::string target;
    int line = 0;
};

struct HlfTopic {
    std::string name;
    int line = 0;                    // 1-based line of the "@Name" line
    std::vector<std::string> plain;  // each body line with the markup resolved
    std::vector<HlfLink> links;
};

struct HlfFile {
    std::vector<std::string> header;  // the lines before the first topic
    std::vector<HlfTopic> topics;
    std::vector<std::string> errors;  // markup the host would not read as meant
};

HlfFile ParseHlf(const std::string& bytes);

const HlfTopic* FindTopic(const HlfFile& file, const std::string& name);

// The topic's text with markup resolved and every run of blanks and line
// breaks made one space, for searching phrases that a line break may split.
std::string FlowText(const HlfTopic& topic);
