// The "no linkage, no association" test driver: walks the nuclear families,
// works out each pattern of family once (its network gives its own
// distribution of its statistic) and combines the families.
#include "nolinkage/network.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "family/codings.h"
#include "network/lattice.h"
#include "network/records.h"
#include "network/studysum.h"
#include "nolinkage/abounds.h"
#include "nolinkage/apasses.h"
#include "nolinkage/mendel.h"
#include "nolinkage/statistic.h"
#include "nolinkage/xbounds.h"
#include "nolinkage/xpasses.h"

namespace {

// Stage s of the network holds node numbers firstNode[s]..lastNode[s]; the
// nodes come grouped by stage in ascending order, the end node last.
void stageBounds(const std::vector<int>& stage, int nkids, std::vector<int>& firstNode,
                 std::vector<int>& lastNode) {
  std::vector<int> perStage(static_cast<std::size_t>(nkids + 2), 0);
  for (int s : stage) {
    ++perStage[s];
  }
  firstNode.assign(static_cast<std::size_t>(nkids + 2), 0);
  lastNode.assign(static_cast<std::size_t>(nkids + 2), 0);
  int c = 0;
  for (int s = 0; s <= nkids; ++s) {
    c += perStage[s];
    firstNode[s + 1] = c;
    lastNode[s] = c - 1;
  }
  lastNode[nkids + 1] = static_cast<int>(stage.size()) - 1;
}

// One family's network of N nodes: the backward pass and the informativeness
// test on the root's range (its least and greatest rest differ); for an
// informative family the forward pass from a single record gives its
// distribution.
template <class Backward, class Forward>
FamilyNetworkOutcome passFamily(int N, Backward backward, Forward forward) {
  FamilyNetworkOutcome out;
  Node* V = NDvector(1, N);
  V[N].setNode(0, 0, 0, 0, 0, nullptr);
  backward(V);
  out.informative = V[1].maxRest != V[1].minRest;
  free_NDvector(V, 1);
  if (out.informative) {
    out.dist = forward();
  }
  return out;
}

std::vector<int> childWeightsOf(const FamilyMembers& fam) {
  std::vector<int> weights;
  for (int c : fam.children) {
    weights.push_back(fam.affection[c]);
  }
  weights.push_back(0);
  return weights;
}

FamilyNetworkOutcome autosomalFamily(const FamilyMembers& fam, const AllelePairs& pairs, int distinctAlleles,
                                     int model) {
  GenotypeMatrix matrix{};
  std::vector<int> minCopies;
  std::vector<int> maxCopies;
  std::vector<int> homClasses;
  minmaxA(pairs, minCopies, maxCopies, fam.parents, fam.children, matrix, homClasses);
  std::vector<int> low;
  std::vector<int> high;
  minmaxm(minCopies, maxCopies, low, high, pairs, fam.children, fam.parents, distinctAlleles, homClasses,
          matrix);

  const int nkids = static_cast<int>(fam.children.size());
  NodeLists nodes{{0}, {0}, {0}, {0}, {0}};
  buildG(low, high, nkids, nodes, minCopies, maxCopies, homClasses, matrix, fam.parents);
  const int N = static_cast<int>(nodes.stage.size());
  std::vector<int> firstNode;
  std::vector<int> lastNode;
  stageBounds(nodes.stage, nkids, firstNode, lastNode);
  const std::vector<double> table = faclog(2 * nkids + 1);
  const std::vector<int> childWeights = childWeightsOf(fam);
  const GNetwork net{nodes,      firstNode, lastNode, childWeights, minCopies, maxCopies,
                     homClasses, table,     model,    fam.parents};
  const int a = nkids + 1;
  const StepTable steps = stepsOfG(net, a);
  return passFamily(
      N, [&](Node* V) { backwardG(a, N, V, net, steps); }, [&] { return forwardG(a, net, steps); });
}

FamilyNetworkOutcome xlinkedFamily(const FamilyMembers& fam, const AllelePairs& pairs, int model) {
  int childMin[2] = {0, 0};
  int childMax[2] = {0, 0};
  int sumMin[3] = {0, 0, 0};
  int sumMax[3] = {0, 0, 0};
  int sonKinds[2] = {0, 0};
  int daughterKinds[2][2] = {{0, 0}, {0, 0}};
  int impliedFatherKind = -1;
  if (minmaxX(pairs, childMin, childMax, fam.fatherPos, fam.motherPos, fam.sons, fam.daughters, sonKinds,
              daughterKinds, impliedFatherKind, sumMin, sumMax) == 0) {
    FamilyNetworkOutcome out;
    out.incompatible = true;
    return out;
  }
  // Children of unknown sex are not members, so sons and daughters are all the children.
  const int nkids = static_cast<int>(fam.sons.size() + fam.daughters.size());
  std::vector<int> stage{0};
  std::vector<int> key0{0};
  buildX(stage, key0, childMin, childMax, sumMin, sumMax, fam.sons, fam.daughters);
  const int N = static_cast<int>(stage.size());
  std::vector<int> firstNode;
  std::vector<int> lastNode;
  stageBounds(stage, nkids, firstNode, lastNode);
  const XNetwork net{key0, firstNode, lastNode, childMin, childMax};
  const int a = nkids + 1;
  return passFamily(
      N, [&](Node* V) { backwardX(a, N, V, net, fam.sons, fam.daughters, fam.affection, model); },
      [&] { return forwardX(a, net, fam.sons, fam.daughters, fam.affection, model); });
}

// Everything a family's network reads, as a list of small numbers: families
// with equal keys have equal networks, equal distributions and equal
// statistics. The trait type and the model first; then, autosomal: the
// number of distinct alleles (2 or "3 or more"), the number of typed parents,
// the tested-allele copies of each typed parent, then per child its copies
// and affection. X-linked: the father's and the mother's copies (-1 untyped),
// then per child its sex, copies and affection. Each entry is handed to
// emit(value) in turn, a child's to emitChild(value). Always inlined: called
// out of line, each emit goes through memory.
template <class Emit, class EmitChild>
[[gnu::always_inline]] inline void patternFields(int xlinked, int model, const MarkerFamilies& marker,
                                                 const FamilyAtMarker& at, int tested, Emit emit,
                                                 EmitChild emitChild) {
  const GenotypedMember* members = marker.membersOf(at);
  emit(xlinked);
  emit(model);
  if (xlinked == 1) {
    emit(at.fatherPos == -1 ? -1 : members[at.fatherPos].copies(tested));
    emit(at.motherPos == -1 ? -1 : members[at.motherPos].copies(tested));
    for (std::uint32_t i = 0; i < at.size; ++i) {
      if (!members[i].parent) {
        emitChild(members[i].sex * 8 + members[i].copies(tested) * 2 + members[i].affected);
      }
    }
    return;
  }
  emit(static_cast<int>(std::min<std::uint32_t>(at.alleleCount, 3)));
  emit(static_cast<int>(at.parents));
  for (std::uint32_t i = 0; i < at.size; ++i) {
    if (members[i].parent) {
      emit(members[i].copies(tested));
    }
  }
  for (std::uint32_t i = 0; i < at.size; ++i) {
    if (!members[i].parent) {
      emitChild(members[i].copies(tested) * 2 + members[i].affected);
    }
  }
}

// The key written into `key`, which must hold 5 + members entries; returns
// the length. The children stay in their order: a large family's weights may
// be scaled on the way, so another order might move a last bit.
std::size_t patternKey(int xlinked, int model, const MarkerFamilies& marker, const FamilyAtMarker& at, int tested,
                       int* key) {
  std::size_t n = 0;
  const auto emit = [&](int value) { key[n++] = value; };
  patternFields(xlinked, model, marker, at, tested, emit, emit);
  return n;
}

// The key packed as packKey packs it, without writing it out: for a family
// of at most 8 members, whose key has at most 12 entries, each in [-1, 30].
// The children's entries come in ascending order. A family's distribution
// does not depend on the order of its children: the network counts the
// children's genotype configurations as a whole, each child's genotype
// weighed by the ways its parents can transmit it, and another order only
// reorders the paths. For up to eight members the weights are whole numbers
// far below 2^53, so they come out the same to the bit in any order, as do
// the statistic (a sum of whole numbers) and whether the family can vary.
// Families that differ only in the order of their children so share one
// pattern: in a study of sibships, a sixth as many networks.
std::uint64_t packedPatternKey(int xlinked, int model, const MarkerFamilies& marker, const FamilyAtMarker& at,
                               int tested) {
  std::uint64_t packed = 1;
  const auto emit = [&](int value) { packed = packed << 5 | static_cast<std::uint64_t>(value + 1); };
  int children[8];
  int count = 0;
  patternFields(xlinked, model, marker, at, tested, emit, [&](int value) {
    // Sorted as they come (insertion): at most eight.
    int i = count++;
    for (; i > 0 && children[i - 1] > value; --i) {
      children[i] = children[i - 1];
    }
    children[i] = value;
  });
  for (int i = 0; i < count; ++i) {
    emit(children[i]);
  }
  return packed;
}

std::uint64_t hashKey(const int* key, std::size_t n) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < n; ++i) {
    h = (h ^ static_cast<std::uint64_t>(key[i] + 1)) * 1099511628211ull;
  }
  return h ^ (h >> 29);
}

