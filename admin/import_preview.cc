#include "admin/import_preview.h"

#include "import/document_format.h"
#include "import/document_nodes.h"
#include "import/store_receiver.h"
#include "prefs/config_base.h"

namespace regcorvex {
namespace {

using Outcome = PreviewEntry::Outcome;

// The store's message boxes, kept instead of shown.
class KeptMessages final : public platform::MessageBoxes {
 public:
  int MessageBoxA(platform::Hwnd, const std::string& text, const std::string&, unsigned) override {
    texts.push_back(text);
    return platform::kIdOk;
  }
  platform::Hwnd OwnForegroundWindow() override { return platform::kNoWindow; }
  void ShowMessageDialog(platform::Hwnd, const std::string& text, const std::string&) override {
    texts.push_back(text);
  }

  std::vector<std::string> texts;
};

std::string WithoutTrailingBackslash(std::string key) {
  while (!key.empty() && key.back() == '\\') key.pop_back();
  return key;
}

class PreviewReceiver final : public WalkReceiver {
 public:
  PreviewReceiver(platform::Registry& registry,
                  const std::function<void(const PreviewEntry&)>& each)
      : registry_(registry), store_(registry_, messages_, platform::kNoWindow), each_(each) {}

  bool OpenPref(cfgDataScope scope, const std::string& key) override {
    Begin();
    scope_ = scope;
    key_ = WithoutTrailingBackslash(key);
    const bool open = forward_.OpenPref(scope, key);
    root_ = registry_.WritableOpenRoot();
    for (const auto& created : registry_.created_keys()) {
      PreviewEntry entry = Entry(category_where_, Outcome::kKeyCreated);
      entry.root = created.root;
      entry.key = created.key;
      each_(entry);
    }
    ReportMessages(category_where_, Outcome::kKeyNotOpened, {});
    return open;
  }

  void ClosePref() override {
    Begin();
    forward_.ClosePref();
    ReportMessages(category_where_, Outcome::kFailed, {});
  }

  void SetPrefInteger(const std::string& section, const std::string& name,
                      std::int32_t value) override {
    Begin();
    forward_.SetPrefInteger(section, name, value);
    Written(name);
  }
  void SetPrefString(const std::string& section, const std::string& name,
                     const std::string& value) override {
    Begin();
    forward_.SetPrefString(section, name, value);
    Written(name);
  }
  void SetPrefBooleanProc(const std::string& section, const std::string& name,
                          bool value) override {
    Begin();
    forward_.SetPrefBooleanProc(section, name, value);
    Written(name);
  }
  void SetPrefBinaryProc(const std::string& section, const std::string& name,
                         const std::vector<std::uint8_t>& bytes) override {
    Begin();
    forward_.SetPrefBinaryProc(section, name, bytes);
    Written(name);
  }

  void WalkStarted(platform::XmlDocument& document, platform::XmlNode root) override {
    document_ = &document;
    where_.WalkStarted(document, root);
  }
  void ProductEntered(platform::XmlNode product) override { where_.ProductEntered(product); }
  void ScopeEntered(platform::XmlNode scope, const std::string&) override {
    where_.ScopeEntered(scope);
  }
  void CategoryEntered(platform::XmlNode category, const std::string&) override {
    const bool direct = category.handle == where_.scope().handle;
    category_where_ = where_.Locate(category, direct ? WalkLevel::kProduct : WalkLevel::kScope);
    where_.CategoryEntered(category);
  }
  void ValueRead(platform::XmlNode value, const WalkValue&) override {
    value_where_ = where_.Locate(value, WalkLevel::kCategory);
  }
  void NodeSkipped(platform::XmlNode node, WalkSkip reason) override {
    if (reason != WalkSkip::kUnusableType && reason != WalkSkip::kRejectedBinary) return;
    if (document_->Type(node) != platform::XmlNodeType::kElement) return;
    PreviewEntry entry = Entry(value_where_, Outcome::kNotWritten);
    entry.root = root_;
    entry.key = key_;
    entry.name = DecodeElementName(NodeName(*document_, node));
    const std::string type = ValueType(*document_, node);
    entry.message =
        reason == WalkSkip::kRejectedBinary
            ? "the binary text is rejected"
            : (type.empty() ? "the value has no type" : "unknown type \"" + type + "\"");
    each_(entry);
  }

 private:
  void Begin() {
    registry_.ClearLog();
    messages_.texts.clear();
  }

  PreviewEntry Entry(const Location& where, Outcome outcome) const {
    PreviewEntry entry;
    entry.where = where;
    entry.outcome = outcome;
    return entry;
  }

  // The store's reports of the call just made; true when there was one.
  bool ReportMessages(const Location& where, Outcome outcome, const std::string& name) {
    for (const std::string& text : messages_.texts) {
      PreviewEntry entry = Entry(where, outcome);
      entry.root = root_;
      entry.key = key_;
      entry.name = name;
      entry.message = text;
      each_(entry);
    }
    return !messages_.texts.empty();
  }

  void Written(const std::string& name) {
    if (ReportMessages(value_where_, Outcome::kFailed, name)) return;
    PreviewEntry entry = Entry(value_where_, Outcome::kEqualsMachine);
    entry.name = name;
    const auto& changes = registry_.changes();
    if (changes.empty()) {
      entry.root = root_;
      entry.key = key_;
      entry.before = registry_.Value(platform::kHkeyLocalMachine, key_, name);
    } else {
      const DryRunRegistry::ValueChange& change = changes.back();
      entry.root = change.root;
      entry.key = change.key;
      entry.before = change.before;
      entry.after = change.after;
      entry.outcome = !change.before                    ? Outcome::kNew
                      : *change.before == *change.after ? Outcome::kUnchanged
                                                        : Outcome::kChanged;
    }
    entry.to_user_key = scope_ == cfgPerMachine && entry.root == platform::kHkeyCurrentUser;
    each_(entry);
  }

  DryRunRegistry registry_;
  KeptMessages messages_;
  TConfigBase store_;
  StoreReceiver forward_{store_};
  const std::function<void(const PreviewEntry&)>& each_;
  platform::XmlDocument* document_ = nullptr;
  WalkLocation where_;
  Location category_where_;
  Location value_where_;
  cfgDataScope scope_ = cfgPerUserRoam;
  std::string key_;
  platform::Hkey root_ = platform::kNoKey;  // where the open key's values go
};

}  // namespace

WalkOutcome PreviewImport(const std::string& path, platform::Registry& registry,
                          const std::function<void(const PreviewEntry&)>& each) {
  PreviewReceiver receiver(registry, each);
  return LoadAndWalk(path, platform::DefaultXmlParser(), receiver);
}

PreviewReport PreviewImport(const std::string& path, platform::Registry& registry) {
  PreviewReport report;
  report.outcome = PreviewImport(
      path, registry, [&report](const PreviewEntry& entry) { report.entries.push_back(entry); });
  return report;
}

int PreviewExitCode(const WalkOutcome& outcome) {
  switch (outcome.kind) {
    case WalkOutcome::Kind::kWalked:
      return 0;
    case WalkOutcome::Kind::kNotLoaded:
      return 2;
    default:
      return 1;
  }
}

}  // namespace regcorvex
