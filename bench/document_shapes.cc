// Whether the native DOM loads documents in time linear in their size whatever their shape. For
// each shape it makes a document of n and of 4n repetitions of one part, parses each in process
// (the fastest of a few runs) and prints the ratio of the times: about 4 is linear, 16 quadratic.
// A load that fails is timed too, and marked: refusing a shape early is one way to bound it.
//   document_shapes [n] [rounds] [shape name contains]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/posix/xml_document_libxml2.h"
#include "platform/xml_document.h"

namespace {

struct Shape {
  const char* name;
  std::function<std::string(int)> make;  // the document with n repetitions
};

std::string Numbered(const char* before, int i, const char* after) {
  return before + std::to_string(i) + after;
}

std::string Join(int n, const std::function<std::string(int)>& part) {
  std::string text;
  for (int i = 0; i < n; ++i) text += part(i);
  return text;
}

std::string Wrapped(const std::string& subset, const std::string& root_attributes,
                    const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<!DOCTYPE r [" + subset + "]>\n<r" + root_attributes + ">" +
         body + "</r>\n";
}

const std::vector<Shape>& Shapes() {
  static const std::vector<Shape> shapes = {
      {"attributes on one element",
       [](int n) {
         return Wrapped("", Join(n, [](int i) { return Numbered(" a", i, "=\"\""); }), "");
       }},
      {"prefixed attributes, one namespace",
       [](int n) {
         return Wrapped(
             "", " xmlns:p=\"u\"" + Join(n, [](int i) { return Numbered(" p:a", i, "=\"\""); }),
             "");
       }},
      {"namespace declarations on one element",
       [](int n) {
         return Wrapped("", Join(n, [](int i) { return Numbered(" xmlns:p", i, "=\"u\""); }), "");
       }},
      {"declarations on the root, children use the first",
       [](int n) {
         return Wrapped("", Join(n / 2, [](int i) { return Numbered(" xmlns:p", i, "=\"u\""); }),
                        Join(n / 2, [](int) { return std::string("<p0:c/>"); }));
       }},
      {"children of distinct short names",
       [](int n) {
         return Wrapped("", "", Join(n, [](int i) { return Numbered("<v", i, "/>"); }));
       }},
      {"children of distinct long names",
       [](int n) {
         return Wrapped("", "", Join(n, [](int i) { return Numbered("<Value_0x20_", i, "/>"); }));
       }},
      {"children that each declare a namespace",
       [](int n) {
         return Wrapped("", "",
                        Join(n, [](int i) { return Numbered("<c xmlns:p", i, "=\"u\"/>"); }));
       }},
      {"long element name",
       [](int n) {
         const std::string name(static_cast<std::size_t>(n) * 8, 'e');
         return Wrapped("", "", "<" + name + ">x</" + name + ">");
       }},
      {"long attribute name",
       [](int n) {
         return Wrapped("", " " + std::string(static_cast<std::size_t>(n) * 8, 'a') + "=\"1\"", "");
       }},
      {"long attribute value",
       [](int n) {
         return Wrapped("", " a=\"" + std::string(static_cast<std::size_t>(n) * 8, 'v') + "\"", "");
       }},
      {"attribute value of character references",
       [](int n) {
         return Wrapped("", " a=\"" + Join(n, [](int) { return std::string("&#65;&lt;"); }) + "\"",
                        "");
       }},
      {"long text",
       [](int n) { return Wrapped("", "", std::string(static_cast<std::size_t>(n) * 8, 't')); }},
      {"text of character references",
       [](int n) {
         return Wrapped("", "", Join(n, [](int) { return std::string("&#65;&amp;"); }));
       }},
      {"long comment",
       [](int n) {
         return Wrapped("", "", "<!--" + std::string(static_cast<std::size_t>(n) * 8, 'c') + "-->");
       }},
      {"long CDATA section",
       [](int n) {
         return Wrapped("", "",
                        "<![CDATA[" + std::string(static_cast<std::size_t>(n) * 8, 'c') + "]]>");
       }},
      {"long processing instruction",
       [](int n) {
         return Wrapped("", "", "<?pi " + std::string(static_cast<std::size_t>(n) * 8, 'c') + "?>");
       }},
      {"many children of one element",
       [](int n) { return Wrapped("", "", Join(n, [](int) { return std::string("<v>x</v>"); })); }},
      {"nesting 250 deep, repeated",
       [](int n) {
         const std::string one = Join(250, [](int) { return std::string("<d>"); }) +
                                 Join(250, [](int) { return std::string("</d>"); });
         return Wrapped("", "", Join(std::max(n / 250, 1), [&](int) { return one; }));
       }},
      {"entity declarations",
       [](int n) {
         return Wrapped(Join(n, [](int i) { return Numbered("<!ENTITY e", i, " \"x\">"); }), "",
                        "&e0;");
       }},
      {"references to distinct entities",
       [](int n) {
         return Wrapped(Join(n, [](int i) { return Numbered("<!ENTITY e", i, " \"x\">"); }), "",
                        Join(n, [](int i) { return Numbered("<v>&e", i, ";</v>"); }));
       }},
      {"attribute defaults of one element",
       [](int n) {
         return Wrapped(
             Join(n, [](int i) { return Numbered("<!ATTLIST v a", i, " CDATA \"d\">"); }), "",
             "<v/><v/><v/><v/>");
       }},
      {"attribute defaults of distinct elements",
       [](int n) {
         return Wrapped(
             Join(n,
                  [](int i) { return Numbered("<!ATTLIST V", i, " type CDATA \"integer\">\n"); }),
             "", "");
       }},
      {"attribute defaults of distinct elements, each element once",
       [](int n) {
         return Wrapped(
             Join(n,
                  [](int i) { return Numbered("<!ATTLIST V", i, " type CDATA \"integer\">\n"); }),
             "",
             Join(n, [](int i) { return Numbered("<V", i, ">1") + Numbered("</V", i, ">\n"); }));
       }},
      {"ID attributes",
       [](int n) {
         return Wrapped("<!ATTLIST v i ID #IMPLIED>", "",
                        Join(n, [](int i) { return Numbered("<v i=\"i", i, "\"/>"); }));
       }},
      {"xml:id attributes",
       [](int n) {
         return Wrapped("", "",
                        Join(n, [](int i) { return Numbered("<v xml:id=\"i", i, "\"/>"); }));
       }},
      {"element declarations",
       [](int n) {
         return Wrapped(Join(n, [](int i) { return Numbered("<!ELEMENT e", i, " ANY>"); }), "", "");
       }},
  };
  return shapes;
}

struct Timing {
  double seconds;
  bool failed;
};

Timing Fastest(const std::string& xml, int rounds) {
  Timing best{1e9, false};
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    bool failed = false;
    try {
      platform::ParseXmlDocument(xml);
    } catch (const platform::XmlLoadError&) {
      failed = true;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = {std::min(best.seconds, seconds), failed};
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 25000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::string only = argc > 3 ? argv[3] : "";
  std::printf("| shape | bytes at n=%d | time | bytes at 4n | time | ratio |\n", n);
  std::printf("| --- | ---: | ---: | ---: | ---: | ---: |\n");
  for (const Shape& shape : Shapes()) {
    if (std::string(shape.name).find(only) == std::string::npos) continue;
    const std::string small = shape.make(n), large = shape.make(4 * n);
    const Timing a = Fastest(small, rounds), b = Fastest(large, rounds);
    std::printf("| %s | %zu | %.4f s%s | %zu | %.4f s%s | %.1f |\n", shape.name, small.size(),
                a.seconds, a.failed ? " (refused)" : "", large.size(), b.seconds,
                b.failed ? " (refused)" : "", b.seconds / std::max(a.seconds, 1e-6));
    std::fflush(stdout);
  }
  return 0;
}
