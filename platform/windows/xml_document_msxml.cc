// MSXML as the platform's DOM, through COM on the main thread (the shell has called
// CoInitialize): version 6 where it is registered, else 3, with every parsing property set
// explicitly since the two differ in their defaults. MSXML keeps a reference to one of the
// document's entities as a node holding its replacement, and keeps white-space-only text where
// xml:space="preserve" says so; the children it lists are read through ResolvedChildren, which
// shows the document with its entities resolved and no such text.
#include "platform/windows/win32.h"

#include <msxml2.h>
#include <objbase.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "platform/code_page.h"
#include "platform/entity_budget.h"
#include "platform/resolved_children.h"
#include "platform/unique_handle.h"
#include "platform/windows/win32_handles.h"
#include "platform/xml_document.h"

namespace platform {
namespace {

// mingw's __uuidof does not link for the MSXML interfaces; these are their published IIDs.
constexpr IID kIidDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
constexpr IID kIidDomElement = {
    0x2933bf86, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

template <typename T>
struct ComTraits {
  using Handle = T*;
  static constexpr T* kEmpty = nullptr;
  void Close(T* object) const { object->Release(); }
};
template <typename T>
using ComPtr = UniqueHandle<ComTraits<T>>;

struct SafeArrayTraits {
  using Handle = SAFEARRAY*;
  static constexpr SAFEARRAY* kEmpty = nullptr;
  void Close(SAFEARRAY* array) const { ::SafeArrayDestroy(array); }
};

struct BstrTraits {
  using Handle = BSTR;
  static constexpr BSTR kEmpty = nullptr;
  void Close(BSTR text) const { ::SysFreeString(text); }
};
using UniqueBstr = UniqueHandle<BstrTraits>;

// A VARIANT, cleared when it goes.
class Variant {
 public:
  Variant() { ::VariantInit(&value); }
  ~Variant() { ::VariantClear(&value); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT value;
};

std::u16string ToU16(BSTR text) {
  if (text == nullptr) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), ::SysStringLen(text));
}

std::u16string TakeBstr(BSTR text) { return ToU16(UniqueBstr(text).get()); }

UniqueBstr MakeBstr(std::u16string_view text) {
  UniqueBstr result(::SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                        static_cast<UINT>(text.size())));
  if (!result) throw std::bad_alloc();
  return result;
}

void Check(HRESULT result, const char* call) {
  if (SUCCEEDED(result)) return;
  char code[16];
  std::snprintf(code, sizeof(code), "%08lX", static_cast<unsigned long>(result));
  throw std::runtime_error(std::string("MSXML: ") + call + " failed with HRESULT 0x" + code);
}

// The deepest nesting of elements that the native DOM loads (libxml2's limit): MSXML 6 allows 256
// by default, MSXML 3 any; both know the property from MSXML 3 SP4 on.
constexpr long kMaxElementDepth = 257;

// A new document object of the newest registered MSXML, set up as the import parses.
ComPtr<IXMLDOMDocument2> CreateParser() {
  HRESULT result = REGDB_E_CLASSNOTREG;
  struct Version {
    const wchar_t* prog_id;
    bool knows_prohibit_dtd;
  };
  for (const Version& version :
       {Version{L"Msxml2.DOMDocument.6.0", true}, Version{L"Msxml2.DOMDocument.3.0", false}}) {
    CLSID clsid;
    if (FAILED(::CLSIDFromProgID(version.prog_id, &clsid))) continue;
    void* object = nullptr;
    result = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, kIidDomDocument2, &object);
    if (FAILED(result)) continue;
    ComPtr<IXMLDOMDocument2> document(static_cast<IXMLDOMDocument2*>(object));
    IXMLDOMDocument2* parser = document.get();
    Check(parser->put_async(VARIANT_FALSE), "async");
    Check(parser->put_validateOnParse(VARIANT_FALSE), "validateOnParse");
    Check(parser->put_resolveExternals(VARIANT_FALSE), "resolveExternals");
    Check(parser->put_preserveWhiteSpace(VARIANT_FALSE), "preserveWhiteSpace");
    // MSXML 6 refuses every DOCTYPE unless told otherwise; MSXML 3 allows them and may not know
    // the property.
    Variant allow;
    allow.value.vt = VT_BOOL;
    allow.value.boolVal = VARIANT_FALSE;
    const HRESULT prohibit = parser->setProperty(MakeBstr(u"ProhibitDTD").get(), allow.value);
    if (version.knows_prohibit_dtd) Check(prohibit, "ProhibitDTD");
    // Wine's MSXML does not know the property (E_FAIL); it parses with libxml2, whose limit the
    // native DOM shares.
    Variant depth;
    depth.value.vt = VT_I4;
    depth.value.lVal = kMaxElementDepth;
    parser->setProperty(MakeBstr(u"MaxElementDepth").get(), depth.value);
    return document;
  }
  Check(result, "creating the DOM document");
  return {};
}

