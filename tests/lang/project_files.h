// The project files these tests read, and the message names of messages.h.
#pragma once

#include <string>
#include <vector>

// The whole file as bytes; false when it cannot be read.
bool ReadFileBytes(const std::string& path, std::string* bytes);

// A file of the module's language folder (src/lang) by its name.
std::string LangFilePath(const std::string& name);

struct MessageIdEntry {
    std::string name;
    int value = 0;
};

// The "Name = number," entries of the MessageId enumeration, in source order,
// without MessageCount.
std::vector<MessageIdEntry> ParseMessageIds(const std::string& headerText);

std::string MessagesHeaderPath();

// Text in OEM code page 866 as UTF-8, for readable failure output and for
// checking what the bytes mean. Bytes outside the letters and ASCII give U+FFFD.
std::string Cp866ToUtf8(const std::string& bytes);
