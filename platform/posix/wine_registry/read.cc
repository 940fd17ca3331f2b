// Reading a hive file: the whole model (ParseHive), or an index of its sections from which keys
// are made as they are asked for (LoadHive).
#include "platform/posix/wine_registry/read.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/posix/wine_registry/syntax.h"

namespace platform::wine_registry {
namespace {

// Builds the whole model from the lines ReadHive reads: every key with its values.
class ModelBuilder {
 public:
  explicit ModelBuilder(Hive& hive) : root_(hive.root) {}

  void StartSection(const KeyLine& line, std::size_t /*start*/, int /*number*/) {
    keys_.resize(line.shared);
    for (std::size_t i = line.shared; i < line.names.size(); ++i) {
      Key& parent = keys_.empty() ? *root_ : *keys_.back();
      keys_.push_back(parent.AddSubkey(line.name(i), line.stamp));
    }
    key_ = keys_.empty() ? root_.get() : keys_.back().get();
    key_->modified = line.stamp;
  }
  Key& key() { return *key_; }
  void AddValue(std::string_view content, LineReader& lines) {
    Value value;
    ParseValue(value, content, lines);
    key_->SetValue(std::move(value));
  }
  void EndLine(std::size_t /*end*/) {}

 private:
  std::shared_ptr<Key> root_;
  std::vector<std::shared_ptr<Key>> keys_;  // one a name of the last "[path]" line
  Key* key_ = nullptr;
};

// Indexes the sections from the lines ReadHive reads, and checks their values and options
// without keeping them: a key reads them from its sections when it is made.
class IndexBuilder {
 public:
  void StartSection(const KeyLine& line, std::size_t start, int number) {
    index.entries.push_back({{start, start, number},
                             static_cast<std::uint16_t>(line.names.size()),
                             static_cast<std::uint16_t>(line.shared),
                             false});
  }
  Key& key() { return options_; }
  void AddValue(std::string_view content, LineReader& lines) {
    CheckedValue value;
    ParseValue(value, content, lines);
    index.entries.back().with_values = true;
  }
  void EndLine(std::size_t end) {
    if (!index.entries.empty()) index.entries.back().section.end = end;
  }

  SectionIndex index;

