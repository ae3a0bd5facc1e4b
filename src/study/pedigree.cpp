// Coding of string ids and the structural checks of a study's pedigree.
#include "study/pedigree.h"

#include <algorithm>
#include <numeric>
#include <set>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace {

using Key = std::pair<std::int32_t, std::int32_t>;  // family code, individual code

// Integer codes of distinct strings, from 1 in order of first use; "0" is 0.
class Coder {
 public:
  explicit Coder(std::vector<std::string>& names) : names_(names) {}
  std::int32_t code(const std::string& name) {
    if (name.size() == 1 && name[0] == '0') {
      return 0;
    }
    // Looked up first: most names come again (as a parent of each child).
    const auto found = codes_.find(name);
    if (found != codes_.end()) {
      return found->second;
    }
    const auto code = static_cast<std::int32_t>(names_.size() + 1);
    codes_.emplace(name, code);
    names_.push_back(name);
    return code;
  }

 private:
  std::vector<std::string>& names_;
  std::unordered_map<std::string, std::int32_t> codes_;
};

enum Col { PED = 0, ID = 1, FATHER = 2, MOTHER = 3, SEX = 4 };

// Each record's place by its (family, individual) codes: a list sorted once,
// where a search halves only the few records of the key's family (every
// record asks for both its parents: tens of thousands of searches).
class RecordIndex {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  explicit RecordIndex(const StudyPedigree& p) {
    sorted_.reserve(p.columns.size());
    for (std::size_t i = 0; i < p.columns.size(); ++i) {
      sorted_.emplace_back(Key{p.columns[i][PED], p.columns[i][ID]}, i);
    }
    std::sort(sorted_.begin(), sorted_.end());
    // Family codes run from 0 ("0") up, with no gaps.
    const std::size_t families = sorted_.empty() ? 0 : static_cast<std::size_t>(sorted_.back().first.first) + 1;
    familyStart_.assign(families + 1, 0);
    for (const auto& entry : sorted_) {
      ++familyStart_[static_cast<std::size_t>(entry.first.first) + 1];
    }
    std::partial_sum(familyStart_.begin(), familyStart_.end(), familyStart_.begin());
  }

  // Throws, naming both records, at the first individual (in file order)
  // that appears a second time in a family.
  void checkNoRepeat(const std::vector<io::Sample>& samples) const {
    std::size_t first = kNone;
    std::size_t second = kNone;
    for (std::size_t k = 1; k < sorted_.size(); ++k) {
      const bool repeat = sorted_[k].first == sorted_[k - 1].first;
      if (repeat && sorted_[k].second < second && (k < 2 || sorted_[k - 2].first != sorted_[k].first)) {
        first = sorted_[k - 1].second;
        second = sorted_[k].second;
      }
    }
    if (second != kNone) {
      const io::Sample& s = samples[second];
      throw io::InputError("family " + s.family + ": individual " + s.id + " appears twice (records " +
                           std::to_string(first + 1) + " and " + std::to_string(second + 1) + ")");
    }
  }

  // The record of `key`, or kNone.
  std::size_t find(Key key) const {
    const auto family = static_cast<std::size_t>(key.first);
    if (key.first < 0 || family + 1 >= familyStart_.size()) {
      return kNone;
    }
    const auto last = sorted_.begin() + static_cast<std::ptrdiff_t>(familyStart_[family + 1]);
    const auto it = std::lower_bound(sorted_.begin() + static_cast<std::ptrdiff_t>(familyStart_[family]), last,
                                     std::make_pair(key, std::size_t{0}));
    return it != last && it->first == key ? it->second : kNone;
  }
  bool contains(Key key) const { return find(key) != kNone; }

 private:
  std::vector<std::pair<Key, std::size_t>> sorted_;  // (key, record), sorted
  std::vector<std::size_t> familyStart_;  // family f's entries: sorted_[familyStart_[f], familyStart_[f + 1])
};

std::string who(const StudyPedigree& p, std::int32_t family, std::int32_t id) {
  return "family " + p.familyName(family) + ", individual " + p.individualName(id);
}

// Parents named but absent from the file are kept as untyped parents (a
// sibship whose parents were not sampled is still a family); one parent
// alone cannot make a nuclear family, so such an individual is a founder.
void checkParents(StudyPedigree& p, const RecordIndex& records) {
  std::set<Key> reported;
  for (const auto& row : p.columns) {
    if ((row[FATHER] == 0) != (row[MOTHER] == 0)) {
      ++p.qc.singleParent;
      p.qc.warnings.push_back(who(p, row[PED], row[ID]) + ": only one parent is given; taken as a founder");
      continue;
    }
    for (int c : {FATHER, MOTHER}) {
      const Key parent{row[PED], row[c]};
      if (row[c] != 0 && !records.contains(parent) && reported.insert(parent).second) {
        ++p.qc.missingParents;
        p.qc.warnings.push_back(who(p, row[PED], row[ID]) + ": " + (c == FATHER ? "father " : "mother ") +
                                p.individualName(row[c]) + " has no record; taken as an untyped parent");
      }
    }
  }
}

