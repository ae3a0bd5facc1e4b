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
  // Writes the codes from `out` on; returns how many.
  std::uint32_t writeTo(int* out) const {
    const int* first = count_ <= kSmall ? small_ : large_.data();
    std::copy(first, first + count_, out);
    return static_cast<std::uint32_t>(count_);
  }

 private:
  int at(std::size_t i) const { return count_ <= kSmall ? small_[i] : large_[i]; }
  static constexpr std::size_t kSmall = 8;
  int small_[kSmall] = {};
  std::size_t count_ = 0;
  std::vector<int> large_;
};

}  // namespace


namespace {

bool usualCode(std::int32_t code) { return static_cast<std::uint32_t>(code) - 1u < 63u; }

// A table row spans every marker, so each row read is a cache miss of its
// own: the row wanted this many roster entries on is asked for early.
constexpr std::size_t kAhead = 16;

// The distinct positive allele codes of one family, ascending, written from
// `out` on (at most two per member); returns how many. Codes 1 to 63 (nearly
// every marker) are gathered as bits; a family with any other code is
// sorted the general way.
std::uint32_t writeFamilyAlleles(const GenotypedMember* members, std::uint32_t size, std::uint64_t bits,
                                 bool unusual, int* out) {
  int* const first = out;
  if (!unusual) {
    for (; bits != 0; bits &= bits - 1) {
      *out++ = __builtin_ctzll(bits);
    }
    return static_cast<std::uint32_t>(out - first);
  }
  FamilyAlleles familyAlleles;
  for (std::uint32_t i = 0; i < size; ++i) {
    familyAlleles.add(members[i].a);
    familyAlleles.add(members[i].b);
  }
  return familyAlleles.writeTo(out);
}

// A member with codes 1 to 32 in 14 bits: the codes less one, then the
// role, the sex (0 to 2) and the affection (0 or 1).
// (Other codes give bits that are never used; unsigned, so that no code overflows.)
std::uint64_t memberSignature(std::int32_t a, std::int32_t b, bool parent, std::int8_t sex, std::int8_t affected) {
  const std::uint64_t a1 = (static_cast<std::uint32_t>(a) - 1u) & 31u;
  const std::uint64_t b1 = (static_cast<std::uint32_t>(b) - 1u) & 31u;
  return a1 | b1 << 5 |
         static_cast<std::uint64_t>(parent) << 10 | static_cast<std::uint64_t>(sex & 3) << 11 |
         static_cast<std::uint64_t>(affected & 1) << 13;
}

// Counts a member just placed at position at.size of the family: a parent
// counts as one, and in the sex-aware form its sex says father or mother.
void placeRole(FamilyAtMarker& at, bool parent, bool sexAware, std::int8_t sex) {
  if (parent) {
    if (sexAware) {
      (sex == 1 ? at.fatherPos : at.motherPos) = static_cast<int>(at.size);
    }
    ++at.parents;
  }
}

// The codes of roster entry r at the marker whose first allele column is `column`.
const std::int32_t* rowCodes(const PedTable& table, const FamilyList& families, std::size_t r, int column) {
  return table[static_cast<std::size_t>(families.rosterRows[r])].begin() + column;
}

// Family f at a marker where every member of its roster [first, last) is
// typed with codes 1 to 32: then it is its shape with the codes filled in
// (every member counts, in roster order). False, with nothing written, at
// any other marker.
template <class CodesOf>
bool prepareWhollyTyped(const FamilyShapes& shapes, std::size_t f, std::size_t first, std::size_t last,
                        CodesOf codesOf, MarkerFamilies& marker, std::uint32_t& used, std::uint32_t& allelesUsed) {
  std::uint32_t spread = 0;  // every code less one, or-ed together (0 and negative codes wrap)
  std::uint64_t bits = 0;
  std::uint64_t codeSignature = 0;
  for (std::size_t r = first; r < last; ++r) {
    const std::uint32_t a = static_cast<std::uint32_t>(codesOf(r)[0]) - 1u;
    const std::uint32_t b = static_cast<std::uint32_t>(codesOf(r)[1]) - 1u;
    spread |= a | b;
    bits |= std::uint64_t{2} << (a & 31) | std::uint64_t{2} << (b & 31);
    codeSignature = codeSignature << 14 | (a & 31) | (b & 31) << 5;
  }
  if (spread >= 32) {
    return false;
  }
  FamilyAtMarker at = shapes.families[f];
  at.first = used;
  at.allelesFirst = allelesUsed;
  at.signature |= codeSignature;
  GenotypedMember* out = marker.members.data() + used;
  for (std::size_t r = first; r < last; ++r) {
    *out = shapes.members[r];
    out->a = codesOf(r)[0];
    out->b = codesOf(r)[1];
    ++out;
  }
  used += at.size;
  at.alleleCount = writeFamilyAlleles(nullptr, 0, bits, false, marker.alleles.data() + allelesUsed);
  allelesUsed += at.alleleCount;
  marker.families[f] = at;
  return true;
}

// The preparation itself; codesOf(r) gives roster entry r's two allele codes
// and ahead(r) may ask for entry r's codes early. With `shapes`, families
// wholly typed at the marker are filled in from their shapes.
template <class CodesOf, class Ahead>
void prepareFrom(const PedTable& table, const FamilyList& families, int column, FamilyForm form,
                 MarkerFamilies& marker, CodesOf codesOf, Ahead ahead, const FamilyShapes* shapes = nullptr) {
  marker.table = &table;
  marker.list = &families;
  marker.column = column;
  marker.form = form;
  marker.serial = ++preparations;
  const std::size_t familyCount = families.pedIds.size();
  const std::size_t rosterCount = families.rosterRows.size();
  marker.families.resize(familyCount);
  // Room for every roster entry, kept from marker to marker: members are
  // written in place, and the families say how many are used. The same for
  // the alleles, at most two per member.
  if (marker.members.size() < rosterCount) {
    marker.members.resize(rosterCount);
  }
  if (marker.alleles.size() < 2 * rosterCount) {
    marker.alleles.resize(2 * rosterCount);
  }
  const bool sexAware = form == FamilyForm::SexAware;
  GenotypedMember* out = marker.members.data();
  int* const alleles = marker.alleles.data();
  const std::size_t* rosterStart = families.rosterStart.data();
  const int* rosterRows = families.rosterRows.data();
  const std::int8_t* rosterSex = families.rosterSex.data();
  const std::int8_t* rosterAffected = families.rosterAffected.data();
  const char* rosterIsParent = families.rosterIsParent.data();
  std::uint32_t used = 0;
  std::uint32_t allelesUsed = 0;
  for (std::size_t f = 0; f < familyCount; ++f) {
    if (shapes != nullptr && shapes->quick[f] != 0 &&
        prepareWhollyTyped(*shapes, f, rosterStart[f], rosterStart[f + 1], codesOf, marker, used, allelesUsed)) {
      continue;
    }
    FamilyAtMarker at;
    at.first = used;
    at.allelesFirst = allelesUsed;
    std::uint64_t bits = 0;
    std::uint64_t signature = 0;
    // Every code less one, or-ed together: below 32 when every code is 1 to 32.
    std::uint32_t spread = 0;
    for (std::size_t r = rosterStart[f]; r < rosterStart[f + 1]; ++r) {
      ahead(r);
      const std::int32_t* codes = codesOf(r);
      const std::int32_t a = codes[0];
      const std::int32_t b = codes[1];
      const std::int8_t sex = sexAware ? rosterSex[r] : std::int8_t{0};
      // A member of unknown sex cannot be placed in an X-linked family.
      if ((a == 0) | (b == 0) | (sexAware & (sex == 0))) {
        continue;
      }
      const bool parent = rosterIsParent[r] != 0;
      const std::int8_t affected = rosterAffected[r];
      GenotypedMember& member = out[used++];
      member.row = rosterRows[r];
      member.a = a;
      member.b = b;
      member.sex = sex;
      member.affected = affected;
      member.parent = parent;
      placeRole(at, parent, sexAware, sex);
      spread |= (static_cast<std::uint32_t>(a) - 1u) | (static_cast<std::uint32_t>(b) - 1u);
      bits |= std::uint64_t{1} << (a & 63) | std::uint64_t{1} << (b & 63);
      signature = signature << 14 | memberSignature(a, b, parent, sex, affected);
      ++at.size;
    }
    // Codes outside 1..63 (negative ones are never listed) take the general way.
    bool unusual = false;
    if (spread >= 32) {
      for (std::uint32_t i = 0; i < at.size; ++i) {
        const GenotypedMember& m = out[at.first + i];
        unusual = unusual || !usualCode(m.a) || !usualCode(m.b);
        at.negativeCodes = at.negativeCodes || m.a < 0 || m.b < 0;
      }
    } else if (at.size >= 1 && at.size <= 4) {
      at.signature = signature | std::uint64_t{at.size} << 56;
    }
    at.alleleCount = writeFamilyAlleles(out + at.first, at.size, bits, unusual, alleles + allelesUsed);
    allelesUsed += at.alleleCount;
    marker.families[f] = at;
  }
}

}  // namespace

