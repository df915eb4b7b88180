// Reads a language file (.lng) by the host's rules: every line whose first
// non-blank character is a double quote is one message, numbered from 0 in
// file order; every other line is ignored.
#pragma once

#include <string>
#include <vector>

struct LngMessage {
    std::string text;            // after the closing quote is dropped and escapes resolved
    int line = 0;                // 1-based line of the file
    bool closed = false;         // the line ended with a closing quote
    bool unknownEscape = false;  // a backslash not followed by \ " n r b t
};

struct LngFile {
    std::vector<std::string> lines;  // every line, without its line break
    std::vector<LngMessage> messages;
};

// Resolves the escapes of a message body: \\ \" \n \r \b \t, and "" for ".
// A backslash before any other character is kept with that character.
std::string UnescapeLngText(const std::string& body, bool* unknownEscape);

LngFile ParseLng(const std::string& bytes);
