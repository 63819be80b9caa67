// Just enough of HTML for checking a hand-written page: the targets of its links and
// pictures, its anchors, and its text with the common character references decoded.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace tarvo::docs {

struct Reference {
  std::string attribute;  // "href" or "src"
  std::string target;     // as written, with character references decoded
};

std::vector<Reference> references(const std::string& html);
// Every id="..." of the page; `duplicates` receives ids that occur more than once.
std::set<std::string> anchors(const std::string& html, std::vector<std::string>* duplicates);
// The page with tags removed, character references decoded and white space collapsed.
std::string visibleText(const std::string& html);
std::string decodeEntities(const std::string& text);
std::string percentDecode(const std::string& text);

}  // namespace tarvo::docs
