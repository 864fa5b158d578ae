#include "platform/rtl/string_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "tests/platform/temp_folder.h"

namespace lab {
namespace {

std::vector<std::string> Lines(const TStrings& s) {
  std::vector<std::string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Strings(i));
  return out;
}

using V = std::vector<std::string>;

template <class E = EStringListError>
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return "<no exception>";
}

// The smallest TStrings: only the abstract operations, so the shared defaults are what runs.
class TPlainStrings : public TStrings {
 public:
  std::vector<std::string> lines;
  void Insert(int Index, const std::string& S) override { lines.insert(lines.begin() + Index, S); }
  void Delete(int Index) override { lines.erase(lines.begin() + Index); }
  void Clear() override { lines.clear(); }

 protected:
  std::string Get(int Index) const override { return lines.at(static_cast<std::size_t>(Index)); }
  int GetCount() const override { return static_cast<int>(lines.size()); }
};

TEST(StringListText, EveryLineBreakForm) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd");
  EXPECT_EQ(Lines(list), (V{"a", "b", "c", "d"}));
  list.SetText("a\n\rb");  // LF then CR: two breaks
  EXPECT_EQ(Lines(list), (V{"a", "", "b"}));
  list.SetText("a\r\n");  // a break at the end makes no empty line
  EXPECT_EQ(Lines(list), (V{"a"}));
  list.SetText("a\r\n\r\n");
  EXPECT_EQ(Lines(list), (V{"a", ""}));
  list.SetText("\r\r\n\n");
  EXPECT_EQ(Lines(list), (V{"", "", ""}));
  list.SetText(std::string("x\0y\nz", 5));  // NUL is just a character
  EXPECT_EQ(Lines(list), (V{std::string("x\0y", 3), "z"}));
  EXPECT_EQ(list.Text(), std::string("x\0y\r\nz\r\n", 8));
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Text(), "");

  // The shared default behaves the same.
  TPlainStrings plain;
  plain.SetText("1\r2\n3\r\n\n");
  EXPECT_EQ(Lines(plain), (V{"1", "2", "3", ""}));
  EXPECT_EQ(plain.Text(), "1\r\n2\r\n3\r\n\r\n");
}

TEST(StringListCommaText, WritingQuotesWhatWouldSplit) {
  TStringList list;
  EXPECT_EQ(list.CommaText(), "");
  list.Add("");
  EXPECT_EQ(list.CommaText(), "\"\"");  // a single empty line
  list.SetText("plain\r\ntwo words\r\n\r\nsay \"hi\"\r\na,b\r\ntab\there\r\n\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(list.CommaText(),
            "plain,\"two words\",,\"say \"\"hi\"\"\",\"a,b\",\"tab\there\",\xC3\xA9t\xC3\xA9");
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  EXPECT_EQ(list.DelimitedText(), "plain;'two words';;'say \"hi\"';a,b;'tab\there';\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(list.CommaText().substr(0, 18), "plain,\"two words\",");  // CommaText ignores both
  EXPECT_EQ(list.Delimiter(), ';');
  EXPECT_EQ(list.QuoteChar(), '\'');
}

TEST(StringListCommaText, ReadingSplitsAtDelimitersAndBlanks) {
  TStringList list;
  list.SetCommaText("a,b c,\"d e\",\"say \"\"hi\"\"\"");
  EXPECT_EQ(Lines(list), (V{"a", "b", "c", "d e", "say \"hi\""}));
  list.SetCommaText("  a ,  b  ,,c,");  // blanks around items go; empty items and a final comma stay
  EXPECT_EQ(Lines(list), (V{"a", "b", "", "c", ""}));
  list.SetCommaText("\"\"");
  EXPECT_EQ(Lines(list), (V{""}));
  list.SetCommaText(",");
  EXPECT_EQ(Lines(list), (V{"", ""}));
  list.SetCommaText("\"open, never closed");
  EXPECT_EQ(Lines(list), (V{"open, never closed"}));
  list.SetCommaText("\"a\"b,c");  // text straight after a closing quote is the next item
  EXPECT_EQ(Lines(list), (V{"a", "b", "c"}));
  list.SetCommaText("   ");
  EXPECT_EQ(list.Count(), 0);
  list.SetDelimiter('|');
  list.SetDelimitedText("x|y z|'q'");
  EXPECT_EQ(Lines(list), (V{"x", "y", "z", "'q'"}));
}