// Families (pedigree codes) in which someone is their own ancestor: a walk
// up the parent links that comes back to where it started.
std::set<std::int32_t> pedigreesWithCycles(StudyPedigree& p, const RecordIndex& records) {
  enum { Unseen, OnPath, Done };
  std::vector<int> state(p.size(), Unseen);
  std::set<std::int32_t> cyclic;
  // Depth-first with an explicit stack: (record, next parent to visit).
  std::vector<std::pair<std::size_t, int>> stack;
  for (std::size_t start = 0; start < p.size(); ++start) {
    stack.assign(1, {start, FATHER});
    while (!stack.empty() && state[start] != Done) {
      auto& [r, next] = stack.back();
      state[r] = OnPath;
      if (next > MOTHER) {
        state[r] = Done;
        stack.pop_back();
        continue;
      }
      const auto& row = p.columns[r];
      const std::size_t parent = records.find(Key{row[PED], row[next++]});
      if (parent == RecordIndex::kNone || state[parent] == Done) {
        continue;
      }
      if (state[parent] == OnPath) {
        if (cyclic.insert(row[PED]).second) {
          ++p.qc.cyclePedigrees;
          p.qc.warnings.push_back(who(p, row[PED], p.columns[parent][ID]) +
                                  " is their own ancestor; the whole family is left out");
        }
        continue;
      }
      stack.emplace_back(parent, FATHER);
    }
  }
  return cyclic;
}

// Keeps the nuclear families whose pedigree has no cycle and whose father
// is not recorded as female nor the mother as male.
void dropFamilies(StudyPedigree& p, const RecordIndex& records, const std::set<std::int32_t>& cyclic) {
  FamilyList kept;
  FamilyList& all = p.families;
  auto recordedSex = [&](long ped, long id) {
    const std::size_t record = records.find(Key{static_cast<std::int32_t>(ped), static_cast<std::int32_t>(id)});
    return record == RecordIndex::kNone ? 0 : p.columns[record][SEX];
  };
  for (std::size_t f = 0; f < all.pedIds.size(); ++f) {
    const FamilyId id{all.pedIds[f], all.fatherIds[f], all.motherIds[f]};
    const bool femaleFather = recordedSex(id.ped, id.father) == 2;
    const bool maleMother = recordedSex(id.ped, id.mother) == 1;
    if (cyclic.count(static_cast<std::int32_t>(id.ped)) != 0 || femaleFather || maleMother) {
      ++p.qc.familiesLeftOut;
      if (femaleFather || maleMother) {
        ++p.qc.wrongSexParents;
        p.qc.warnings.push_back(describeFamily(p, id) + ": the " + (femaleFather ? "father" : "mother") +
                                " is recorded as " + (femaleFather ? "female" : "male") +
                                "; this nuclear family is left out");
      }
      continue;
    }
    keepFamily(kept, all, f);
  }
  all = std::move(kept);
}

}  // namespace

StudyPedigree buildPedigree(const std::vector<io::Sample>& samples) {
  StudyPedigree p;
  Coder families(p.familyNames);
  Coder individuals(p.individualNames);
  p.columns.reserve(samples.size());
  for (const io::Sample& s : samples) {
    const std::int32_t family = families.code(s.family);
    const std::int32_t id = individuals.code(s.id);
    p.columns.push_back({family, id, individuals.code(s.father), individuals.code(s.mother),
                         static_cast<std::int32_t>(s.sex), static_cast<std::int32_t>(s.affection)});
  }
  const RecordIndex records(p);
  records.checkNoRepeat(samples);
  checkParents(p, records);
  const std::set<std::int32_t> cyclic = pedigreesWithCycles(p, records);
  const PedTable table = pedigreeTable(p, 0);
  pedigrees(table, static_cast<int>(table.size()), p.families);
  dropFamilies(p, records, cyclic);
  return p;
}

PedTable pedigreeTable(const StudyPedigree& pedigree, std::size_t markers) {
  const std::size_t width = 6 + 2 * markers;
  PedValues values;
  values.resize(pedigree.columns.size() * width, 0);  // genotypes missing until filled
  std::int32_t* row = values.data();
  for (const auto& columns : pedigree.columns) {
    std::copy(columns.begin(), columns.end(), row);
    row += width;
  }
  return PedTable(width, std::move(values));
}

std::string describeFamily(const StudyPedigree& p, const FamilyId& f) {
  return "family " + p.familyName(f.ped) + ", father " + p.individualName(f.father) + ", mother " +
         p.individualName(f.mother);
}

FamilyKinds familyKinds(const StudyPedigree& p) {
  // Sorted lists searched by halving: one lookup per family, no node per row.
  const RecordIndex records(p);
  std::vector<std::tuple<long, long, long>> parentsOfRows;  // (pedigree, father, mother) per row
  parentsOfRows.reserve(p.columns.size());
  for (const auto& row : p.columns) {
    parentsOfRows.emplace_back(row[PED], row[FATHER], row[MOTHER]);
  }
  std::sort(parentsOfRows.begin(), parentsOfRows.end());
  const auto hasRecord = [&](long ped, long id) {
    return records.contains(Key{static_cast<std::int32_t>(ped), static_cast<std::int32_t>(id)}) ? 1 : 0;
  };
  FamilyKinds kinds{};
  const FamilyList& f = p.families;
  for (std::size_t i = 0; i < f.pedIds.size(); ++i) {
    const int parents = hasRecord(f.pedIds[i], f.fatherIds[i]) + hasRecord(f.pedIds[i], f.motherIds[i]);
    const auto children = std::equal_range(parentsOfRows.begin(), parentsOfRows.end(),
                                           std::make_tuple(f.pedIds[i], f.fatherIds[i], f.motherIds[i]));
    ++kinds[parents][children.second - children.first > 1 ? 1 : 0];
  }
  return kinds;
}