// A key of at most 12 entries, each in [-1, 30], packed into 64 bits: 5 bits
// per entry below a leading 1, so keys of different lengths differ too.
// False when the key does not fit.
bool packKey(const int* key, std::size_t n, std::uint64_t& packed) {
  if (n > 12) {
    return false;
  }
  packed = 1;
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned field = static_cast<unsigned>(key[i] + 1);
    if (field > 31) {
      return false;
    }
    packed = packed << 5 | field;
  }
  return true;
}

// What the store keeps per pattern: the family's outcome and its
// distribution as the study sum keeps it (made once, added in every analysis
// that meets the pattern).
struct PatternOutcome {
  FamilyNetworkOutcome family;
  FamilyShape shape;
};

// The hash of a packed key.
std::uint64_t packedHash(std::uint64_t key) {
  key *= 0x9E3779B97F4A7C15ull;
  return key ^ (key >> 32);
}

// The patterns of small families (packed keys) worked out by any thread of
// the process, so that a pattern costs one network however many threads
// meet it. Each thread points at what it uses from its own table
// (PatternStore), so this is consulted only when a thread meets a pattern
// for the first time. The keys are spread over shards. A look-up takes no
// lock and writes nothing: a thread that looks up a pattern another thread
// stored only reads the lines that thread wrote, instead of pulling a lock's
// line (and the map's nodes) back and forth between the cores. Adding takes
// the shard's lock; nothing is computed under it. An outcome, once stored,
// stays where it is until the process ends. Bounded: past kMaxShared
// patterns, new ones stay with their thread.
class SharedPatterns {
 public:
  // The pattern's outcome, worked out by compute() when no thread has it
  // yet. Null when the store is full: the outcome is then left in `computed`
  // for the caller to keep.
  template <class Compute>
  const PatternOutcome* get(std::uint64_t packed, std::uint64_t hash, const Compute& compute,
                            PatternOutcome& computed) {
    Shard& shard = shards_[hash % kShards];
    const std::uint64_t slotHash = slotHashOf(hash);
    if (const Entry* found = find(shard.table.load(std::memory_order_acquire), packed, slotHash)) {
      return &found->outcome;
    }
    // Worked out unlocked: two threads may both do it, with equal results;
    // the first one stored is the one every thread uses.
    auto entry = std::make_unique<Entry>(Entry{packed, compute()});
    std::lock_guard<std::mutex> lock(shard.mutex);
    if (const Entry* found = find(shard.table.load(std::memory_order_relaxed), packed, slotHash)) {
      return &found->outcome;
    }
    if (stored_.fetch_add(1, std::memory_order_relaxed) >= kMaxShared) {
      computed = std::move(entry->outcome);
      return nullptr;
    }
    return &add(shard, entry.release(), slotHash)->outcome;
  }

