#include "app/record_doc.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace vqb {
namespace {

RecordDoc sample() {
  RecordDoc doc;
  doc.SetTag("rData");
  doc.AddChild("record17", "1");
  doc.MoveToLastChild();
  doc.AddChild("link", "17");
  doc.AddChild("name", "O'Brien & Sons <West>");
  doc.MoveToRoot();
  doc.AddChild("record18", "2");
  return doc;
}

// rData with record1 .. record500, each holding its number.
RecordDoc large() {
  RecordDoc doc;
  doc.SetTag("rData");
  for (int i = 1; i <= 500; ++i) doc.AddChild("record" + std::to_string(i), std::to_string(i));
  return doc;
}

TEST(RecordDoc, NewAndClearedDocumentsHaveOneEmptyRoot) {
  RecordDoc doc;
  EXPECT_EQ(doc.GetTag(), "");
  EXPECT_EQ(doc.GetChildCount(), 0);
  doc = sample();
  doc.MoveToChild("record17");
  doc.Clear();
  EXPECT_EQ(doc.GetTag(), "");
  EXPECT_EQ(doc.GetChildCount(), 0);
  EXPECT_FALSE(doc.MoveToParent());
}

TEST(RecordDoc, CursorMovesAndFailsWithoutMoving) {
  RecordDoc doc = sample();
  EXPECT_FALSE(doc.MoveToParent());
  EXPECT_FALSE(doc.MoveToPreviousSibling());
  ASSERT_TRUE(doc.MoveToFirstChild());
  EXPECT_EQ(doc.GetTag(), "record17");
  EXPECT_EQ(doc.GetContent(), "1");
  EXPECT_FALSE(doc.MoveToPreviousSibling());
  EXPECT_EQ(doc.GetTag(), "record17");
  ASSERT_TRUE(doc.MoveToNextSibling());
  EXPECT_EQ(doc.GetTag(), "record18");
  EXPECT_FALSE(doc.MoveToNextSibling());
  EXPECT_FALSE(doc.MoveToFirstChild());
  EXPECT_EQ(doc.GetTag(), "record18");
  ASSERT_TRUE(doc.MoveToParent());
  ASSERT_TRUE(doc.MoveToLastChild());
  EXPECT_EQ(doc.GetTag(), "record18");
}

TEST(RecordDoc, MoveToChildIsPositiveWhenFoundAndZeroOtherwise) {
  RecordDoc doc = sample();
  EXPECT_EQ(doc.MoveToChild("record99"), 0);
  EXPECT_EQ(doc.GetTag(), "rData");
  EXPECT_GT(doc.MoveToChild("record18"), 0);
  EXPECT_EQ(doc.GetContent(), "2");
  doc.MoveToRoot();
  EXPECT_EQ(doc.MoveToChild("Record18"), 0) << "tags are case-sensitive";
}

TEST(RecordDoc, ChildValuesAreSetFoundAndAdded) {
  RecordDoc doc;
  doc.SetTag("QBSetup");
  EXPECT_EQ(doc.GetChildContent("missing"), "");
  doc.SetChildValue("a", "1");
  doc.SetChildValue("a", "2");
  EXPECT_EQ(doc.GetChildCount(), 1);
  EXPECT_EQ(doc.GetChildContent("a"), "2");
  auto ensured = doc.EnsureChild("b");
  EXPECT_EQ(doc.GetTag(), "QBSetup") << "EnsureChild does not move the cursor";
  EXPECT_STREQ(ensured.name(), "b");
  doc.EnsureChild("b");
  EXPECT_EQ(doc.GetChildCount(), 2);
  doc.AddChild("a", "3");
  EXPECT_EQ(doc.GetChildContent("a"), "2") << "the first child with the tag";
  doc.SetChildValue("a", "");
  EXPECT_EQ(doc.GetChildContent("a"), "");
}

TEST(RecordDoc, FindChildIsAViewOnTheSameTreeThatSurvivesClear) {
  RecordDoc doc = sample();
  EXPECT_FALSE(doc.FindChild("nothing").has_value());
  auto view = doc.FindChild("record17");
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->GetTag(), "record17");
  EXPECT_EQ(view->GetChildContent("name"), "O'Brien & Sons <West>");
  view->SetChildValue("name", "Changed");
  doc.MoveToChild("record17");
  EXPECT_EQ(doc.GetChildContent("name"), "Changed");
  doc.SetChildValue("link", "18");
  EXPECT_EQ(view->GetChildContent("link"), "18");
  EXPECT_EQ(doc.GetTag(), "record17") << "the document's cursor is its own";
  doc.Clear();
  EXPECT_EQ(view->GetChildContent("link"), "18") << "the view survives a Clear";
}

