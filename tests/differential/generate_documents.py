#!/usr/bin/env python3
"""generate_documents.py [--portable] FOLDER COUNT SEED

Writes COUNT configuration documents, drawn from SEED, into FOLDER as NNNNNN.xml, and their names
into FOLDER/list.txt. The same seed always gives the same documents. They mix what a document may
hold: the product, scope, category and value structure with names and texts from every escape and
type rule; internal DTD subsets (entities in text, in attributes and in place of elements,
attribute defaults and normalisation, ID and IDREF, notations); CDATA sections, comments and
processing instructions in every position; character and entity references; white space of every
kind; CR LF; characters of every Unicode plane; the encodings UTF-8, UTF-16 with and without a
byte-order mark and windows-1252; and, for the error path, documents that are not well formed.

With --portable the documents leave out what Wine's MSXML is known to do otherwise than MSXML on
Windows (tests/differential/README.md), so that both builds must agree on every one of them under
Wine: no namespace error, no entity reference in content, no external DTD, no undeclared entity
beside a parameter entity reference, no notation (Wine's 64-bit MSXML crashes on one), and no
white space at either end of a text or beside a
comment or processing instruction in a value (Wine drops a run of white space that its parser
hands over on its own there).
"""
import os
import random
import re
import sys

ROOT = "Corvane_5_Preferences"
SCOPES = ["PerUserRoam", "PerUserNonRoam", "PerMachine"]
CATEGORIES = ["Appearance", "Misc", "Paths", "Email_Server", "AdvOptions", "Menu_Editor",
              "Schedules", "schedules", "_0x24_Temp", "Old_0x24_Unknown_Items", "MRU",
              "Dont_Ask", "Item_0x5B_2_0x5D_", "Cust_Commands", "Miscellaneous", "Odd_Name"]
TYPES = ["integer", "string", "boolean", "binary"]
BAD_TYPES = ["Integer", "", "int", "String ", " string", "BINARY", "bool"]

# Characters that code page 1252 holds, and characters of the other planes.
CP1252_EXTRA = "\u00e9\u00fc\u00df\u00c0\u00ff\u00a0\u00a9\u20ac\u2018\u2019\u201c\u201d\u2022\u2026\u0152\u0178\u017d\u02dc"
OTHER_PLANE = ["\u4e2d", "\u05d0", "\u0416", "\uac00", "\U0001f600", "\U00010348", "\U00020000",
               "\U000f0001", "\U0010fffd", "\ufffd", "\u3042", "\u0100", "\u0101", "\u2260",
               "\u00bd"]
SPACES = [" ", "  ", "\t", "\n", "\r\n", " \t ", "\r\n\t"]
# White space at either end of a text, written out or as a character reference.
SPACE_UNIT = r"(?:[ \t\r\n]|&#(?:32|9|10|13|x20|x9|x[Aa]|x[Dd]);)"
EDGE_SPACE = re.compile(r"^%s+|%s+$" % (SPACE_UNIT, SPACE_UNIT))