 private:
  static constexpr std::size_t kMaxShared = 200000;
  static constexpr std::size_t kShards = 64;
  struct Entry {
    std::uint64_t key;
    PatternOutcome outcome;
  };
  // Open addressing; a slot, once set, never changes. A full table is
  // replaced by one twice as large, published whole.
  struct Table {
    explicit Table(std::size_t size) : mask(size - 1), slots(new std::atomic<const Entry*>[size]) {
      for (std::size_t s = 0; s < size; ++s) {
        slots[s].store(nullptr, std::memory_order_relaxed);
      }
    }
    std::size_t mask;
    std::unique_ptr<std::atomic<const Entry*>[]> slots;
  };
  struct alignas(64) Shard {
    std::atomic<Table*> table{nullptr};
    std::mutex mutex;  // taken to add
    std::size_t count = 0;
    // Every table made: a thread may still be reading an older one.
    std::vector<std::unique_ptr<Table>> tables;
  };

  // The hash bits that place a key within its shard (the others chose the shard).
  static std::uint64_t slotHashOf(std::uint64_t hash) { return hash / kShards; }
  static const Entry* find(const Table* table, std::uint64_t key, std::uint64_t slotHash) {
    if (table == nullptr) {
      return nullptr;
    }
    for (std::size_t s = slotHash & table->mask;; s = (s + 1) & table->mask) {
      const Entry* entry = table->slots[s].load(std::memory_order_acquire);
      if (entry == nullptr || entry->key == key) {
        return entry;
      }
    }
  }
  static void place(Table& table, const Entry* entry, std::uint64_t slotHash) {
    std::size_t s = slotHash & table.mask;
    while (table.slots[s].load(std::memory_order_relaxed) != nullptr) {
      s = (s + 1) & table.mask;
    }
    table.slots[s].store(entry, std::memory_order_release);
  }
  // Under the shard's lock.
  static const Entry* add(Shard& shard, const Entry* entry, std::uint64_t slotHash) {
    Table* table = shard.table.load(std::memory_order_relaxed);
    if (table == nullptr || 2 * (shard.count + 1) > table->mask + 1) {
      auto larger = std::make_unique<Table>(table == nullptr ? 64 : 2 * (table->mask + 1));
      for (std::size_t s = 0; table != nullptr && s <= table->mask; ++s) {
        if (const Entry* old = table->slots[s].load(std::memory_order_relaxed)) {
          place(*larger, old, slotHashOf(packedHash(old->key) >> 32));
        }
      }
      table = larger.get();
      shard.tables.push_back(std::move(larger));
      shard.table.store(table, std::memory_order_release);
    }
    place(*table, entry, slotHash);
    ++shard.count;
    return entry;
  }

