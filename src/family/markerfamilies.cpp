// One marker's genotyped family members, prepared once for every analysis of the marker.
#include "family/markerfamilies.h"

#include <algorithm>
#include <atomic>

namespace {

enum Col { SEX = 4, AFFECTION = 5 };

std::atomic<std::uint64_t> preparations{0};

// The distinct positive codes of one family, kept ascending in a small array
// (a family shows a handful of alleles; more spill into a vector).
class FamilyAlleles {
 public:
  void add(std::int32_t code) {
    if (code <= 0) {
      return;  // 0 is missing; negative codes are never listed
    }
    std::size_t i = count_;
    while (i > 0 && at(i - 1) > code) {
      --i;
    }
    if (i > 0 && at(i - 1) == code) {
      return;
    }
    if (count_ < kSmall) {
      std::copy_backward(small_ + i, small_ + count_, small_ + count_ + 1);
      small_[i] = code;
    } else {
      if (large_.empty()) {
        large_.assign(small_, small_ + count_);
      }
      large_.insert(large_.begin() + static_cast<std::ptrdiff_t>(i), code);
    }
    ++count_;
  }
  void appendTo(std::vector<int>& out) const {
    if (count_ <= kSmall) {
      out.insert(out.end(), small_, small_ + count_);
    } else {
      out.insert(out.end(), large_.begin(), large_.end());
    }
  }
  std::size_t size() const { return count_; }

 private:
  int at(std::size_t i) const { return count_ <= kSmall ? small_[i] : large_[i]; }
  static constexpr std::size_t kSmall = 8;
  int small_[kSmall] = {};
  std::size_t count_ = 0;
  std::vector<int> large_;
};

}  // namespace

bool MarkerFamilies::carries(const FamilyAtMarker& f, int allele) const {
  const int* begin = alleles.data() + f.allelesFirst;
  const int* end = begin + f.alleleCount;
  return std::find(begin, end, allele) != end;
}

void prepareMarker(const PedTable& table, const FamilyList& families, int column, FamilyForm form,
                   MarkerFamilies& marker) {
  marker.table = &table;
  marker.list = &families;
  marker.column = column;
  marker.form = form;
  marker.serial = ++preparations;
  marker.families.resize(families.pedIds.size());
  marker.members.clear();
  marker.alleles.clear();
  const bool sexAware = form == FamilyForm::SexAware;
  for (std::size_t f = 0; f < families.pedIds.size(); ++f) {
    FamilyAtMarker at;
    FamilyAlleles familyAlleles;
    at.first = static_cast<std::uint32_t>(marker.members.size());
    at.allelesFirst = static_cast<std::uint32_t>(marker.alleles.size());
    for (std::size_t r = families.rosterStart[f]; r < families.rosterStart[f + 1]; ++r) {
      const PedRow row = table[static_cast<std::size_t>(families.rosterRows[r])];
      GenotypedMember member;
      member.a = static_cast<std::int32_t>(row[column]);
      member.b = static_cast<std::int32_t>(row[column + 1]);
      const long sex = row[SEX];
      // A member of unknown sex cannot be placed in an X-linked family.
      if (member.a == 0 || member.b == 0 || (sexAware && sex != 1 && sex != 2)) {
        continue;
      }
      member.row = families.rosterRows[r];
      member.parent = families.rosterIsParent[r] != 0;
      member.affected = static_cast<std::int8_t>(affectionCode(row[AFFECTION]));
      if (sexAware) {
        member.sex = static_cast<std::int8_t>(sex);
      }
      if (member.parent) {
        if (sexAware) {
          (sex == 1 ? at.fatherPos : at.motherPos) = static_cast<int>(at.size);
        }
        ++at.parents;
      }
      familyAlleles.add(member.a);
      familyAlleles.add(member.b);
      at.negativeCodes = at.negativeCodes || member.a < 0 || member.b < 0;
      marker.members.push_back(member);
      ++at.size;
    }
    familyAlleles.appendTo(marker.alleles);
    at.alleleCount = static_cast<std::uint32_t>(familyAlleles.size());
    marker.families[f] = at;
  }
}

void fillMembers(const MarkerFamilies& marker, std::size_t f, FamilyMembers& family) {
  Clear(family);
  const FamilyAtMarker& at = marker.families[f];
  const GenotypedMember* members = marker.membersOf(at);
  const bool sexAware = marker.form == FamilyForm::SexAware;
  for (int i = 0; i < static_cast<int>(at.size); ++i) {
    const GenotypedMember& m = members[i];
    family.members.push_back(m.row);
    family.affection.push_back(m.affected);
    if (m.parent) {
      family.parents.push_back(i);
    } else {
      family.children.push_back(i);
      if (sexAware) {
        (m.sex == 2 ? family.daughters : family.sons).push_back(i);
      }
    }
    if (sexAware) {
      family.sexes.push_back(m.sex);
    }
  }
  family.fatherPos = at.fatherPos;
  family.motherPos = at.motherPos;
}

namespace {

void oneFamily(const PedTable& table, int rows, long ped, long father, long mother, int column, FamilyForm form,
               FamilyMembers& family) {
  FamilyList list;
  list.pedIds = {ped};
  list.fatherIds = {father};
  list.motherIds = {mother};
  rosters(table, rows, list);
  MarkerFamilies marker;
  prepareMarker(table, list, column, form, marker);
  fillMembers(marker, 0, family);
}

}  // namespace

void nuclear(const PedTable& table, int rows, long ped, long father, long mother, int column,
             FamilyMembers& family) {
  oneFamily(table, rows, ped, father, mother, column, FamilyForm::SexAware, family);
}

void nuclearPlain(const PedTable& table, int rows, long ped, long father, long mother, int column,
                  FamilyMembers& family) {
  oneFamily(table, rows, ped, father, mother, column, FamilyForm::Plain, family);
}