class Gen:
    def __init__(self, rng, cp1252_only, portable):
        self.r = rng
        self.cp1252_only = cp1252_only
        self.portable = portable
        self.entities = {}       # general internal entities: name -> replacement text (XML)
        self.text_entities = []  # those whose replacement is plain text
        self.markup_entities = []  # those whose replacement holds elements
        self.attlists = []
        self.ids = 0
        self.has_subset = False

    def chance(self, p):
        return self.r.random() < p

    def pick(self, items):
        return self.r.choice(items)

    # --- texts -------------------------------------------------------------------------------
    def letter(self):
        roll = self.r.random()
        if roll < 0.6:
            return self.pick("abcXYZ019 _-.:\\/$#[]")
        if roll < 0.8 or self.cp1252_only:
            return self.pick(CP1252_EXTRA)
        return self.pick(OTHER_PLANE)

    def escaped_char(self, c):
        return {"<": "&lt;", "&": "&amp;", ">": "&gt;"}.get(c, c)

    def raw_text(self):
        """A value text as it stands in the file (escaped)."""
        text = self.any_text()
        return EDGE_SPACE.sub("", text) if self.portable else text

    def any_text(self):
        kind = self.r.randrange(12)
        if kind == 0:
            return self.pick(["42", "  42", "42 ", "1F", "$1F", "0x1F", "0X1f", "x1F", "X1f",
                              "-1", "+7", "2147483647", "2147483648", "-2147483648",
                              "-2147483649", "$FFFFFFFF", "0x100000000", "$", "0x", "- 1",
                              "007", "1e3", "", " ", "+$10", "-0x10", "\u0661\u0662"])
        if kind == 1:
            return self.pick(["0A 1B FF", "0A_1B_FF", "0A1B2", "0A-1B", "0A-1B-", "", "zz",
                              "0a\t1b", "0A\r\n1B", "0A1B2C3D4E5F", "  ", "G0"])
        if kind == 2:
            return self.pick(["_0x5B_a_0x5D_", "&amp;#34;x&amp;#34;", "&amp;pos;", "&amp;amp;",
                              "$lt;b$gt;", "&amp;#36;1", "_0x24_", "C:\\Program_Files",
                              "&amp;#34;", "a__b", "&#38;#34;", "&#x26;amp;"])
        if kind == 3:
            return "".join(self.pick(["&#%d;" % cp, "&#x%X;" % cp, "&#x%x;" % cp])
                           for cp in self.r.sample([65, 0x20, 0x9, 0xA, 0xD, 0xE9, 0x80, 0x9F,
                                                    0x20AC, 0x4E2D, 0x1F600, 0x10FFFD, 0x5F,
                                                    0x3C, 0x26, 0xA0], self.r.randint(1, 4)))
        if kind == 4 and self.text_entities and not self.portable:
            return "&%s;" % self.pick(self.text_entities) + self.plain(0, 3)
        if kind == 5:
            return self.pick(SPACES) + self.plain(1, 6) + self.pick(SPACES)
        if kind == 6:
            return self.pick(["&lt;", "&gt;", "&amp;", "&apos;", "&quot;"]) + self.plain(0, 3)
        if kind == 7:
            return self.plain(0, 3) + self.pick(["]]&gt;", ">", "'", '"', "]]", "]>"] * 4 +
                                                ["]]>"])
        return self.plain(0, 12)

    def plain(self, low, high):
        return "".join(self.escaped_char(self.letter()) for _ in range(self.r.randint(low, high)))

    # --- names -------------------------------------------------------------------------------
    def value_name(self):
        kind = self.r.randrange(8)
        if kind == 0:
            return self.pick(["Item_0x5B_2_0x5D_", "Last_Used", "_0x24_x", "a_0x5B__0x5D_",
                              "_", "__", "A_0x24_", "x_0x5D_"])
        if kind == 1:
            return "N" + "".join(self.pick(["\u00e9", "\u00c0", "\u4e2d", "\u0416", "_", "-", ".",
                                            "\u00b7", "1"]) for _ in range(self.r.randint(1, 3)))
        if kind == 2 and not self.cp1252_only:
            return self.pick(["\U00010348v", "\u4e2d\u6587", "\U00020000", "\u0100b"])
        return self.pick(["A", "B", "Width", "Name", "On", "Blob", "Value", "a", "x1"]) + \
            ("" if self.chance(0.6) else str(self.r.randrange(5)))

    # --- nodes -------------------------------------------------------------------------------
    def filler(self, depth, in_value=False):
        """Nodes that write nothing by themselves: comments, PIs, white space."""
        kind = self.r.randrange(2 if in_value and self.portable else 6)
        if kind == 0:
            return "<!--%s-->" % self.pick(["", "c", " x ", "a-b", "<V type='integer'>1</V>",
                                            "\u00e9\r\n"])
        if kind == 1:
            return "<?%s %s?>" % (self.pick(["pi", "target", "x-y", "Corvane_5"]),
                                  self.pick(["", "data", "a='b'", "?"]))
        return self.pick(SPACES)

    def type_attr(self):
        roll = self.r.random()
        if roll < 0.75:
            value = self.pick(TYPES)
        elif roll < 0.85:
            value = self.pick(BAD_TYPES)
        else:
            value = self.pick(["&#105;nteger", "&#x73;tring", "%s&#32;", "\t%s", "%s\n"] +
                              (["&t_%s;"] if self.has_subset else []))
            value = value.replace("%s", self.pick(TYPES)) if "%s" in value else value
            if value.startswith("&t_"):
                name = value[1:-1]
                self.entities[name] = name[2:]
        if self.chance(0.05):
            return ""
        quote = self.pick(['"', "'"])
        space = self.pick([" ", "\t", "\n", " \r\n "])
        return "%stype%s=%s%s%s%s" % (space, self.pick(["", " "]), self.pick(["", " "]), quote,
                                      value, quote)

    def extra_attrs(self, name):
        out = ""
        if self.chance(0.1):
            out += ' note="%s"' % self.plain(0, 4).replace('"', "&quot;")
        if self.chance(0.08):
            self.ids += 1
            out += ' id="%s"' % self.pick(["i%d" % self.ids, "i1", "dup", "x y", "1a"])
        if self.chance(0.05):
            out += ' ref="%s"' % self.pick(["i1", "dup", "nowhere", "i1 i2"])
        if self.chance(0.04):
            out += ' xml:space="%s"' % self.pick(["preserve", "default"])
        if self.chance(0.005):
            out += ' xml:id="%s"' % self.pick(["k%d" % self.r.randrange(3), "1bad"])
        return out

    def value_element(self, depth):
        name = self.value_name()
        attrs = self.type_attr() + self.extra_attrs(name)
        roll = self.r.random()
        if roll < 0.08:
            return "<%s%s/>" % (name, attrs)
        if roll < 0.14:
            content = "<![CDATA[%s]]>" % self.pick(["12", "a<b", "", "]]", "0A"])
        elif roll < 0.2:
            content = self.raw_text() + self.filler(depth, in_value=True) + self.raw_text()
        elif roll < 0.24:
            content = self.raw_text() + "<![CDATA[x]]>"
        elif roll < 0.27:
            content = "<Sub type=\"integer\">5</Sub>"
        elif roll < 0.3 and self.markup_entities:
            content = "&%s;" % self.pick(self.markup_entities)
        else:
            content = self.raw_text()
        return "<%s%s>%s</%s>" % (name, attrs, content, name)

    def children(self, make, depth, low, high):
        parts = []
        for _ in range(self.r.randint(low, high)):
            if self.chance(0.25):
                parts.append(self.filler(depth))
            parts.append(make(depth))
        if self.chance(0.3):
            parts.append(self.filler(depth))
        return "".join(parts)

    def category_element(self, depth):
        roll = self.r.random()
        if roll < 0.04:
            return "<Misc/>"
        if roll < 0.08 and self.markup_entities:
            return "&%s;" % self.pick(self.markup_entities)
        if roll < 0.11:
            return "<![CDATA[Misc]]>"
        if roll < 0.14:
            return self.raw_text() or "t"
        name = self.pick(CATEGORIES)
        return "<%s%s>%s</%s>" % (name, self.extra_attrs(name),
                                   self.children(self.value_element, depth + 1, 0, 4), name)

    def scope_child(self, depth):
        if self.chance(0.3):
            return self.value_element(depth)
        return self.category_element(depth)

    def scope_element(self, depth):
        roll = self.r.random()
        name = self.pick(SCOPES) if roll < 0.85 else self.pick(["Everywhere", "peruserroam",
                                                                "PerMachine_", "Misc"])
        if self.chance(0.05):
            return "<%s>%s</%s>" % (name, self.raw_text() or "1", name)
        return "<%s>%s</%s>" % (name, self.children(self.scope_child, depth + 1, 0, 4), name)

    def product_element(self, depth):
        name = "Corvane_5" if self.chance(0.8) else self.pick(["CORVANE_5", "corvane_5",
                                                                "Corvane 5", "Corvane_6"])
        if name == "Corvane 5":
            name = "Corvane_5"
        if self.chance(0.05):
            return "<%s>text</%s>" % (name, name)
        return "<%s%s>%s</%s>" % (name, self.extra_attrs(name),
                                   self.children(self.scope_element, depth + 1, 0, 3), name)

    def root_child(self, depth):
        roll = self.r.random()
        if roll < 0.8:
            return self.product_element(depth)
        if roll < 0.9:
            return "<Other><PerUserRoam><A type=\"integer\">1</A></PerUserRoam></Other>"
        return "<Corvane_5>1</Corvane_5>"

    # --- DTD -----------------------------------------------------------------------------------
    def plan_entities(self):
        self.has_subset = True
        for i in range(self.r.randint(0, 3)):
            name = "e%d" % i
            text = self.pick(["Program_Files", "42", "&#233;t&#xE9;", "a &amp;#34; b", "$1F",
                              "\u00e9\u20ac", "&amp;amp;", " spaced ", "0A 1B", "&#60;x&#62;",
                              "&#38;#34;", "x\r\ny"])
            self.entities[name] = text
            self.text_entities.append(name)
        if self.chance(0.4) and not self.portable:
            self.entities["vals"] = self.pick([
                '<A type="integer">1</A><B type="string">s</B>',
                '<Misc><C type="integer">3</C></Misc>',
                '<A type="string">&e0;</A>' if "e0" in self.entities else '<A type="string">v</A>',
                '<!--c--><A type="boolean">1</A>', '<![CDATA[x]]>', 'text<A type="integer">2</A>'])
            self.markup_entities.append("vals")
        if self.chance(0.1) and not self.portable:
            self.entities["nest"] = "&vals;&vals;" if "vals" in self.entities else "n"
            self.markup_entities.append("nest")
        if self.chance(0.1):
            self.pe_declaration = True
            self.entities["pe"] = "from_pe"
            self.text_entities.append("pe")

    def internal_subset(self):
        decls = []
        for name, text in self.entities.items():
            if name == "pe":
                decls.append('<!ENTITY % p "<!ENTITY pe \'from_pe\'>">%p;')
                continue
            quote = "'" if '"' in text else '"'
            decls.append("<!ENTITY %s %s%s%s>" % (name, quote, text, quote))
        if self.chance(0.3):
            element = self.pick(["A", "B", "Width", "Value", "Name"])
            decls.append("<!ATTLIST %s type %s %s>" % (
                element, self.pick(["CDATA", "NMTOKEN", "(integer|string|boolean|binary)"]),
                self.pick(['"integer"', '"string"', "#IMPLIED", '#FIXED "boolean"', '" binary "'])))
        if self.chance(0.2):
            for element in self.r.sample(["A", "B", "Misc", "Name", "Value", "Corvane_5"], 2):
                decls.append("<!ATTLIST %s id ID #IMPLIED ref IDREF #IMPLIED>" % element)
        if self.chance(0.15):
            decls.append("<!ATTLIST %s note NMTOKENS #IMPLIED>" % self.pick(["A", "Misc"]))
        if self.chance(0.1) and not self.portable:
            decls.append('<!NOTATION png SYSTEM "image/png"><!ENTITY pic SYSTEM "pic.png" NDATA png>'
                         "<!ATTLIST A img ENTITY #IMPLIED>")
        if self.chance(0.15):
            decls.append("<!ELEMENT %s ANY>" % self.pick([ROOT, "Corvane_5", "A", "Misc"]))
        if self.chance(0.2):
            decls.append(self.filler(0))
        self.r.shuffle(decls)
        return "".join(decls)

    def doctype(self):
        name = ROOT if self.chance(0.93) else self.pick(["Xyz_4_Preferences", "Other",
                                                         "corvane_5_preferences"])
        subset = self.internal_subset() if self.has_subset else ""
        external = ""
        if self.chance(0.05) and not self.portable:
            external = self.pick([' SYSTEM "none.dtd"', ' PUBLIC "-//X//Y" "none.dtd"'])
        return "<!DOCTYPE %s%s%s>" % (name, external, " [%s]" % subset if subset else "")

    def document(self):
        root = ROOT if self.chance(0.95) else self.pick(["Xyz_4_Preferences", "Corvane_5"])
        if self.chance(0.55):
            self.plan_entities()
        body = self.children(self.root_child, 1, 0, 3)
        dtype = self.doctype() if self.chance(0.96) else ""
        parts = [self.filler(0) if self.chance(0.2) else "", dtype,
                 self.filler(0) if self.chance(0.3) else "", "\n",
                 "<%s%s>%s</%s>" % (root, self.extra_attrs(root), body, root),
                 self.filler(0) if self.chance(0.2) else "", "\n" if self.chance(0.5) else ""]
        return "".join(parts)