  Shard shards_[kShards];
  std::atomic<std::size_t> stored_{0};
};

// Made once and never destroyed: the process's end releases its memory,
// where freeing its thousands of patterns one by one would hold up every
// run's exit.
SharedPatterns& sharedPatterns = *new SharedPatterns;

// The distributions of the families by pattern, each worked out once per
// thread: a pattern's distribution depends only on its key (with the trait
// type and the model in front), so later analyses, of other markers too, only
// look it up. Keys live back to back in one array, found through an
// open-addressing table of their hashes. Bounded: a thread that has seen very
// many patterns starts over, between two analyses.
class PatternStore {
 public:
  // Starts an analysis: from here to the next call, count() lists the
  // analysis's patterns in order of first appearance.
  void startAnalysis() {
    if (known_.size() >= kMaxPatterns) {
      keys_.clear();
      keyStart_.assign(1, 0);
      own_.clear();
      known_.clear();
      shapeIds_.clear();
      lastAnalysis_.clear();
      place_.clear();
      slots_.assign(slots_.size(), 0);
      packedSlots_.assign(packedSlots_.size(), PackedSlot{});
      keyedCount_ = 0;
      packedCount_ = 0;
    }
    ++analysis_;
    order_.clear();
  }

  // The pattern of `key` (n entries), computed by compute() when new. Most
  // families' keys are short: they are found by their packed form.
  template <class Compute>
  std::size_t lookUp(const int* key, std::size_t n, const Compute& compute) {
    std::uint64_t packed = 0;
    if (packKey(key, n, packed)) {
      return lookUpPacked(packed, compute);
    }
    if (slots_.empty()) {
      slots_.assign(1024, 0);
    }
    const std::uint64_t h = hashKey(key, n);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t s = h & mask;; s = (s + 1) & mask) {
      const std::uint32_t entry = slots_[s];
      if (entry == 0) {
        break;
      }
      const std::size_t p = entry - 1;
      const std::size_t length = keyStart_[p + 1] - keyStart_[p];
      if (length == n && std::equal(key, key + n, keys_.begin() + static_cast<std::ptrdiff_t>(keyStart_[p]))) {
        return p;
      }
    }
    const std::size_t p = addOutcome(keep(compute()));
    keys_.insert(keys_.end(), key, key + n);
    keyStart_.back() = keys_.size();
    ++keyedCount_;
    if (2 * keyedCount_ > slots_.size()) {
      rehash(2 * slots_.size());
    } else {
      insertSlot(p, h);
    }
    return p;
  }

  // What the analyses read of pattern p, from the thread's own copy: the
  // outcome itself may have been stored by another thread, on another core.
  struct Known {
    double statistic = 0.0;
    std::int64_t offset = 0;                 // of the shape's weights
    const std::vector<double>* w = nullptr;  // the shape's weights; null when the family weighs nothing
    std::uint32_t shapeId = 0;               // the number of its set of weights
    bool informative = false;
    bool incompatible = false;
  };
  const Known& known(std::size_t p) const { return known_[p]; }

  template <class Compute>
  std::size_t lookUpPacked(std::uint64_t packed, const Compute& compute) {
    if (packedSlots_.empty()) {
      packedSlots_.assign(1024, PackedSlot{});
    }
    std::size_t mask = packedSlots_.size() - 1;
    const std::uint64_t hash = packedHash(packed);
    std::size_t s = hash & mask;
    for (; packedSlots_[s].pattern != 0; s = (s + 1) & mask) {
      if (packedSlots_[s].key == packed) {
        return packedSlots_[s].pattern - 1;
      }
    }
    PatternOutcome computed;
    const PatternOutcome* shared = sharedPatterns.get(packed, hash >> 32, compute, computed);
    const std::size_t p = addOutcome(shared != nullptr ? shared : keep(std::move(computed)));
    packedSlots_[s] = PackedSlot{packed, static_cast<std::uint32_t>(p + 1)};
    if (2 * ++packedCount_ > packedSlots_.size()) {
      std::vector<PackedSlot> old(2 * packedSlots_.size(), PackedSlot{});
      old.swap(packedSlots_);
      mask = packedSlots_.size() - 1;
      for (const PackedSlot& slot : old) {
        if (slot.pattern != 0) {
          std::size_t t = packedHash(slot.key) & mask;
          while (packedSlots_[t].pattern != 0) {
            t = (t + 1) & mask;
          }
          packedSlots_[t] = slot;
        }
      }
    }
    return p;
  }

  // Counts one more family of pattern p in this analysis.
  void count(std::size_t p) {
    if (lastAnalysis_[p] != analysis_) {
      lastAnalysis_[p] = analysis_;
      place_[p] = order_.size();
      order_.emplace_back(p, 0);
    }
    ++order_[place_[p]].second;
  }
  // Adds this analysis's families to `sum`, their patterns' shapes counted
  // once per set of weights (patterns of equal weights were told apart when
  // they came into the store), in the order the families first met them.
  void addCounted(StudySum& sum) {
    groups_.clear();
    std::int64_t shift = 0;
    for (const auto& [p, count] : order_) {
      const Known& pattern = known_[p];
      if (pattern.w == nullptr) {
        continue;
      }
      shift += count * pattern.offset;
      std::size_t& group = groupOf_[pattern.shapeId];
      if (group == kNoGroup) {
        group = groups_.size();
        groups_.push_back({pattern.shapeId, pattern.w, 0});
      }
      groups_[group].count += count;
    }
    for (const Group& g : groups_) {
      sum.addGrouped(*g.w, g.count);
      groupOf_[g.shape] = kNoGroup;  // ready for the next analysis
    }
    sum.addOffsets(shift);
  }

 private:
  struct PackedSlot {
    std::uint64_t key = 0;
    std::uint32_t pattern = 0;  // pattern + 1, 0 free
  };
  // An outcome this thread keeps itself (a deque: kept outcomes never move).
  const PatternOutcome* keep(PatternOutcome outcome) {
    own_.push_back(std::move(outcome));
    return &own_.back();
  }
  // A new pattern (with an empty general key until lookUp stores one), with
  // the number of its set of weights.
  std::size_t addOutcome(const PatternOutcome* outcome) {
    const auto id =
        shapeIds_.emplace(outcome->shape.w, static_cast<std::uint32_t>(shapeIds_.size())).first->second;
    const FamilyNetworkOutcome& family = outcome->family;
    const FamilyShape& shape = outcome->shape;
    known_.push_back(Known{family.statistic, shape.offset, shape.w.empty() ? nullptr : &shape.w, id,
                           family.informative, family.incompatible});
    if (id >= groupOf_.size()) {
      groupOf_.resize(id + 1, kNoGroup);
    }
    keyStart_.push_back(keys_.size());
    lastAnalysis_.push_back(0);
    place_.push_back(0);
    return known_.size() - 1;
  }
  void insertSlot(std::size_t p, std::uint64_t h) {
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = h & mask;
    while (slots_[s] != 0) {
      s = (s + 1) & mask;
    }
    slots_[s] = static_cast<std::uint32_t>(p + 1);
  }
  void rehash(std::size_t size) {
    slots_.assign(size, 0);
    for (std::size_t p = 0; p < known_.size(); ++p) {
      if (keyStart_[p + 1] > keyStart_[p]) {  // packed patterns keep no general key
        insertSlot(p, hashKey(keys_.data() + keyStart_[p], keyStart_[p + 1] - keyStart_[p]));
      }
    }
  }

  static constexpr std::size_t kMaxPatterns = 200000;
  std::vector<int> keys_;
  std::vector<std::size_t> keyStart_{0};  // pattern p's key: keys_[keyStart_[p], keyStart_[p + 1])
  std::deque<PatternOutcome> own_;
  std::vector<std::uint32_t> slots_;  // pattern + 1, 0 free; a power of two long
  std::size_t keyedCount_ = 0;        // patterns found through slots_
  std::vector<PackedSlot> packedSlots_;  // a power of two long
  std::size_t packedCount_ = 0;
  std::uint64_t analysis_ = 0;
  std::vector<std::uint64_t> lastAnalysis_;  // per pattern: the last analysis that counted it
  std::vector<std::size_t> place_;           // per pattern: its place in order_ in that analysis
  std::vector<std::pair<std::size_t, std::int64_t>> order_;
  // Per pattern, what the analyses read of it; the numbers of the sets of weights.
  std::vector<Known> known_;
  std::map<std::vector<double>, std::uint32_t> shapeIds_;
  // The analysis's families by set of weights (addCounted), and per set its
  // group there (kNoGroup outside addCounted).
  struct Group {
    std::uint32_t shape;
    const std::vector<double>* w;
    std::int64_t count;
  };
  std::vector<Group> groups_;
  static constexpr std::size_t kNoGroup = static_cast<std::size_t>(-1);
  std::vector<std::size_t> groupOf_;
};

