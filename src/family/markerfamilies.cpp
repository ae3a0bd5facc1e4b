// One marker's genotyped family members, prepared once for every analysis of the marker.
#include "family/markerfamilies.h"

#include <algorithm>
#include <atomic>

#include "family/codings.h"

namespace {

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


namespace {

// The distinct positive allele codes of one family, ascending, appended to
// `out`. Codes 1 to 63 (nearly every marker) are gathered as bits; a family
// with any other code is sorted the general way.
void appendFamilyAlleles(const GenotypedMember* members, std::uint32_t size, std::uint64_t bits, bool unusual,
                         std::vector<int>& out) {
  if (!unusual) {
    appendCodesOfBits(bits, out);
    return;
  }
  FamilyAlleles familyAlleles;
  for (std::uint32_t i = 0; i < size; ++i) {
    familyAlleles.add(members[i].a);
    familyAlleles.add(members[i].b);
  }
  familyAlleles.appendTo(out);
}

bool usualCode(std::int32_t code) { return static_cast<std::uint32_t>(code) - 1u < 63u; }

}  // namespace

void prepareMarker(const PedTable& table, const FamilyList& families, int column, FamilyForm form,
                   MarkerFamilies& marker) {
  marker.table = &table;
  marker.list = &families;
  marker.column = column;
  marker.form = form;
  marker.serial = ++preparations;
  marker.families.resize(families.pedIds.size());
  // Room for every roster entry, kept from marker to marker: members are
  // written in place, and the families say how many are used.
  if (marker.members.size() < families.rosterRows.size()) {
    marker.members.resize(families.rosterRows.size());
  }
  marker.alleles.clear();
  const bool sexAware = form == FamilyForm::SexAware;
  GenotypedMember* out = marker.members.data();
  std::uint32_t used = 0;
  const std::size_t rosterCount = families.rosterRows.size();
  // A row spans every marker, so each member read is a cache miss of its
  // own: the row wanted sixteen members on is asked for early.
  constexpr std::size_t kAhead = 16;
  for (std::size_t f = 0; f < families.pedIds.size(); ++f) {
    FamilyAtMarker at;
    at.first = used;
    at.allelesFirst = static_cast<std::uint32_t>(marker.alleles.size());
    std::uint64_t bits = 0;
    bool unusual = false;
    for (std::size_t r = families.rosterStart[f]; r < families.rosterStart[f + 1]; ++r) {
      if (r + kAhead < rosterCount) {
        __builtin_prefetch(table[static_cast<std::size_t>(families.rosterRows[r + kAhead])].begin() + column);
      }
      const std::int32_t* row = table[static_cast<std::size_t>(families.rosterRows[r])].begin();
      const std::int32_t a = row[column];
      const std::int32_t b = row[column + 1];
      const std::int8_t sex = families.rosterSex[r];
      // A member of unknown sex cannot be placed in an X-linked family.
      if (a == 0 || b == 0 || (sexAware && sex == 0)) {
        continue;
      }
      GenotypedMember& member = out[used++];
      member.row = families.rosterRows[r];
      member.a = a;
      member.b = b;
      member.sex = sexAware ? sex : 0;
      member.affected = families.rosterAffected[r];
      member.parent = families.rosterIsParent[r] != 0;
      if (member.parent) {
        if (sexAware) {
          (sex == 1 ? at.fatherPos : at.motherPos) = static_cast<int>(at.size);
        }
        ++at.parents;
      }
      // Codes outside 1..63 (negative ones are never listed) take the general way.
      unusual = unusual || !usualCode(a) || !usualCode(b);
      bits |= std::uint64_t{1} << (a & 63) | std::uint64_t{1} << (b & 63);
      ++at.size;
    }
    if (unusual) {
      for (std::uint32_t i = 0; i < at.size; ++i) {
        at.negativeCodes = at.negativeCodes || out[at.first + i].a < 0 || out[at.first + i].b < 0;
      }
    }
    appendFamilyAlleles(out + at.first, at.size, bits, unusual, marker.alleles);
    at.alleleCount = static_cast<std::uint32_t>(marker.alleles.size()) - at.allelesFirst;
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