void prepareMarker(const PedTable& table, const FamilyList& families, int column, FamilyForm form,
                   MarkerFamilies& marker) {
  const std::size_t rosterCount = families.rosterRows.size();
  const auto codesOf = [&](std::size_t r) { return rowCodes(table, families, r, column); };
  const auto ahead = [&](std::size_t r) {
    if (r + kAhead < rosterCount) {
      __builtin_prefetch(codesOf(r + kAhead));
    }
  };
  prepareFrom(table, families, column, form, marker, codesOf, ahead);
}

void RosterGenotypes::prepare(const PedTable& table, const FamilyList& families, int column, FamilyForm form,
                              std::uint64_t run, MarkerFamilies& marker) {
  const std::int32_t* pairs = pairsOf(table, families, column, run);
  prepareFrom(
      table, families, column, form, marker, [&](std::size_t r) { return pairs + 2 * r; }, [](std::size_t) {},
      &shapesOf(families, form, run));
}

const FamilyShapes& RosterGenotypes::shapesOf(const FamilyList& families, FamilyForm form, std::uint64_t run) {
  FamilyShapes& shapes = shapes_[form == FamilyForm::SexAware ? 0 : 1];
  if (shapes.run == run) {
    return shapes;
  }
  shapes.run = run;
  const bool sexAware = form == FamilyForm::SexAware;
  const std::size_t familyCount = families.pedIds.size();
  shapes.families.assign(familyCount, FamilyAtMarker{});
  shapes.quick.assign(familyCount, 0);
  shapes.members.assign(families.rosterRows.size(), GenotypedMember{});
  for (std::size_t f = 0; f < familyCount; ++f) {
    FamilyAtMarker& at = shapes.families[f];
    bool quick = true;
    for (std::size_t r = families.rosterStart[f]; r < families.rosterStart[f + 1]; ++r) {
      GenotypedMember& member = shapes.members[r];
      member.row = families.rosterRows[r];
      member.sex = sexAware ? families.rosterSex[r] : std::int8_t{0};
      member.affected = families.rosterAffected[r];
      member.parent = families.rosterIsParent[r] != 0;
      quick = quick && !(sexAware && member.sex == 0);
      placeRole(at, member.parent, sexAware, member.sex);
      // The member's signature without its codes (codes 1 add nothing).
      at.signature = at.signature << 14 | memberSignature(1, 1, member.parent, member.sex, member.affected);
      ++at.size;
    }
    quick = quick && at.size >= 1 && at.size <= 4;
    shapes.quick[f] = quick ? 1 : 0;
    at.signature |= std::uint64_t{at.size} << 56;
  }
  return shapes;
}