def malform(rng, text, portable):
    """A document that is not well formed, or that a DOM must refuse."""
    # Namespace errors, which Wine's MSXML lets through: undeclared prefixes, a prefix declared
    # empty.
    namespace_errors = [
        lambda t: t.replace("<Corvane_5>", "<p:Corvane_5>", 1).replace("</Corvane_5>",
                                                                       "</p:Corvane_5>", 1),
        lambda t: t.replace("<Corvane_5_Preferences>", "<Corvane_5_Preferences xmlns:a=\"\">", 1),
        lambda t: t.replace("<Corvane_5_Preferences>", "<Corvane_5_Preferences a:b=\"1\">", 1),
    ]
    # Which Wine's MSXML lets through where the internal subset refers to a parameter entity.
    undeclared_entity = (
        lambda t: t.replace("</Corvane_5_Preferences>", "&undeclared;</Corvane_5_Preferences>", 1))
    mutations = [
        lambda t: t.replace("</Corvane_5>", "</Corvane_6>", 1),
        lambda t: t[: rng.randrange(len(t))],
        lambda t: t.replace("<Corvane_5", "<Corvane_5 a=\"1\" a=\"2\"", 1),
        undeclared_entity,
        lambda t: t.replace("</Corvane_5_Preferences>", "a < b</Corvane_5_Preferences>", 1),
        lambda t: t.replace("</Corvane_5_Preferences>", "a & b</Corvane_5_Preferences>", 1),
        lambda t: t.replace("</Corvane_5_Preferences>", "&#0;</Corvane_5_Preferences>", 1),
        lambda t: t.replace("</Corvane_5_Preferences>", "\x01</Corvane_5_Preferences>", 1),
        lambda t: t + "<Second/>",
        lambda t: t + "trailing text",
        lambda t: "\n" + t if t.startswith("<?xml") else " <?xml version=\"1.0\"?>" + t,
        namespace_errors[0],
        lambda t: t.replace("<Corvane_5>", "<Corvane_5 id=\"d\"><Dup id=\"d\"/>", 1)
        .replace("<!DOCTYPE Corvane_5_Preferences>",
                 "<!DOCTYPE Corvane_5_Preferences [<!ATTLIST Dup id ID #IMPLIED>"
                 "<!ATTLIST Corvane_5 id ID #IMPLIED>]>", 1),
        lambda t: t.replace("<!--", "<!-- -- ", 1),
        lambda t: t.replace("]]>", "]]", 1) if "]]>" in t else t + "<![CDATA[",
        lambda t: t.replace("<!DOCTYPE", "<!DOCTYPE Corvane_5_Preferences [<!ENTITY a \"&a;\">]>"
                            "<!-- ", 1).replace("\n<Corvane_5_Preferences", " -->\n"
                                                 "<Corvane_5_Preferences", 1),
        lambda t: t.replace("<Corvane_5_Preferences>", "<Corvane_5_Preferences>&#xD800;", 1),
        lambda t: t.replace("<Corvane_5_Preferences>", "<Corvane_5_Preferences>\x0c", 1),
        lambda t: t.replace("type=", "type=x", 1),
        namespace_errors[1],
        namespace_errors[2],
    ]
    if portable:
        left_out = namespace_errors + ([undeclared_entity] if "%p;" in text else [])
        mutations = [m for m in mutations if m not in left_out]
    return rng.choice(mutations)(text)