// Per family of the marker being analysed: whether its real allele codes pass
// the Mendelian check of each route (-1 not checked yet). Checked once per
// marker, whatever the number of alleles and settings analysed.
struct MendelMemo {
  std::uint64_t serial = 0;
  std::vector<std::int8_t> passes[2];

  bool consistent(const MarkerFamilies& marker, std::size_t f, int xlinked) {
    if (serial != marker.serial) {
      serial = marker.serial;
      passes[0].assign(marker.families.size(), -1);
      passes[1].assign(marker.families.size(), -1);
    }
    std::int8_t& known = passes[xlinked][f];
    if (known == -1) {
      const FamilyAtMarker& at = marker.families[f];
      known = (xlinked == 1 ? xlinkedConsistent(marker, at) : autosomalConsistent(marker, at)) ? 1 : 0;
    }
    return known == 1;
  }
};

// What one analysis made of a family: whether it counts (an informative
// family: its pattern in the store and its statistic) and whether it earns
// the warning of a family whose codes no parents can explain.
struct Verdict {
  std::size_t pattern = 0;
  double statistic = 0.0;
  bool informative = false;
  bool warned = false;
};

// The verdicts of one analysis by family signature: families alike at the
// marker are judged once (most families of a study look like a few dozen
// others). Cleared by a new stamp, not by a pass over the slots.
class VerdictMemo {
 public:
  void startAnalysis() {
    if (++stamp_ == 0) {  // after 2^32 analyses: stale stamps could match again
      slots_.assign(slots_.size(), Slot{});
      stamp_ = 1;
    }
    used_ = 0;
    asked_ = 0;
    found_ = 0;
  }

