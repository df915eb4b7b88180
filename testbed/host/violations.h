// What the module did that the host would not accept, or that a test did not
// expect: calls of services the module has no business calling, unbalanced
// screens, prompts nobody answered. Every scenario checks the list is empty.
#pragma once

#include <string>
#include <vector>

namespace vbhost {

void ReportViolation(const std::string& what);
std::vector<std::string> TakeViolations();

}  // namespace vbhost