ENCODINGS = ["utf-8", "utf-8-decl", "utf-8-bom", "utf-16-le-bom", "utf-16-be-bom",
             "utf-16-le-nobom", "utf-16-be-nobom", "windows-1252", "utf-8-crlf"]


def encode(rng, text, encoding):
    decl_version = '<?xml version="1.0"%s?>'
    if encoding == "windows-1252":
        head = decl_version % rng.choice([' encoding="windows-1252"', ' encoding="Windows-1252"'])
        return (head + text).encode("cp1252")
    if encoding.startswith("utf-16"):
        big = "-be-" in encoding
        bom = encoding.endswith("-bom")
        decl = rng.choice(['', ' encoding="UTF-16"', ' encoding="utf-16"'])
        if not bom:
            decl = ' encoding="UTF-16"'
        body = (decl_version % decl + text).encode("utf-16-be" if big else "utf-16-le")
        return ((b"\xfe\xff" if big else b"\xff\xfe") if bom else b"") + body
    if encoding == "utf-8-crlf":
        text = text.replace("\r\n", "\n").replace("\n", "\r\n")
    head = ""
    if encoding in ("utf-8-decl", "utf-8-bom") or rng.random() < 0.5:
        head = decl_version % rng.choice(['', ' encoding="UTF-8"', ' encoding="utf-8"',
                                          ' encoding="UTF-8" standalone="yes"'])
    data = (head + "\n" + text if head and rng.random() < 0.5 else head + text).encode("utf-8")
    return (b"\xef\xbb\xbf" if encoding == "utf-8-bom" else b"") + data


def one_document(seed, index, portable):
    rng = random.Random("%s-%d" % (seed, index))
    encoding = rng.choice(ENCODINGS)
    gen = Gen(rng, cp1252_only=encoding == "windows-1252", portable=portable)
    text = gen.document()
    if rng.random() < 0.12:
        text = malform(rng, text, portable)
    try:
        return encode(rng, text, encoding)
    except UnicodeEncodeError:
        return encode(rng, text, "utf-8")


def main():
    arguments = sys.argv[1:]
    portable = arguments[:1] == ["--portable"]
    if portable:
        arguments = arguments[1:]
    if len(arguments) != 3:
        sys.exit("usage: generate_documents.py [--portable] FOLDER COUNT SEED")
    folder, count, seed = arguments[0], int(arguments[1]), arguments[2]
    os.makedirs(folder, exist_ok=True)
    names = []
    for index in range(count):
        name = "%06d.xml" % index
        with open(os.path.join(folder, name), "wb") as out:
            out.write(one_document(seed, index, portable))
        names.append(name)
    with open(os.path.join(folder, "list.txt"), "w") as out:
        out.write("\n".join(names) + "\n")


if __name__ == "__main__":
    main()
