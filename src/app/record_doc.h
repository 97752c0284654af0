#pragma once
// RecordDoc: an XML element tree with a cursor. Rows read from the Vantora database, qbXML
// results, the setup file, parsed addresses and SQL batches are all RecordDocs.
//
// Views returned by FindChild share the tree with the document they came from; a change
// through either is seen by both. Clear and LoadXml give the document a new tree, so an
// older view keeps the old one (it never dangles); removing the element a view stands on
// does invalidate that view. Tags are compared exactly (case-sensitive).
// Lookups of a child by tag are indexed lazily: the first lookup over an element with many
// children (hit or miss) indexes them, and any change to the tree's structure (a child added,
// removed or renamed) drops the index, so keyed loops ("record" + link) stay linear.

#include <memory>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>

namespace vqb {

class RecordDoc {
 public:
  RecordDoc();  // an empty document: one root with an empty tag, cursor on the root
  RecordDoc(const RecordDoc&) = delete;
  RecordDoc& operator=(const RecordDoc&) = delete;
  RecordDoc(RecordDoc&&) noexcept;
  RecordDoc& operator=(RecordDoc&&) noexcept;
  ~RecordDoc();

  void Clear();
  void SetTag(std::string_view tag);
  std::string GetTag() const;
  std::string GetContent() const;
  void SetContent(std::string_view text);
  long GetChildCount() const;
  std::string GetChildContent(std::string_view tag) const;
  void SetChildValue(std::string_view tag, std::string_view text);
  pugi::xml_node EnsureChild(std::string_view tag);
  pugi::xml_node AddChild(std::string_view tag, std::string_view text);
  void AppendChild(std::string_view tag, std::string_view text);
  std::optional<RecordDoc> FindChild(std::string_view tag) const;
  bool AppendTree(const RecordDoc& other);
  void RemoveChildrenWithContent(std::string_view text);
  void MoveToRoot();
  bool MoveToFirstChild();
  bool MoveToLastChild();
  bool MoveToNextSibling();
  bool MoveToPreviousSibling();
  bool MoveToParent();
  // 1 when found (cursor moved), 0 otherwise (cursor unchanged).
  long MoveToChild(std::string_view tag);
  void SetElementFlag(long flag);
  bool LoadXml(std::string_view text);
  bool LoadXmlFile(const std::string& path);
  // Writes a new owner-only temporary file beside the target and renames it over, so a
  // crash never leaves a truncated file (os::save_file_atomically); the file ends up 0600.
  bool SaveXmlFile(const std::string& path) const;
  std::string GetXml() const;

  // A copy of the whole tree, cursor on the root (documents are shared otherwise).
  RecordDoc Clone() const;
  // The current element, for code that walks the tree directly.
  pugi::xml_node Current() const { return cursor_; }

 private:
  struct Tree;
  RecordDoc(std::shared_ptr<Tree> tree, pugi::xml_node cursor);
  pugi::xml_node root() const;
  pugi::xml_node findChild(pugi::xml_node parent, std::string_view tag) const;
  void changed();

  std::shared_ptr<Tree> tree_;
  pugi::xml_node cursor_;
};

}  // namespace vqb
