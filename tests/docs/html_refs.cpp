#include "docs/html_refs.h"

#include <cctype>
#include <regex>

namespace tarvo::docs {

std::string decodeEntities(const std::string& text) {
  static const std::pair<const char*, const char*> kNamed[] = {
      {"&amp;", "&"},  {"&lt;", "<"},   {"&gt;", ">"},    {"&quot;", "\""},     {"&#39;", "'"},
      {"&nbsp;", " "}, {"&apos;", "'"}, {"&minus;", "-"}, {"&ndash;", "\u2013"}};
  std::string out;
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    if (text[i] == '&') {
      for (const auto& [from, to] : kNamed) {
        if (text.compare(i, std::char_traits<char>::length(from), from) == 0) {
          out += to;
          i += std::char_traits<char>::length(from);
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += text[i++];
  }
  return out;
}

std::string percentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<Reference> references(const std::string& html) {
  static const std::regex kAttr(R"re(\s(href|src)\s*=\s*"([^"]*)")re", std::regex::icase);
  std::vector<Reference> refs;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), kAttr);
       it != std::sregex_iterator(); ++it) {
    std::string attribute = (*it)[1];
    for (char& c : attribute) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    refs.push_back({attribute, decodeEntities((*it)[2])});
  }
  return refs;
}

std::set<std::string> anchors(const std::string& html, std::vector<std::string>* duplicates) {
  static const std::regex kId(R"re(\sid\s*=\s*"([^"]*)")re", std::regex::icase);
  std::set<std::string> ids;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), kId); it != std::sregex_iterator();
       ++it) {
    const std::string id = decodeEntities((*it)[1]);
    if (!ids.insert(id).second && duplicates != nullptr) duplicates->push_back(id);
  }
  return ids;
}

std::string visibleText(const std::string& html) {
  std::string stripped;
  bool inTag = false;
  for (char c : html) {
    if (c == '<') {
      inTag = true;
      stripped += ' ';
    } else if (c == '>') {
      inTag = false;
    } else if (!inTag) {
      stripped += c;
    }
  }
  const std::string decoded = decodeEntities(stripped);
  std::string out;
  for (char c : decoded) {
    const bool space = std::isspace(static_cast<unsigned char>(c)) != 0;
    if (space && (out.empty() || out.back() == ' ')) continue;
    out += space ? ' ' : c;
  }
  return out;
}

}  // namespace tarvo::docs