TEST(StringListCommaText, RoundTripsAnyLines) {
  const V cases[] = {{"", ""}, {"", "a"}, {"a", ""}, {"\"", ",", " "}, {" lead", "trail "},
                     {std::string("nul\0in", 6), "x"}, {"\xC3\xA9", "\xE2\x82\xAC \xE2\x82\xAC"}};
  for (const V& lines : cases) {
    TStringList a, b;
    for (const std::string& s : lines) a.Add(s);
    b.SetCommaText(a.CommaText());
    EXPECT_EQ(Lines(b), lines) << a.CommaText();
    a.SetDelimiter(';');
    a.SetQuoteChar('\'');
    b.SetDelimiter(';');
    b.SetQuoteChar('\'');
    b.SetDelimitedText(a.DelimitedText());
    EXPECT_EQ(Lines(b), lines) << a.DelimitedText();
  }
}

TEST(StringListValues, NamesAndValues) {
  TStringList list;
  list.SetText("Width=10\r\nno separator\r\nColor=red=ish\r\n=empty name\r\nwidth=20");
  EXPECT_EQ(list.Names(0), "Width");
  EXPECT_EQ(list.Names(1), "");
  EXPECT_EQ(list.ValueFromIndex(1), "");
  EXPECT_EQ(list.ValueFromIndex(2), "red=ish");
  EXPECT_EQ(list.Names(3), "");
  EXPECT_EQ(list.Values("WIDTH"), "10");  // names match without case, the first one wins
  EXPECT_EQ(list.Values("Missing"), "");
  EXPECT_EQ(list.IndexOfName("color"), 2);
  EXPECT_EQ(list.IndexOfName("no separator"), -1);

  list.SetValues("width", "11");
  EXPECT_EQ(list.Strings(0), "width=11");
  list.SetValues("Height", "5");
  EXPECT_EQ(list.Strings(5), "Height=5");
  list.SetValues("Color", "");  // an empty value removes the line
  EXPECT_EQ(list.IndexOfName("Color"), -1);
  list.SetValues("Nothing", "");
  EXPECT_EQ(list.Count(), 5);

  list.SetCaseSensitive(true);
  EXPECT_EQ(list.Values("WIDTH"), "");
  list.SetNameValueSeparator(':');
  list.Clear();
  list.Add("key:value=x");
  EXPECT_EQ(list.Values("key"), "value=x");
}

TEST(StringListValues, WritingKeepsASortedListSorted) {
  TStringList list;
  list.SetSorted(true);
  list.SetValues("m", "1");
  list.SetValues("a", "1");
  list.SetValues("z", "1");
  list.SetValues("a", "zzz");  // changes in place would be refused on a sorted list
  EXPECT_EQ(Lines(list), (V{"a=zzz", "m=1", "z=1"}));
  list.SetValues("m", "");
  EXPECT_EQ(Lines(list), (V{"a=zzz", "z=1"}));

  list.Add("b=1");
  list.SetDuplicates(dupError);
  EXPECT_EQ(MessageOf([&] { list.SetValues("A", "ZZZ"); }), "<no exception>");  // only itself equal
  list.Add("c=2");
  EXPECT_EQ(MessageOf([&] { list.SetValues("b", "2"); }), "<no exception>");
  list.Add("b=1");
  // "b=1" is the first line named b; making it "b=2" would repeat the next line.
  EXPECT_EQ(MessageOf([&] { list.SetValues("b", "2"); }), "String list does not allow duplicates");
  EXPECT_EQ(Lines(list), (V{"A=ZZZ", "b=1", "b=2", "c=2", "z=1"}));
}