const std::int32_t* RosterGenotypes::pairsOf(const PedTable& table, const FamilyList& families, int column,
                                             std::uint64_t run) {
  const std::size_t entries = families.rosterRows.size();
  if (run != run_ || column < firstColumn_ || column >= firstColumn_ + 2 * markers_) {
    run_ = run;
    firstColumn_ = column;
    markers_ = std::min(kBlockMarkers, static_cast<int>(table.width() - static_cast<std::size_t>(column)) / 2);
    pairs_.resize(static_cast<std::size_t>(markers_) * entries * 2);
    std::int32_t* out = pairs_.data();
    const std::size_t stride = entries * 2;
    const auto codesOf = [&](std::size_t r) { return rowCodes(table, families, r, column); };
    // The block's part of a row lies in one or two cache lines; both are asked for early.
    for (std::size_t r = 0; r < entries; ++r) {
      if (r + kAhead < entries) {
        __builtin_prefetch(codesOf(r + kAhead));
        __builtin_prefetch(codesOf(r + kAhead) + 2 * markers_ - 1);
      }
      const std::int32_t* codes = codesOf(r);
      for (int m = 0; m < markers_; ++m) {
        out[static_cast<std::size_t>(m) * stride + 2 * r] = codes[2 * m];
        out[static_cast<std::size_t>(m) * stride + 2 * r + 1] = codes[2 * m + 1];
      }
    }
  }
  return pairs_.data() + static_cast<std::size_t>((column - firstColumn_) / 2) * entries * 2;
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