TEST(RecordDoc, RemoveChildrenWithContentRemovesEveryMatch) {
  RecordDoc doc;
  doc.AddChild("a", "x");
  doc.AddChild("b", "y");
  doc.AddChild("c", "x");
  doc.RemoveChildrenWithContent("x");
  ASSERT_EQ(doc.GetChildCount(), 1);
  doc.MoveToFirstChild();
  EXPECT_EQ(doc.GetTag(), "b");
}

TEST(RecordDoc, AppendTreeCopiesTheWholeOtherDocument) {
  RecordDoc target;
  target.SetTag("lists");
  RecordDoc other = sample();
  other.MoveToChild("record17");  // the other cursor does not matter
  ASSERT_TRUE(target.AppendTree(other));
  ASSERT_TRUE(target.AppendTree(target));  // appending itself copies first
  target.MoveToRoot();
  EXPECT_EQ(target.GetChildCount(), 2);
  target.MoveToFirstChild();
  EXPECT_EQ(target.GetTag(), "rData");
  EXPECT_EQ(target.GetChildCount(), 2);
  other.SetChildValue("link", "99");
  target.MoveToChild("record17");
  EXPECT_EQ(target.GetChildContent("link"), "17") << "a copy, not a view";
}

TEST(RecordDoc, XmlRoundTripKeepsTextExactly) {
  RecordDoc doc = sample();
  doc.MoveToChild("record17");
  doc.SetChildValue("address", "12 Main St\r\nSuite 5\r\nSpringfield, IL 62701");
  doc.SetChildValue("space", " ");
  doc.SetChildValue("quote", "a \"b\" & 'c' < d > e");
  doc.MoveToRoot();
  std::string xml = doc.GetXml();
  RecordDoc copy;
  ASSERT_TRUE(copy.LoadXml(xml));
  EXPECT_EQ(copy.GetXml(), xml);
  ASSERT_GT(copy.MoveToChild("record17"), 0);
  EXPECT_EQ(copy.GetContent(), "1");
  EXPECT_EQ(copy.GetChildContent("address"), "12 Main St\r\nSuite 5\r\nSpringfield, IL 62701");
  EXPECT_EQ(copy.GetChildContent("space"), " ");
  EXPECT_EQ(copy.GetChildContent("quote"), "a \"b\" & 'c' < d > e");
  EXPECT_EQ(copy.GetChildContent("name"), "O'Brien & Sons <West>");
  doc.MoveToChild("record18");
  EXPECT_EQ(doc.GetXml(), "<record18>2</record18>");  // the current element only

  RecordDoc emptyRoot;
  emptyRoot.AddChild("a", "1");
  ASSERT_TRUE(copy.LoadXml(emptyRoot.GetXml()));
  EXPECT_EQ(copy.GetTag(), "");
  EXPECT_EQ(copy.GetChildContent("a"), "1");
}

TEST(RecordDoc, LoadXmlOfNothingOrBadTextNeverKeepsThePreviousContent) {
  RecordDoc doc = sample();
  EXPECT_TRUE(doc.LoadXml(""));
  EXPECT_EQ(doc.GetTag(), "");
  EXPECT_EQ(doc.GetChildCount(), 0);
  doc = sample();
  EXPECT_FALSE(doc.LoadXml("<a><b></a>"));
  EXPECT_EQ(doc.GetChildCount(), 0);
  EXPECT_FALSE(doc.LoadXml("just text"));
  EXPECT_EQ(doc.GetTag(), "");
}