 private:
  Key options_{u"", 0};
};

// Reads the file's header and lines, and hands each section's lines to the builder.
template <typename Builder>
void ReadHive(std::string_view text, Hive& hive, Builder& builder) {
  LineReader lines(text);
  const auto first = lines.Next();
  if (!first || TrimRight(*first) != kSignature) lines.Fail("not a Wine registry file");
  KeyLine line;
  KeyLine previous;
  bool in_key = false;
  for (std::size_t start = lines.position(); const auto next = lines.Next();
       start = lines.position()) {
    const std::string_view content = TrimLeft(*next);
    if (content.empty()) continue;
    switch (content.front()) {
      case '[':
        ParseKeyLine(content, lines, line);
        line.shared = SharedNames(line, previous);
        builder.StartSection(line, start, lines.number());
        std::swap(line, previous);
        in_key = true;
        break;
      case '@':
      case '"':
        if (!in_key) lines.Fail("value outside any key");
        builder.AddValue(content, lines);
        break;
      case '#':
        if (in_key) {
          ParseKeyOption(builder.key(), content, lines);
        } else if (content.starts_with("#arch=")) {
          hive.arch = TrimRight(content.substr(6));
          if (hive.arch != "win32" && hive.arch != "win64") lines.Fail("unknown architecture");
        }
        break;
      case ';':
        if (!in_key && content.starts_with(kRelativeTo)) {
          hive.relative_to = TrimRight(content.substr(kRelativeTo.size()));
        }
        break;
      default:
        lines.Fail("unrecognised line");
    }
    builder.EndLine(lines.position());
  }
}

// Hands out the lines of a section, from its "[path]" line on.
LineReader SectionLines(std::string_view text, const TextSection& section) {
  return LineReader(text.substr(0, section.end), section.begin, section.line - 1);
}

// Reads the "[path] stamp" line of a section; the reader it returns goes on after it.
LineReader ReadKeyLine(std::string_view text, const TextSection& section, KeyLine& line) {
  LineReader lines = SectionLines(text, section);
  ParseKeyLine(TrimLeft(*lines.Next()), lines, line);
  return lines;
}

// Gives a key what one of its sections says of it: the stamp, the class and the link.
void ReadSectionHead(Key& key, std::string_view text, const TextSection& section, KeyLine& line) {
  LineReader lines = ReadKeyLine(text, section, line);
  key.modified = line.stamp;
  while (const auto next = lines.Next()) {
    const std::string_view content = TrimLeft(*next);
    if (!content.empty() && content.front() == '#') ParseKeyOption(key, content, lines);
  }
}

}  // namespace

void HiveReader::ReadValues(Key& key) {
  const std::string_view text = *key.source_.index->text;
  for (const TextSection& section : key.source_.sections) {
    LineReader lines = SectionLines(text, section);
    lines.Next();  // the "[path]" line
    while (const auto line = lines.Next()) {
      const std::string_view content = TrimLeft(*line);
      if (content.empty() || (content.front() != '@' && content.front() != '"')) continue;
      Value value;
      ParseValue(value, content, lines);
      key.StoreValue(std::move(value));
    }
  }
}

// A key's subkeys are made from its runs, in the file's order. A section of the key itself
// ends a run of a subkey's sections; a section that spells the subkey's name otherwise than the
// one before starts a new run, of the same subkey where the names are the same but for case.
// A subkey starts with the stamp of the first line that names it, as when the whole file is read,
// and then takes what its own sections say.
void HiveReader::ReadSubkeys(Key& key) {
  const SectionIndex& index = *key.source_.index;
  const std::string_view text = *index.text;
  const std::size_t depth = key.source_.depth;
  std::vector<Key*> made;
  KeyLine line;
  for (const SectionIndex::Run& run : key.source_.runs) {
    Key* current = nullptr;
    for (std::uint32_t i = run.first; i < run.end; ++i) {
      const SectionIndex::Entry& entry = index.entries[i];
      if (entry.depth == depth) {
        current = nullptr;
        continue;
      }
      if (current != nullptr && entry.shared > depth) {
        ++current->source_.runs.back().end;
      } else {
        ReadKeyLine(text, entry.section, line);
        const std::u16string_view name = line.name(depth);
        auto [it, inserted] = key.contents_.subkeys.try_emplace(FoldCase(name));
        if (inserted) {
          it->second = std::make_shared<Key>(std::u16string(name), line.stamp);
          it->second->parent_ = &key;
          it->second->source_.index = key.source_.index;
          it->second->source_.depth = depth + 1;
          made.push_back(it->second.get());
        }
        current = it->second.get();
        std::vector<SectionIndex::Run>& runs = current->source_.runs;
        if (!runs.empty() && runs.back().end == i) {
          ++runs.back().end;
        } else {
          runs.push_back({i, i + 1});
        }
      }
      if (entry.depth == depth + 1) current->AddSection(entry.section, entry.with_values);
    }
  }
  for (Key* subkey : made) {
    for (const TextSection& section : subkey->source_.sections) {
      ReadSectionHead(*subkey, text, section, line);
    }
    subkey->source_.subkeys_unread = true;
    subkey->MarkRead();
  }
}

Hive ParseHive(std::string_view text) {
  Hive hive;
  ModelBuilder builder(hive);
  ReadHive(text, hive, builder);
  return hive;
}

Hive LoadHive(std::shared_ptr<const FileText> text) {
  Hive hive;
  IndexBuilder builder;
  // Wine's sections take well over a hundred bytes each; the guess spares the index its regrowth.
  builder.index.entries.reserve(text->size() / 128);
  ReadHive(*text, hive, builder);
  builder.index.text = std::move(text);
  auto index = std::make_shared<const SectionIndex>(std::move(builder.index));
  Key& root = *hive.root;
  root.SetIndex(index);
  KeyLine line;
  for (const SectionIndex::Entry& entry : index->entries) {
    if (entry.depth != 0) continue;
    root.AddSection(entry.section, entry.with_values);
    ReadSectionHead(root, *index->text, entry.section, line);
  }
  root.MarkRead();
  return hive;
}

}  // namespace platform::wine_registry