  // The verdict kept for `signature` (non-zero), or null.
  const Verdict* find(std::uint64_t signature) {
    ++asked_;
    if (slots_.empty()) {
      return nullptr;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t s = slotOf(signature); slots_[s].stamp == stamp_; s = (s + 1) & mask) {
      if (slots_[s].signature == signature) {
        ++found_;
        return &slots_[s].verdict;
      }
    }
    return nullptr;
  }

  // Keeps the verdict of a signature not kept yet.
  void keep(std::uint64_t signature, const Verdict& verdict) {
    if (slots_.empty()) {
      slots_.assign(std::size_t{1} << kFirstBits, Slot{});
      bits_ = kFirstBits;
    }
    if (2 * (used_ + 1) > slots_.size()) {
      grow();
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t s = slotOf(signature);
    while (slots_[s].stamp == stamp_) {
      s = (s + 1) & mask;
    }
    slots_[s] = Slot{signature, verdict, stamp_};
    ++used_;
  }

  // Whether asking still pays in this analysis. Families of many members,
  // each of whose codes, sex and affection count, are often all unlike:
  // after the first 256, the memo is asked only while one in four is found.
  bool worthAsking() const { return asked_ < 256 || 4 * found_ >= asked_; }

 private:
  struct Slot {
    std::uint64_t signature = 0;
    Verdict verdict;
    std::uint32_t stamp = 0;
  };
  // The top bits of the signature times 2^64 over the golden ratio: every
  // bit of the signature moves them (its low bits, one member's codes, do
  // not tell families apart well enough alone).
  std::size_t slotOf(std::uint64_t signature) const {
    return static_cast<std::size_t>((signature * 0x9E3779B97F4A7C15ull) >> (64 - bits_));
  }
  void grow() {
    std::vector<Slot> old(2 * slots_.size(), Slot{});
    old.swap(slots_);
    ++bits_;
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
      if (slot.stamp == stamp_) {
        std::size_t t = slotOf(slot.signature);
        while (slots_[t].stamp == stamp_) {
          t = (t + 1) & mask;
        }
        slots_[t] = slot;
      }
    }
  }
  static constexpr int kFirstBits = 8;
  std::vector<Slot> slots_;  // 2^bits_ long
  int bits_ = 0;
  std::uint32_t stamp_ = 0;
  std::size_t used_ = 0;
  std::size_t asked_ = 0;  // in this analysis
  std::size_t found_ = 0;
};