TEST(StringListSorted, AddFindAndDuplicates) {
  TStringList list;
  list.SetText("pear\r\napple\r\nFig");
  list.SetSorted(true);
  EXPECT_EQ(Lines(list), (V{"apple", "Fig", "pear"}));  // locale order, not byte order
  EXPECT_EQ(list.Add("banana"), 1);
  int index = -1;
  EXPECT_TRUE(list.Find("FIG", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find("cherry", index));
  EXPECT_EQ(index, 2);  // where it would go
  EXPECT_FALSE(list.Find("zzz", index));
  EXPECT_EQ(index, 4);
  EXPECT_EQ(list.IndexOf("PEAR"), 3);

  // dupIgnore: the index of the line already there, nothing added.
  EXPECT_EQ(list.Add("APPLE"), 0);
  EXPECT_EQ(list.Count(), 4);
  list.SetDuplicates(dupError);
  EXPECT_EQ(MessageOf([&] { list.Add("Banana"); }), "String list does not allow duplicates");
  EXPECT_EQ(list.Count(), 4);
  list.SetDuplicates(dupAccept);
  EXPECT_EQ(list.Add("Banana"), 1);  // before the equal line already there
  EXPECT_EQ(Lines(list), (V{"apple", "Banana", "banana", "Fig", "pear"}));
  EXPECT_TRUE(list.Find("BANANA", index));
  EXPECT_EQ(index, 1);  // the first of the equal lines
}

TEST(StringListSorted, CaseSensitivity) {
  TStringList list;
  list.SetSorted(true);
  list.Add("b");
  list.Add("B");
  EXPECT_EQ(list.Count(), 1);  // equal without case
  list.SetCaseSensitive(true);
  list.Add("B");
  list.Add("a");
  list.Add("A");
  EXPECT_EQ(Lines(list), (V{"a", "A", "b", "B"}));
  EXPECT_EQ(list.IndexOf("A"), 1);
  EXPECT_EQ(list.IndexOf("c"), -1);
  list.SetCaseSensitive(false);  // sorts again under the new rule (equal lines keep their order)
  EXPECT_EQ(Lines(list), (V{"a", "A", "b", "B"}));
  EXPECT_EQ(list.IndexOf("B"), 2);

  TStringList unsorted;
  unsorted.SetText("x\r\nX");
  EXPECT_EQ(unsorted.IndexOf("X"), 0);
  unsorted.SetCaseSensitive(true);
  EXPECT_EQ(unsorted.IndexOf("X"), 1);
}

TEST(StringListSorted, RefusesPositionalChangesAndKeepsOrder) {
  TStringList list;
  list.SetText("c\r\na\r\nb");
  list.SetSorted(true);
  const std::string refused = "Operation not allowed on sorted list";
  EXPECT_EQ(MessageOf([&] { list.Insert(0, "z"); }), refused);
  EXPECT_EQ(MessageOf([&] { list.SetStrings(0, "z"); }), refused);
  EXPECT_EQ(MessageOf([&] { list.Exchange(0, 2); }), refused);
  EXPECT_EQ(MessageOf([&] { list.Move(0, 2); }), refused);
  EXPECT_EQ(Lines(list), (V{"a", "b", "c"}));  // nothing lost by a refused move
  list.SetText("q\r\nd\r\nq\r\nD");
  EXPECT_EQ(Lines(list), (V{"d", "q"}));  // loading follows the duplicates rule too
  list.SetSorted(false);
  list.Insert(0, "z");
  EXPECT_EQ(list.Strings(0), "z");
}

TEST(StringListSorted, LoadingTextMatchesAddingLineByLine) {
  const std::string text = "b\r\nB\r\na\r\nb\r\nA\r\nc\r\nB\r\na";
  for (TDuplicates dup : {dupIgnore, dupAccept}) {
    for (bool caseSensitive : {false, true}) {
      TStringList loaded, added;
      for (TStringList* l : {&loaded, &added}) {
        l->SetDuplicates(dup);
        l->SetCaseSensitive(caseSensitive);
        l->SetSorted(true);
      }
      loaded.SetText(text);
      TStringList source;
      source.SetText(text);
      for (int i = 0; i < source.Count(); ++i) added.Add(source.Strings(i));
      EXPECT_EQ(Lines(loaded), Lines(added)) << dup << caseSensitive;
    }
  }
  TStringList strict;
  strict.SetDuplicates(dupError);
  strict.SetSorted(true);
  strict.Add("keep");
  EXPECT_EQ(MessageOf([&] { strict.SetText("x\r\ny\r\nX"); }), "String list does not allow duplicates");
  EXPECT_EQ(Lines(strict), (V{"keep"}));  // refused text changes nothing
}

TEST(StringListSorted, SortAndCustomSort) {
  TStringList list;
  list.SetText("b2\r\na1\r\nB1\r\na2");
  list.Sort();
  EXPECT_EQ(Lines(list), (V{"a1", "a2", "B1", "b2"}));
  // Sort by the digit only; equal keys keep their order.
  list.CustomSort([](TStringList* l, int i, int j) {
    return l->Strings(i)[1] - l->Strings(j)[1];
  });
  EXPECT_EQ(Lines(list), (V{"a1", "B1", "a2", "b2"}));
  list.SetSorted(true);
  list.CustomSort([](TStringList*, int i, int j) { return j - i; });  // a sorted list stays as it is
  EXPECT_EQ(Lines(list), (V{"a1", "a2", "B1", "b2"}));
}

TEST(StringListEvents, FireAroundEachChangeOrOncePerUpdate) {
  TStringList list;
  std::vector<std::string> log;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    log.push_back("changing:" + std::to_string(list.Count()));
  };
  list.OnChange = [&](TObject*) { log.push_back("change:" + std::to_string(list.Count())); };

  list.Add("a");
  list.Delete(0);
  EXPECT_EQ(log, (V{"changing:0", "change:1", "changing:1", "change:0"}));

  log.clear();
  list.BeginUpdate();
  list.BeginUpdate();
  EXPECT_EQ(list.UpdateCount(), 2);
  list.Add("x");
  list.Add("y");
  list.EndUpdate();
  list.SetStrings(0, "z");
  EXPECT_EQ(log, (V{"changing:0"}));  // before the first change only
  list.EndUpdate();
  EXPECT_EQ(log, (V{"changing:0", "change:2"}));
  EXPECT_EQ(list.UpdateCount(), 0);

  log.clear();
  list.BeginUpdate();
  list.IndexOf("z");
  list.EndUpdate();  // nothing changed: nothing fired
  list.EndUpdate();  // unmatched: harmless
  EXPECT_EQ(list.UpdateCount(), 0);
  TStringList empty;
  empty.OnChange = [&](TObject*) { log.push_back("empty"); };
  empty.Clear();
  EXPECT_TRUE(log.empty());

  // A duplicate that is ignored or refused is no change.
  list.SetSorted(true);
  log.clear();
  list.Add("y");
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add("z"), EStringListError);
  EXPECT_TRUE(log.empty());

  // Bulk operations run as one update.
  list.SetCommaText("1,2,3");
  list.Assign(&empty);
  EXPECT_EQ(log, (V{"changing:2", "change:3", "changing:3", "change:0"}));
}

