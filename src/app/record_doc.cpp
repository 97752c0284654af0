#include "app/record_doc.h"

#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>

#include "app/os_calls.h"

namespace vqb {
namespace {

// An element with an empty tag is written under this name and read back as empty,
// so an empty root survives GetXml/LoadXml.
constexpr const char* kEmptyTag = "vqb-empty";
// Keep carriage returns (addresses hold "\r\n") and single whitespace-only values.
constexpr unsigned kParseOptions =
    (pugi::parse_default & ~pugi::parse_eol) | pugi::parse_ws_pcdata_single;
// Below this many children a linear scan beats building an index.
constexpr int kIndexThreshold = 32;

struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept {
    return std::hash<std::string_view>{}(s);
  }
};

using ChildIndex = std::unordered_map<std::string, pugi::xml_node, StringHash, std::equal_to<>>;

std::string_view tag_of(pugi::xml_node node) {
  std::string_view name = node.name();
  return name == kEmptyTag ? std::string_view{} : name;
}

pugi::xml_node first_element(pugi::xml_node node) {
  for (auto child = node.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element) return child;
  return {};
}

pugi::xml_node last_element(pugi::xml_node node) {
  for (auto child = node.last_child(); child; child = child.previous_sibling())
    if (child.type() == pugi::node_element) return child;
  return {};
}

pugi::xml_node next_element(pugi::xml_node node) {
  for (auto sib = node.next_sibling(); sib; sib = sib.next_sibling())
    if (sib.type() == pugi::node_element) return sib;
  return {};
}

pugi::xml_node previous_element(pugi::xml_node node) {
  for (auto sib = node.previous_sibling(); sib; sib = sib.previous_sibling())
    if (sib.type() == pugi::node_element) return sib;
  return {};
}

void set_tag(pugi::xml_node node, std::string_view tag) {
  std::string name(tag.empty() ? std::string_view(kEmptyTag) : tag);
  node.set_name(name.c_str());
}

void set_text(pugi::xml_node node, std::string_view text) {
  std::string value(text);
  if (value.empty()) {
    // Remove text nodes so that an emptied value leaves no stray empty node.
    for (auto child = node.first_child(); child;) {
      auto next = child.next_sibling();
      if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
        node.remove_child(child);
      child = next;
    }
    return;
  }
  node.text().set(value.c_str());
}

pugi::xml_node append_element(pugi::xml_node parent, std::string_view tag, std::string_view text) {
  auto child = parent.append_child(pugi::node_element);
  set_tag(child, tag);
  if (!text.empty()) set_text(child, text);
  return child;
}

class StringWriter : public pugi::xml_writer {
 public:
  std::string out;
  void write(const void* data, std::size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

}  // namespace

struct RecordDoc::Tree {
  pugi::xml_document doc;
  // Per parent element: the first child of each tag.
  std::unordered_map<const void*, ChildIndex> index;