TEST(RecordDoc, FilesSaveAndLoadAndLeaveNoTemporaryBehind) {
  test::TempDir dir;
  RecordDoc doc = sample();
  doc.MoveToChild("record18");  // saving writes the whole document, wherever the cursor is
  ASSERT_TRUE(doc.SaveXmlFile(dir.file("doc.xml")));
  ASSERT_TRUE(doc.SaveXmlFile(dir.file("doc.xml")));  // replaces
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
    ++files;
  EXPECT_EQ(files, 1);
  RecordDoc loaded;
  ASSERT_TRUE(loaded.LoadXmlFile(dir.file("doc.xml")));
  EXPECT_EQ(loaded.GetTag(), "rData");
  EXPECT_EQ(loaded.GetChildCount(), 2);
  EXPECT_FALSE(loaded.LoadXmlFile(dir.file("missing.xml")));
  EXPECT_EQ(loaded.GetChildCount(), 0);
  EXPECT_FALSE(doc.SaveXmlFile(dir.file("no/such/folder/doc.xml")));
}

TEST(RecordDoc, KeyedLookupsStayCorrectAcrossChangesToALargeDocument) {
  RecordDoc doc = large();
  for (int i = 500; i >= 1; --i) {
    doc.MoveToRoot();
    ASSERT_GT(doc.MoveToChild("record" + std::to_string(i)), 0);
    ASSERT_EQ(doc.GetContent(), std::to_string(i));
  }
  doc.MoveToRoot();
  EXPECT_EQ(doc.MoveToChild("record501"), 0);  // builds the index
  doc.AddChild("record501", "new");
  EXPECT_GT(doc.MoveToChild("record501"), 0) << "the index is dropped on a change";
  EXPECT_EQ(doc.GetContent(), "new");
}

// A hit past the first children indexes a large parent; every kind of change drops that
// index, so the next lookup finds the child that is there now (the first of its tag).
TEST(RecordDoc, LookupsAfterAChangeFindTheChildThatIsThereNow) {
  const struct {
    const char* change;
    void (*apply)(RecordDoc&);
    const char* tag;
    const char* content;
  } cases[] = {
      {"add", [](RecordDoc& d) { d.AddChild("record501", "new"); }, "record501", "new"},
      {"add a second of a tag", [](RecordDoc& d) { d.AddChild("record250", "dup"); }, "record250",
       "250"},
      {"remove the first of two",
       [](RecordDoc& d) {
         d.AddChild("record250", "second");
         d.RemoveChildrenWithContent("250");
       },
       "record250", "second"},
      {"rename",
       [](RecordDoc& d) {
         d.MoveToChild("record300");
         d.SetTag("moved");
       },
       "moved", "300"},
      {"rename onto an earlier tag",
       [](RecordDoc& d) {
         d.MoveToChild("record400");
         d.SetTag("record10");
       },
       "record10", "10"},
      {"rename onto a later tag",
       [](RecordDoc& d) {
         d.MoveToChild("record10");
         d.SetTag("record400");
       },
       "record400", "10"},
      {"append a tree",
       [](RecordDoc& d) {
         RecordDoc extra;
         extra.SetTag("extra");
         extra.SetContent("x");
         d.AppendTree(extra);
       },
       "extra", "x"},
      {"set a new child value", [](RecordDoc& d) { d.SetChildValue("fresh", "v"); }, "fresh", "v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.change);
    RecordDoc doc = large();
    ASSERT_GT(doc.MoveToChild("record250"), 0);  // a hit builds the index
    doc.MoveToRoot();
    c.apply(doc);
    doc.MoveToRoot();
    EXPECT_GT(doc.MoveToChild(c.tag), 0);
    EXPECT_EQ(doc.GetContent(), c.content);
  }
}

}  // namespace
}  // namespace vqb