// What a thread keeps between analyses.
struct ThreadState {
  PatternStore store;
  VerdictMemo verdicts;
  MendelMemo mendel;
  FamilyMembers fam;
  AllelePairs pairs;
  std::vector<int> key;
  std::vector<FamilyId> informativeFamilies;
};

thread_local ThreadState state;

}  // namespace

FamilyNetworkOutcome familyOutcome(int xlinked, const MarkerFamilies& marker, std::size_t f, int model, int k,
                                   const std::vector<int>& L) {
  ThreadState& st = state;
  fillMembers(marker, f, st.fam);
  const FamilyMembers& fam = st.fam;
  alleles(st.pairs, fam.members, L, *marker.table, marker.column, k);
  const int distinct = static_cast<int>(marker.families[f].alleleCount);
  FamilyNetworkOutcome out =
      xlinked == 1 ? xlinkedFamily(fam, st.pairs, model) : autosomalFamily(fam, st.pairs, distinct, model);
  out.statistic = statistic(st.pairs, fam.affection, fam.children, model, fam.sexes, xlinked);
  return out;
}

namespace {

// The analysis; the study's distribution is left in `study`.
AnalysisResult analyse(int xlinked, const MarkerFamilies& marker, int model, int k, const std::vector<int>& L,
                       bool listFamilies, StudyResult& study) {
  AnalysisResult result;
  double S = 0.0;
  const int tested = L[static_cast<std::size_t>(k)];
  const FamilyList& families = *marker.list;
  ThreadState& st = state;
  PatternStore& store = st.store;
  store.startAnalysis();
  // Listed in a scratch list kept by the thread, then copied at their exact
  // number: a run holds many results at once.
  std::vector<FamilyId>& informativeFamilies = st.informativeFamilies;

  // The family's verdict; every step reads only what its signature holds.
  const auto judge = [&](std::size_t f, const FamilyAtMarker& at) {
    Verdict verdict;
    // A family that does not carry the tested allele cannot be given copies of it.
    if (at.size == 0 || at.alleleCount < 2 || at.children() == 0 || (at.children() <= 1 && at.parents <= 1) ||
        !marker.carries(at, tested)) {
      return verdict;
    }
    // The pair coding lumps the other alleles; the real codes are checked too.
    if (!st.mendel.consistent(marker, f, xlinked)) {
      verdict.warned = true;
      return verdict;
    }
    const auto compute = [&] {
      PatternOutcome p;
      p.family = familyOutcome(xlinked, marker, f, model, k, L);
      if (p.family.informative) {
        p.shape = shapeOf(p.family.dist);
      }
      return p;
    };
    if (at.size <= 8) {
      verdict.pattern = store.lookUpPacked(packedPatternKey(xlinked, model, marker, at, tested), compute);
    } else {
      if (st.key.size() < 5 + at.size) {
        st.key.resize(5 + at.size);
      }
      const std::size_t n = patternKey(xlinked, model, marker, at, tested, st.key.data());
      verdict.pattern = store.lookUp(st.key.data(), n, compute);
    }
    const PatternStore::Known& p = store.known(verdict.pattern);
    verdict.warned = p.incompatible;  // one warning per family
    verdict.informative = p.informative;
    verdict.statistic = p.statistic;
    return verdict;
  };
  st.verdicts.startAnalysis();
  // Every family is written to the list and only an informative one is kept
  // (the next overwrites it otherwise): which families count varies from
  // family to family, and a branch on it would mostly be guessed wrong.
  if (informativeFamilies.size() < families.pedIds.size()) {
    informativeFamilies.resize(families.pedIds.size());
  }
  std::size_t informative = 0;
  Verdict scratch;
  const int uninformative = forEachFamily(marker, [&](std::size_t f, const FamilyAtMarker& at) {
    const bool ask = at.signature != 0 && st.verdicts.worthAsking();
    const Verdict* known = ask ? st.verdicts.find(at.signature) : nullptr;
    if (known == nullptr) {
      scratch = judge(f, at);
      if (ask) {
        st.verdicts.keep(at.signature, scratch);
      }
    }
    const Verdict& v = known != nullptr ? *known : scratch;
    if (v.warned) {
      result.incompatiblePeds.push_back(families.pedIds[f]);
    }
    informativeFamilies[informative] = {families.pedIds[f], families.fatherIds[f], families.motherIds[f]};
    informative += v.informative ? 1 : 0;
    S = v.informative ? S + v.statistic : S;
    if (v.informative) {
      store.count(v.pattern);
    }
    return v.informative;
  });

  if (listFamilies) {
    result.informativeFamilies.assign(informativeFamilies.begin(),
                                      informativeFamilies.begin() + static_cast<std::ptrdiff_t>(informative));
  }
  StudySum sum;
  store.addCounted(sum);
  study = sum.finish(S);
  setNumbers(result, static_cast<int>(families.pedIds.size()) - uninformative, S, study.expected, study.variance,
             study.p);
  return result;
}

}  // namespace

AnalysisResult network(int xlinked, const MarkerFamilies& marker, int model, int k, const std::vector<int>& L,
                       bool listFamilies) {
  StudyResult study;
  return analyse(xlinked, marker, model, k, L, listFamilies, study);
}

NetworkResult network(int xlinked, const PedTable& table, const FamilyList& families, int m, int model, int k,
                      const std::vector<int>& L) {
  MarkerFamilies marker;
  prepareMarker(table, families, 2 * m + 4, FamilyForm::SexAware, marker);
  StudyResult study;
  NetworkResult result;
  static_cast<AnalysisResult&>(result) = analyse(xlinked, marker, model, k, L, true, study);
  result.logTotal = logTotal(study.distribution);
  const Lattice& d = study.distribution;
  for (std::size_t i = 0; i < d.w.size(); ++i) {
    if (d.w[i] > 0.0) {
      result.distribution.push_back({static_cast<double>(d.value(i)),
                                     std::log(d.w[i]) + static_cast<double>(d.exp2) * std::log(2.0) + d.logScale});
    }
  }
  return result;
}
