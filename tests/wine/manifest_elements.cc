#include "tests/wine/manifest_elements.h"

#include <stdexcept>
#include <string_view>

namespace regcorvex::test {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";

std::string Decode(std::string_view text) {
  static const std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string plain;
  while (!text.empty()) {
    bool decoded = false;
    for (const auto& [entity, c] : kEntities) {
      if (text.starts_with(entity)) {
        plain += c;
        text.remove_prefix(entity.size());
        decoded = true;
        break;
      }
    }
    if (decoded) continue;
    if (text.front() == '&') throw std::runtime_error("unknown entity");
    plain += text.front();
    text.remove_prefix(1);
  }
  return plain;
}

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

struct Open {
  size_t element;  // index into the result
  std::string name;
  std::map<std::string, std::string> namespaces;  // prefix ("" for the default) to URI in scope
};

class Reader {
 public:
  explicit Reader(std::string_view xml) : xml_(xml) {}

  std::vector<ManifestElement> Read() {
    while (!xml_.empty()) {
      const size_t tag = xml_.find('<');
      Text(xml_.substr(0, tag));
      if (tag == std::string_view::npos) break;
      xml_.remove_prefix(tag);
      if (Skip("<?", "?>") || Skip("<!--", "-->")) continue;
      if (xml_.starts_with("<!")) throw std::runtime_error("unsupported markup");
      if (xml_.starts_with("</")) {
        Close();
      } else {
        Start();
      }
    }
    if (!open_.empty()) throw std::runtime_error("unclosed element " + open_.back().name);
    return elements_;
  }

 private:
  bool Skip(std::string_view start, std::string_view end) {
    if (!xml_.starts_with(start)) return false;
    const size_t found = xml_.find(end);
    if (found == std::string_view::npos) throw std::runtime_error("unterminated markup");
    xml_.remove_prefix(found + end.size());
    return true;
  }

  void Text(std::string_view text) {
    if (open_.empty()) {
      if (!Trim(text).empty()) throw std::runtime_error("text outside the root");
      return;
    }
    elements_[open_.back().element].text += Decode(Trim(text));
  }

  std::string Name() {
    const size_t end = xml_.find_first_of(" \t\r\n/>=");
    if (end == 0 || end == std::string_view::npos) throw std::runtime_error("bad name");
    std::string name(xml_.substr(0, end));
    xml_.remove_prefix(end);
    return name;
  }

  void SkipBlanks() {
    const size_t end = xml_.find_first_not_of(kBlanks);
    xml_.remove_prefix(end == std::string_view::npos ? xml_.size() : end);
  }

  void Start() {
    xml_.remove_prefix(1);
    Open open{elements_.size(), Name(),
              open_.empty() ? decltype(Open::namespaces)() : open_.back().namespaces};
    ManifestElement element;
    for (SkipBlanks(); !xml_.starts_with("/>") && !xml_.starts_with(">"); SkipBlanks()) {
      const std::string attribute = Name();
      SkipBlanks();
      if (!xml_.starts_with("=")) throw std::runtime_error("attribute without value");
      xml_.remove_prefix(1);
      SkipBlanks();
      const char quote = xml_.empty() ? '\0' : xml_.front();
      const size_t end = xml_.find(quote, 1);
      if ((quote != '"' && quote != '\'') || end == std::string_view::npos) {
        throw std::runtime_error("bad attribute value");
      }
      const std::string value = Decode(xml_.substr(1, end - 1));
      xml_.remove_prefix(end + 1);
      if (attribute == "xmlns") open.namespaces[""] = value;
      if (attribute.starts_with("xmlns:")) open.namespaces[attribute.substr(6)] = value;
      if (!element.attributes.emplace(attribute, value).second) {
        throw std::runtime_error("attribute twice: " + attribute);
      }
    }
    const size_t colon = open.name.find(':');
    const std::string prefix = colon == std::string::npos ? "" : open.name.substr(0, colon);
    const auto ns = open.namespaces.find(prefix);
    if (ns == open.namespaces.end() && !prefix.empty()) {
      throw std::runtime_error("undeclared prefix " + prefix);
    }
    element.ns = ns == open.namespaces.end() ? "" : ns->second;
    const std::string local = open.name.substr(colon == std::string::npos ? 0 : colon + 1);
    element.path = open_.empty() ? local : elements_[open_.back().element].path + "/" + local;
    elements_.push_back(std::move(element));
    const bool empty = xml_.starts_with("/>");
    xml_.remove_prefix(empty ? 2 : 1);
    if (!empty) open_.push_back(std::move(open));
  }

  void Close() {
    xml_.remove_prefix(2);
    const std::string name = Name();
    SkipBlanks();
    if (open_.empty() || open_.back().name != name || !xml_.starts_with(">")) {
      throw std::runtime_error("mismatched end tag " + name);
    }
    xml_.remove_prefix(1);
    open_.pop_back();
  }

  std::string_view xml_;
  std::vector<Open> open_;
  std::vector<ManifestElement> elements_;
};

}  // namespace

std::vector<ManifestElement> ManifestElements(const std::string& xml) {
  std::string_view text = xml;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return Reader(text).Read();
}

}  // namespace regcorvex::test
