#include "grid/title_tree.h"

#include "platform/rtl/checks.h"
#include "platform/rtl/exceptions.h"

namespace lab {

namespace {

// The siblings from First on come back to First, and each has Host as its host. A second walker at
// half speed meets the first one on a run that never comes back.
[[maybe_unused]] void CheckRing(const THeadTreeNode* First, const THeadTreeNode* Host) noexcept {
  const THeadTreeNode* slow = First;
  const THeadTreeNode* n = First;
  bool step_slow = false;
  do {
    LAB_ASSERT(n && n->Host() == Host);
    n = n->Next();
    if (step_slow) slow = slow->Next();
    step_slow = !step_slow;
    LAB_ASSERT(n == First || n != slow);
  } while (n != First);
}

}  // namespace

THeadTreeNode::THeadTreeNode(std::string AText, int AWidth, int AHeight)
    : height_(AHeight), text_(std::move(AText)), width_(AWidth) {}

THeadTreeNode::~THeadTreeNode() {
  if (!host_) FreeAllChild();
}

void THeadTreeNode::FreeAllChild() {
  THeadTreeNode* first = child_;
  if (!first) return;
  child_ = nullptr;
  THeadTreeNode* n = first;
  do {
    THeadTreeNode* next = n->next_;
    n->FreeAllChild();
    delete n;
    n = next;
  } while (n != first);
}

bool THeadTreeNode::Find(const THeadTreeNode* Node) const {
  const THeadTreeNode* n = this;
  do {
    if (n == Node) return true;
    if (n->child_ && n->child_->Find(Node)) return true;
    n = n->next_;
  } while (n != this);
  return false;
}

int THeadTreeNode::GetLevel() const {
  int level = 0;
  for (const THeadTreeNode* h = host_; h; h = h->host_) ++level;
  return level;
}

THeadTreeNode* THeadTreeNode::Add(THeadTreeNode* After, const std::string& AText, int AWidth, int AHeight) {
  if (!After || !Find(After)) throw Exception("Node not in Tree");
  auto* n = new THeadTreeNode(AText, AWidth, AHeight);
  n->host_ = After->host_;
  n->next_ = After->next_;
  After->next_ = n;
#if LAB_CHECKS
  CheckRing(n, n->host_);
#endif
  return n;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* Node, const std::string& AText, int AWidth, int AHeight) {
  if (!Node || !Find(Node)) throw Exception("Node not in Tree");
  auto* n = new THeadTreeNode(AText, AWidth, AHeight);
  n->host_ = Node;
  if (!Node->child_) {
    Node->child_ = n;
    return n;
  }
  THeadTreeNode* last = Node->child_;
  while (last->next_ != Node->child_) last = last->next_;
  last->next_ = n;
  n->next_ = Node->child_;
#if LAB_CHECKS
  CheckRing(Node->child_, Node);
#endif
  return n;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* From, THeadTreeNode* To, int AHeight, const std::string& AText) {
  if (!From || !Find(From)) throw Exception("Node not in Tree");
  THeadTreeNode* host = From->host_;
  // The ring starts at the host's first child (at From itself for nodes without host).
  THeadTreeNode* first = host ? host->child_ : From;
  for (THeadTreeNode* n = From; n != To;) {
    n = n->next_;
    if (n == first) throw Exception("ATo not in level");
  }
  auto* band = new THeadTreeNode(AText, 0, AHeight);
  band->host_ = host;
  band->line_width_ = To->line_width_;
  THeadTreeNode* after = To->next_;
  if (after == From) {
    band->next_ = band;  // the whole ring moves down
  } else {
    THeadTreeNode* prev = From;
    while (prev->next_ != From) prev = prev->next_;
    prev->next_ = band;
    band->next_ = after;
  }
  if (host && host->child_ == From) host->child_ = band;
  To->next_ = From;
  band->child_ = From;
  int width = 0;
  THeadTreeNode* n = From;
  do {
    n->host_ = band;
    n->height_ -= AHeight;
    width += n->width_ + band->line_width_;
    n = n->next_;
  } while (n != From);
  if (band->line_width_ >= 1) width -= band->line_width_;
  band->width_ = width;
#if LAB_CHECKS
  CheckRing(band, host);
  CheckRing(From, band);
#endif
  return band;
}

void THeadTreeNode::ForEachNode(THeadTreeNode* Node, const std::function<void(THeadTreeNode*)>& Action) {
  THeadTreeNode* first = Node->child_;
  if (!first) return;
  THeadTreeNode* n = first;
  do {
    Action(n);
    ForEachNode(n, Action);
    n = n->next_;
  } while (n != first);
}

// ---- Grouping the captions ----

void GroupTitleLeaves(THeadTreeNode* Root, const std::vector<THeadTreeNode*>& Leaves, int BandHeight) {
  constexpr std::string_view delims = "|";
  const std::size_t count = Leaves.size();
  bool changed = true;
  while (changed) {
    changed = false;
    for (std::size_t i = 0; i < count && !changed; ++i) {
      THeadTreeNode* first = Leaves[i];
      const int second = WordPosition(2, first->Text(), delims);
      if (second == 0) continue;
      const std::string head = ExtractWord(1, first->Text(), delims);
      // A run never leaves the band its first leaf stands under: the leaves it would reach
      // beyond are not its siblings and could not be grouped with it.
      std::size_t last = i;
      while (last + 1 < count && Leaves[last + 1]->Host() == first->Host() &&
             ExtractWord(1, Leaves[last + 1]->Text(), delims) == head)
        ++last;
      for (std::size_t k = i; k <= last; ++k) {
        const std::string& text = Leaves[k]->Text();
        Leaves[k]->SetText(static_cast<std::size_t>(second) - 1 < text.size() ? text.substr(second - 1)
                                                                              : std::string());
      }
      Root->Union(first, Leaves[last], BandHeight, head);
      changed = true;
    }
  }
}

// ---- Words ----

int WordPosition(int N, std::string_view Text, std::string_view Delims) {
  int count = 0;
  std::size_t i = 0;
  while (i < Text.size()) {
    while (i < Text.size() && Delims.find(Text[i]) != std::string_view::npos) ++i;
    if (i >= Text.size()) break;
    if (++count == N) return static_cast<int>(i) + 1;
    while (i < Text.size() && Delims.find(Text[i]) == std::string_view::npos) ++i;
  }
  return 0;
}

std::string ExtractWordPos(int N, std::string_view Text, std::string_view Delims, int& Pos) {
  Pos = WordPosition(N, Text, Delims);
  if (Pos == 0) return {};
  const std::size_t start = static_cast<std::size_t>(Pos) - 1;
  std::size_t end = start;
  while (end < Text.size() && Delims.find(Text[end]) == std::string_view::npos) ++end;
  return std::string(Text.substr(start, end - start));
}

std::string ExtractWord(int N, std::string_view Text, std::string_view Delims) {
  int pos = 0;
  return ExtractWordPos(N, Text, Delims, pos);
}

}  // namespace lab