// The bytes as the array of bytes that MSXML's load accepts.
UniqueHandle<SafeArrayTraits> ByteArray(std::string_view bytes) {
  UniqueHandle<SafeArrayTraits> array(
      ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size())));
  if (!array) throw std::bad_alloc();
  void* data = nullptr;
  Check(::SafeArrayAccessData(array.get(), &data), "SafeArrayAccessData");
  std::copy(bytes.begin(), bytes.end(), static_cast<char*>(data));
  ::SafeArrayUnaccessData(array.get());
  return array;
}

std::string Trimmed(std::u16string_view text) {
  const std::size_t end = text.find_last_not_of(u" \r\n");
  return WideToAnsi(text.substr(0, end == std::u16string_view::npos ? 0 : end + 1));
}

XmlLoadError ParseErrorOf(IXMLDOMDocument2* document, HRESULT load_result) {
  IXMLDOMParseError* raw = nullptr;
  if (FAILED(document->get_parseError(&raw)) || raw == nullptr) {
    Check(load_result, "load");
    return XmlLoadError("The document could not be loaded.", 0, "");
  }
  const ComPtr<IXMLDOMParseError> error(raw);
  BSTR reason = nullptr;
  BSTR source = nullptr;
  long line = 0;
  error.get()->get_reason(&reason);
  error.get()->get_srcText(&source);
  error.get()->get_line(&line);
  const std::u16string source_text = TakeBstr(source);
  std::string text = Trimmed(TakeBstr(reason));
  if (text.empty()) text = "The document could not be loaded.";
  return XmlLoadError(text, static_cast<int>(line),
                      WideToAnsi(source_text.substr(0, XmlLoadError::kSourceTextLength)));
}

class MsxmlDocument final : public XmlDocument, private ReferenceKeepingDom {
 public:
  explicit MsxmlDocument(FileSystem& files) : files_(files), document_(CreateParser()) {}

  void Load(const std::string& path) override {
    children_.clear();
    texts_.clear();
    nodes_.clear();
    root_ = {};
    doctype_ = {};
    // MSXML parses the bytes that the entity check has seen.
    const std::string bytes = ReadXmlFile(files_, path);
    MeasureEntityExpansion(bytes);
    Variant source;
    source.value.vt = VT_ARRAY | VT_UI1;
    source.value.parray = ByteArray(bytes).release();
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT result = document_.get()->load(source.value, &loaded);
    if (result != S_OK || loaded != VARIANT_TRUE) throw ParseErrorOf(document_.get(), result);
  }

  XmlNode RootElement() override {
    if (!root_) {
      IXMLDOMElement* element = nullptr;
      Check(document_.get()->get_documentElement(&element), "documentElement");
      root_ = Keep(element);
    }
    return root_;
  }

  XmlNode Doctype() override {
    if (!doctype_) {
      IXMLDOMDocumentType* doctype = nullptr;
      Check(document_.get()->get_doctype(&doctype), "doctype");
      doctype_ = Keep(doctype);
    }
    return doctype_;
  }

  std::u16string Name(XmlNode node) override {
    BSTR name = nullptr;
    Check(Unwrap(node)->get_nodeName(&name), "nodeName");
    return TakeBstr(name);
  }

