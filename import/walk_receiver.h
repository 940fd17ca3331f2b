// What the walk of a configuration document asks of the preference store, in the order it asks,
// and what it decides on the way. The import's receiver writes through the store; other receivers
// only look. The observation hooks do nothing by default and receive only what the walk has at
// hand, so a receiver that ignores them costs the walk nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/xml_document.h"
#include "prefs/pref_keys.h"

namespace regcorvex {

// Why the walk passed a node by without writing anything for it.
enum class WalkSkip {
  kCommentAtRoot,      // a comment under the root element
  kTextOnlyAtRoot,     // a text-only element under the root element
  kNotProduct,         // any other node under the root not named like the product
  kTextOnlyInProduct,  // a text-only element under a product element
  kCategoryWithoutChildren,
  kCategoryByName,  // a category that IsSkippedCategory names
  kUnusableType,    // a value whose "type" is missing or names no entry of kValueTypes
  kRejectedBinary,  // a binary text that the conversion refuses
};

// A value element as the walk read it: its decoded name and text, and its "type" as written.
struct WalkValue {
  const std::string& name;
  const std::string& text;
  const std::string& type;
};

class WalkReceiver {
 public:
  virtual ~WalkReceiver() = default;

  // Opens key (PrefBaseKey, a backslash and a category key path) for scope; true when it is open.
  virtual bool OpenPref(cfgDataScope scope, const std::string& key) = 0;
  virtual void ClosePref() = 0;
  virtual void SetPrefInteger(const std::string& section, const std::string& name,
                              std::int32_t value) = 0;
  virtual void SetPrefString(const std::string& section, const std::string& name,
                             const std::string& value) = 0;
  virtual void SetPrefBooleanProc(const std::string& section, const std::string& name,
                                  bool value) = 0;
  virtual void SetPrefBinaryProc(const std::string& section, const std::string& name,
                                 const std::vector<std::uint8_t>& bytes) = 0;

  // The walk of an accepted document begins; its nodes stay valid until the walk returns.
  virtual void WalkStarted(platform::XmlDocument& /*document*/, platform::XmlNode /*root*/) {}
  virtual void ProductEntered(platform::XmlNode /*product*/) {}
  // name as written, which selects the data scope through GetDataScope.
  virtual void ScopeEntered(platform::XmlNode /*scope*/, const std::string& /*name*/) {}
  // Before the category's key is opened: name is decoded, or kCfgAllName for a value directly under
  // a scope element, which is then the node given.
  virtual void CategoryEntered(platform::XmlNode /*category*/, const std::string& /*name*/) {}
  // Before the value's setter is chosen by its type.
  virtual void ValueRead(platform::XmlNode /*value*/, const WalkValue& /*read*/) {}
  virtual void NodeSkipped(platform::XmlNode /*node*/, WalkSkip /*reason*/) {}
};

// A receiver that only looks: every key opens and nothing is written.
class DiscardingReceiver : public WalkReceiver {
 public:
  bool OpenPref(cfgDataScope, const std::string&) override { return true; }
  void ClosePref() override {}
  void SetPrefInteger(const std::string&, const std::string&, std::int32_t) override {}
  void SetPrefString(const std::string&, const std::string&, const std::string&) override {}
  void SetPrefBooleanProc(const std::string&, const std::string&, bool) override {}
  void SetPrefBinaryProc(const std::string&, const std::string&,
                         const std::vector<std::uint8_t>&) override {}
};

}  // namespace regcorvex