  Tree() { reset(); }
  void reset() {
    doc.reset();
    index.clear();
    doc.append_child(kEmptyTag);
  }
};

RecordDoc::RecordDoc() : tree_(std::make_shared<Tree>()), cursor_(tree_->doc.document_element()) {}
RecordDoc::RecordDoc(std::shared_ptr<Tree> tree, pugi::xml_node cursor)
    : tree_(std::move(tree)), cursor_(cursor) {}
RecordDoc::RecordDoc(RecordDoc&&) noexcept = default;
RecordDoc& RecordDoc::operator=(RecordDoc&&) noexcept = default;
RecordDoc::~RecordDoc() = default;

pugi::xml_node RecordDoc::root() const {
  return tree_->doc.document_element();
}

void RecordDoc::changed() {
  tree_->index.clear();
}

pugi::xml_node RecordDoc::findChild(pugi::xml_node parent, std::string_view tag) const {
  auto& indexes = tree_->index;
  auto indexed = indexes.find(parent.internal_object());
  if (indexed == indexes.end()) {
    // The first children are scanned; a lookup that gets past them, hit or miss, indexes
    // every child, so that a loop of keyed lookups stays linear until the next change.
    int scanned = 0;
    for (auto child = parent.first_child(); child; child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      if (tag_of(child) == tag) return child;
      if (++scanned >= kIndexThreshold) break;
    }
    if (scanned < kIndexThreshold) return {};
    ChildIndex built;
    for (auto child = parent.first_child(); child; child = child.next_sibling())
      if (child.type() == pugi::node_element) built.try_emplace(std::string(tag_of(child)), child);
    indexed = indexes.emplace(parent.internal_object(), std::move(built)).first;
  }
  auto hit = indexed->second.find(tag);
  return hit == indexed->second.end() ? pugi::xml_node{} : hit->second;
}

void RecordDoc::Clear() {
  // A fresh tree: views taken earlier keep the old one alive instead of dangling.
  tree_ = std::make_shared<Tree>();
  cursor_ = root();
}

void RecordDoc::SetTag(std::string_view tag) {
  set_tag(cursor_, tag);
  changed();
}

std::string RecordDoc::GetTag() const {
  return std::string(tag_of(cursor_));
}

std::string RecordDoc::GetContent() const {
  return cursor_.text().get();
}

void RecordDoc::SetContent(std::string_view text) {
  set_text(cursor_, text);
}

long RecordDoc::GetChildCount() const {
  long count = 0;
  for (auto child = cursor_.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element) ++count;
  return count;
}

std::string RecordDoc::GetChildContent(std::string_view tag) const {
  auto child = findChild(cursor_, tag);
  return child ? child.text().get() : "";
}

void RecordDoc::SetChildValue(std::string_view tag, std::string_view text) {
  auto child = findChild(cursor_, tag);
  if (!child) {
    append_element(cursor_, tag, text);
    changed();
    return;
  }
  set_text(child, text);
}

pugi::xml_node RecordDoc::EnsureChild(std::string_view tag) {
  auto child = findChild(cursor_, tag);
  if (child) return child;
  child = append_element(cursor_, tag, {});
  changed();
  return child;
}

pugi::xml_node RecordDoc::AddChild(std::string_view tag, std::string_view text) {
  // Appending keeps an existing index valid only if the tag is new; drop it to stay simple.
  auto child = append_element(cursor_, tag, text);
  changed();
  return child;
}

void RecordDoc::AppendChild(std::string_view tag, std::string_view text) {
  AddChild(tag, text);
}

std::optional<RecordDoc> RecordDoc::FindChild(std::string_view tag) const {
  auto child = findChild(cursor_, tag);
  if (!child) return std::nullopt;
  return RecordDoc(tree_, child);
}

bool RecordDoc::AppendTree(const RecordDoc& other) {
  // Copy first: the other document may be this very tree.
  pugi::xml_document copy;
  copy.append_copy(other.root());
  bool ok = static_cast<bool>(cursor_.append_copy(copy.document_element()));
  changed();
  return ok;
}

void RecordDoc::RemoveChildrenWithContent(std::string_view text) {
  bool removed = false;
  for (auto child = cursor_.first_child(); child;) {
    auto next = child.next_sibling();
    if (child.type() == pugi::node_element && text == child.text().get()) {
      cursor_.remove_child(child);
      removed = true;
    }
    child = next;
  }
  if (removed) changed();
}

void RecordDoc::MoveToRoot() {
  cursor_ = root();
}

bool RecordDoc::MoveToFirstChild() {
  auto child = first_element(cursor_);
  if (!child) return false;
  cursor_ = child;
  return true;
}

bool RecordDoc::MoveToLastChild() {
  auto child = last_element(cursor_);
  if (!child) return false;
  cursor_ = child;
  return true;
}

bool RecordDoc::MoveToNextSibling() {
  auto sib = next_element(cursor_);
  if (!sib) return false;
  cursor_ = sib;
  return true;
}

bool RecordDoc::MoveToPreviousSibling() {
  auto sib = previous_element(cursor_);
  if (!sib) return false;
  cursor_ = sib;
  return true;
}

bool RecordDoc::MoveToParent() {
  if (cursor_ == root()) return false;
  auto parent = cursor_.parent();
  if (!parent || parent.type() != pugi::node_element) return false;
  cursor_ = parent;
  return true;
}

long RecordDoc::MoveToChild(std::string_view tag) {
  auto child = findChild(cursor_, tag);
  if (!child) return 0;
  cursor_ = child;
  return 1;
}

void RecordDoc::SetElementFlag(long) {}

bool RecordDoc::LoadXml(std::string_view text) {
  auto fresh = std::make_shared<Tree>();
  bool ok = true;
  if (!text.empty()) {
    fresh->doc.reset();
    auto result =
        fresh->doc.load_buffer(text.data(), text.size(), kParseOptions, pugi::encoding_utf8);
    ok = result && fresh->doc.document_element();
    if (!ok) fresh->reset();
  }
  // Views of the old tree keep it alive; this document starts on the new one.
  tree_ = std::move(fresh);
  cursor_ = root();
  return ok;
}

bool RecordDoc::LoadXmlFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    LoadXml("");
    return false;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return LoadXml(buffer.str());
}

bool RecordDoc::SaveXmlFile(const std::string& path) const {
  StringWriter writer;
  tree_->doc.save(writer, "", pugi::format_raw, pugi::encoding_utf8);
  return os::save_file_atomically(path, writer.out);
}

std::string RecordDoc::GetXml() const {
  StringWriter writer;
  cursor_.print(writer, "", pugi::format_raw, pugi::encoding_utf8);
  return writer.out;
}

RecordDoc RecordDoc::Clone() const {
  RecordDoc copy;
  copy.tree_->doc.reset();
  copy.tree_->doc.append_copy(root());
  copy.cursor_ = copy.root();
  return copy;
}

}  // namespace vqb