  XmlNodeType Type(XmlNode node) override {
    DOMNodeType type = NODE_INVALID;
    Check(Unwrap(node)->get_nodeType(&type), "nodeType");
    return static_cast<XmlNodeType>(type);
  }

  std::size_t ChildCount(XmlNode node) override { return Resolved(node).size(); }

  XmlNode Child(XmlNode node, std::size_t index) override {
    const std::vector<XmlNode>& children = Resolved(node);
    return index < children.size() ? children[index] : XmlNode{};
  }

  std::optional<std::u16string> Attribute(XmlNode element, std::u16string_view name) override {
    void* raw = nullptr;
    if (FAILED(Unwrap(element)->QueryInterface(kIidDomElement, &raw))) return std::nullopt;
    const ComPtr<IXMLDOMElement> as_element(static_cast<IXMLDOMElement*>(raw));
    Variant value;
    Check(as_element.get()->getAttribute(MakeBstr(name).get(), &value.value), "getAttribute");
    if (value.value.vt != VT_BSTR) return std::nullopt;
    return ToU16(value.value.bstrVal);
  }

  std::u16string Text(XmlNode node) override {
    const auto text = texts_.find(Child(node, 0).handle);
    return text != texts_.end() ? text->second : std::u16string();
  }

 private:
  static IXMLDOMNode* Unwrap(XmlNode node) {
    return static_cast<IXMLDOMNode*>(const_cast<void*>(node.handle));
  }

  // Holds a node for the document's lifetime and hands out its handle.
  XmlNode Keep(IXMLDOMNode* node) {
    if (node == nullptr) return {};
    nodes_.emplace_back(node);
    return XmlNode{node};
  }

  // The node's children as the import reads them, listed once: MSXML hands out a new object for
  // every item asked for. The text of each text child is kept.
  const std::vector<XmlNode>& Resolved(XmlNode node) {
    const auto known = children_.find(node.handle);
    if (known != children_.end()) return known->second;
    std::vector<XmlNode> children;
    for (ResolvedChild& child : ResolvedChildren(*this, node)) {
      if (!child.text.empty()) texts_.emplace(child.node.handle, std::move(child.text));
      children.push_back(child.node);
    }
    return children_.emplace(node.handle, std::move(children)).first->second;
  }

  std::u16string Value(XmlNode text) override {
    Variant value;
    Check(Unwrap(text)->get_nodeValue(&value.value), "nodeValue");
    return value.value.vt == VT_BSTR ? ToU16(value.value.bstrVal) : std::u16string();
  }

  // The node's children as MSXML has them; Resolved lists each node's once.
  std::vector<XmlNode> Children(XmlNode node) override {
    std::vector<XmlNode> children;
    IXMLDOMNodeList* raw = nullptr;
    Check(Unwrap(node)->get_childNodes(&raw), "childNodes");
    const ComPtr<IXMLDOMNodeList> list(raw);
    // In order with the list's own cursor: an item asked for by index is found by walking from
    // the first child, in Wine's MSXML at least, which made a key of many values quadratic.
    for (;;) {
      IXMLDOMNode* child = nullptr;
      Check(list.get()->nextNode(&child), "nextNode");
      const XmlNode kept = Keep(child);
      if (!kept) break;
      children.push_back(kept);
    }
    return children;
  }

  FileSystem& files_;
  ComPtr<IXMLDOMDocument2> document_;
  std::vector<ComPtr<IXMLDOMNode>> nodes_;
  std::unordered_map<const void*, std::vector<XmlNode>> children_;
  std::unordered_map<const void*, std::u16string> texts_;  // of the text children listed
  XmlNode root_;
  XmlNode doctype_;
};

class MsxmlParser final : public XmlParser {
 public:
  explicit MsxmlParser(FileSystem& files) : files_(files) {}
  std::unique_ptr<XmlDocument> NewDocument() override {
    return std::make_unique<MsxmlDocument>(files_);
  }

 private:
  FileSystem& files_;
};

}  // namespace

std::unique_ptr<XmlParser> MakeXmlParser(FileSystem& files) {
  return std::make_unique<MsxmlParser>(files);
}

}  // namespace platform