TEST(StringListIndexErrors, MessagesNameTheIndex) {
  TStringList list;
  list.SetText("a\r\nb");
  EXPECT_EQ(MessageOf([&] { list.Strings(2); }), "List index out of bounds (2)");
  EXPECT_EQ(MessageOf([&] { list.Strings(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf([&] { list.Objects(5); }), "List index out of bounds (5)");
  EXPECT_EQ(MessageOf([&] { list.SetStrings(2, "x"); }), "List index out of bounds (2)");
  EXPECT_EQ(MessageOf([&] { list.SetObjects(2, nullptr); }), "List index out of bounds (2)");
  EXPECT_EQ(MessageOf([&] { list.Delete(2); }), "List index out of bounds (2)");
  EXPECT_EQ(MessageOf([&] { list.Insert(3, "x"); }), "List index out of bounds (3)");
  EXPECT_EQ(MessageOf([&] { list.Exchange(0, 7); }), "List index out of bounds (7)");
  EXPECT_EQ(MessageOf([&] { list.Move(-1, 0); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf([&] { list.Names(9); }), "List index out of bounds (9)");
  EXPECT_EQ(MessageOf([&] { list.SetCapacity(1); }), "List capacity out of bounds (1)");
  EXPECT_EQ(Lines(list), (V{"a", "b"}));
  list.Insert(2, "c");  // Count itself is a valid place to insert
  list.SetCapacity(3);
  EXPECT_EQ(list.Capacity(), 3);
}

// A plain list that counts the update brackets it is told of: every change through the shared
// defaults opens one.
class TCountingStrings : public TPlainStrings {
 public:
  int updates = 0;

 protected:
  void SetUpdateState(bool Updating) override { updates += Updating ? 1 : 0; }
};

TEST(StringListIndexes, MoveAtCountIsRefusedBeforeAnythingChanges) {
  TCountingStrings plain;
  plain.lines = {"a", "b", "c"};
  EXPECT_EQ(MessageOf([&] { plain.Move(0, 3); }), "List index out of bounds (3)");
  EXPECT_EQ(MessageOf([&] { plain.Move(3, 0); }), "List index out of bounds (3)");
  EXPECT_EQ(MessageOf([&] { plain.Move(1, -1); }), "List index out of bounds (-1)");
  EXPECT_EQ(MessageOf([&] { plain.Move(3, 3); }), "List index out of bounds (3)");
  EXPECT_EQ(plain.lines, (V{"a", "b", "c"}));
  EXPECT_EQ(plain.updates, 0);
  plain.Move(0, 2);  // the last index is a valid place
  EXPECT_EQ(plain.lines, (V{"b", "c", "a"}));
  plain.Move(2, 0);
  EXPECT_EQ(plain.lines, (V{"a", "b", "c"}));
  EXPECT_EQ(plain.updates, 2);

  TStringList list;
  list.SetText("a\r\nb\r\nc");
  int changing = 0, changed = 0;
  list.OnChanging = [&](TObject*) { ++changing; };
  list.OnChange = [&](TObject*) { ++changed; };
  EXPECT_EQ(MessageOf([&] { list.Move(0, 3); }), "List index out of bounds (3)");
  EXPECT_EQ(MessageOf([&] { list.Move(3, 0); }), "List index out of bounds (3)");
  EXPECT_EQ(Lines(list), (V{"a", "b", "c"}));
  EXPECT_EQ(changing + changed, 0);
  list.Move(0, 2);
  EXPECT_EQ(Lines(list), (V{"b", "c", "a"}));
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
}

struct TTracked : TObject {
  static inline int alive = 0;
  TTracked() { ++alive; }
  ~TTracked() override { --alive; }
};

TEST(StringListObjects, CarriedWithLinesAndFreedWhenOwned) {
  TTracked::alive = 0;
  {
    TStringList list(true);
    auto* one = new TTracked;
    list.AddObject("one", one);
    list.InsertObject(0, "zero", new TTracked);
    list.AddObject("two", new TTracked);
    EXPECT_EQ(list.IndexOfObject(one), 1);
    list.Move(1, 2);
    EXPECT_EQ(list.Objects(2), one);
    list.Exchange(0, 2);
    EXPECT_EQ(list.Objects(0), one);
    EXPECT_EQ(list.Strings(0), "one");
    list.Delete(1);
    EXPECT_EQ(TTracked::alive, 2);
    list.SetObjects(0, new TTracked);  // the replaced object goes
    EXPECT_EQ(TTracked::alive, 2);
    list.SetText("new text");  // so do the objects of replaced lines
    EXPECT_EQ(TTracked::alive, 0);
    list.AddObject("kept till the end", new TTracked);
  }
  EXPECT_EQ(TTracked::alive, 0);

  TTracked shared;
  {
    TStringList list;  // not owning
    list.AddObject("a", &shared);
    list.Clear();
    list.AddObject("b", &shared);
    EXPECT_EQ(list.IndexOfObject(&shared), 0);
    EXPECT_EQ(list.IndexOfObject(nullptr), -1);
  }
  EXPECT_EQ(TTracked::alive, 1);
}

TEST(StringListAssign, AssignAddStringsAndEquals) {
  TTracked marker;
  TStringList source;
  source.SetText("x\r\ny");
  source.SetObjects(1, &marker);
  TPlainStrings plain;
  plain.Assign(&source);  // any TStrings to any TStrings
  EXPECT_EQ(plain.lines, (V{"x", "y"}));
  EXPECT_TRUE(plain.Equals(&source));

  TStringList copy;
  copy.Add("old");
  copy.Assign(&source);
  EXPECT_EQ(Lines(copy), (V{"x", "y"}));
  EXPECT_EQ(copy.Objects(1), &marker);
  copy.Assign(&copy);  // itself: unchanged
  EXPECT_EQ(Lines(copy), (V{"x", "y"}));
  copy.AddStrings(&copy);
  EXPECT_EQ(Lines(copy), (V{"x", "y", "x", "y"}));
  EXPECT_FALSE(copy.Equals(&source));
  copy.SetText("x\r\nY");
  EXPECT_FALSE(copy.Equals(&source));  // lines compare byte for byte

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.Assign(&plain);
  sorted.AddStrings(&plain);  // duplicates ignored
  EXPECT_EQ(Lines(sorted), (V{"x", "y"}));

  TPersistent other;
  EXPECT_EQ(MessageOf<EConvertError>([&] { copy.Assign(&other); }),
            "Cannot assign a TPersistent to a TStringList");

  // The shared defaults of the abstract list.
  plain.lines = {"a", "b", "c"};
  plain.Move(0, 2);
  EXPECT_EQ(plain.lines, (V{"b", "c", "a"}));
  plain.Exchange(0, 2);
  EXPECT_EQ(plain.lines, (V{"a", "c", "b"}));
  plain.SetStrings(1, "C");
  EXPECT_EQ(plain.lines, (V{"a", "C", "b"}));
  EXPECT_EQ(plain.IndexOf("c"), 1);  // without case
  plain.SetValues("k", "v");
  EXPECT_EQ(plain.Values("K"), "v");
}

TEST(StringListFiles, RoundTripsThroughFilesAndStreams) {
  testing::TempFolder dir;
  const std::string path = dir.File("lines.txt");
  TStringList list;
  list.SetText("first\r\n\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\r\n\r\nlast");
  list.SaveToFile(path);
  TFileStream raw(path, fmOpenRead);
  std::string bytes(static_cast<std::size_t>(raw.Size()), '\0');
  raw.ReadBuffer(bytes.data(), raw.Size());
  EXPECT_EQ(bytes, "first\r\n\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\r\n\r\nlast\r\n");

  TStringList loaded;
  loaded.LoadFromFile(path);
  EXPECT_TRUE(loaded.Equals(&list));

  // A byte order mark is skipped; loading starts at the stream's position.
  TStringStream withMark("\xEF\xBB\xBFone\ntwo");
  loaded.LoadFromStream(&withMark);
  EXPECT_EQ(Lines(loaded), (V{"one", "two"}));
  TStringStream partway("skip|\xEF\xBB\xBFkeep\rme");
  partway.SetPosition(5);
  loaded.LoadFromStream(&partway);
  EXPECT_EQ(Lines(loaded), (V{"keep", "me"}));

  TStringStream out;
  loaded.SaveToStream(&out);
  EXPECT_EQ(out.DataString(), "keep\r\nme\r\n");

  // A file that cannot be read leaves the list as it was.
  EXPECT_THROW(loaded.LoadFromFile(dir.File("missing.txt")), EFOpenError);
  EXPECT_EQ(Lines(loaded), (V{"keep", "me"}));
  EXPECT_THROW(loaded.SaveToFile(dir.File("no/folder.txt")), EFCreateError);
}

}  // namespace
}  // namespace lab
