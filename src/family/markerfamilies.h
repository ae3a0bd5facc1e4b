// One marker's genotyped family members, prepared once per marker and read by
// every analysis of it (each allele, model and null), and the one family walk
// every test uses. The hot path of a study is family x marker: once its
// buffers have grown, preparing a marker and walking it allocate nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "family/families.h"

// Which members a test sees. SexAware: a member must have sex 1 or 2, and a
// parent's role (father or mother) follows its sex. Plain: sex is ignored.
enum class FamilyForm { SexAware, Plain };

// One genotyped member of a family at the marker.
struct GenotypedMember {
  int row = 0;             // table row
  std::int32_t a = 0;      // its two allele codes, both non-zero
  std::int32_t b = 0;
  std::int8_t sex = 0;     // 1 or 2 in the sex-aware form; not kept in the plain form
  std::int8_t affected = 0;  // affection code: 1 affected, else 0
  bool parent = false;     // a parent's row, else a child's

  int copies(int allele) const { return (a == allele) + (b == allele); }
};

// A family at the marker: members [first, first + size) of
// MarkerFamilies::members, in table order; its distinct positive allele codes
// are MarkerFamilies::alleles[allelesFirst, allelesFirst + alleleCount),
// ascending.
struct FamilyAtMarker {
  std::uint32_t first = 0;
  std::uint32_t size = 0;
  std::uint32_t parents = 0;  // genotyped parents among the members
  std::uint32_t allelesFirst = 0;
  std::uint32_t alleleCount = 0;
  int fatherPos = -1;  // sex-aware form: member positions of the parents, -1 when not genotyped
  int motherPos = -1;
  bool negativeCodes = false;  // some member shows a negative allele code
  // Everything the family's members are at the marker (in order: codes,
  // role, sex, affection), packed, for a family of up to four members with
  // codes 1 to 32; 0 for any other. Families with equal signatures are
  // alike in every analysis of the marker.
  std::uint64_t signature = 0;

  std::uint32_t children() const { return size - parents; }
};

// Every family of the list at one marker, in list order. A MarkerFamilies
// belongs to one thread at a time.
struct MarkerFamilies {
  const PedTable* table = nullptr;
  const FamilyList* list = nullptr;
  int column = 0;  // the marker's first allele column
  FamilyForm form = FamilyForm::SexAware;
  // Different for every preparation in the run: what is worked out once per
  // marker and family elsewhere (the Mendelian checks) is kept under it.
  std::uint64_t serial = 0;
  std::vector<FamilyAtMarker> families;
  std::vector<GenotypedMember> members;  // the families' members, then unused room kept for the next marker
  std::vector<int> alleles;  // the families' allele lists, then unused room kept for the next marker

  const GenotypedMember* membersOf(const FamilyAtMarker& f) const { return members.data() + f.first; }
  bool carries(const FamilyAtMarker& f, int allele) const {
    const int* list = alleles.data() + f.allelesFirst;
    for (std::uint32_t i = 0; i < f.alleleCount; ++i) {
      if (list[i] == allele) {
        return true;
      }
    }
    return false;
  }
};

// Prepares `marker` for the marker whose first allele column is `column`
// (the families' rosters must have been found: pedigrees does it). The
// table and list must outlive it.
void prepareMarker(const PedTable& table, const FamilyList& families, int column, FamilyForm form,
                   MarkerFamilies& marker);

// Every family of a list as it is at a marker where all its members are
// typed (in one form); quick[f] says whether family f (one to four members,
// each of known sex in the sex-aware form) is prepared from it there.
struct FamilyShapes {
  std::uint64_t run = 0;
  std::vector<FamilyAtMarker> families;  // signatures without the codes
  std::vector<GenotypedMember> members;  // per roster entry, codes unset
  std::vector<char> quick;
};

// A few consecutive markers' genotypes in the families' roster order, copied
// out of the table together. A table row spans every marker, so reading one
// marker's genotypes row by row costs a cache miss per member; one pass over
// the rows for a block of markers lays each marker's genotypes end to end,
// and every later marker of the block reads them in sequence. One per thread.
class RosterGenotypes {
 public:
  // Prepares `marker` (as prepareMarker does) from the block holding it.
  // Most families are typed in full at most markers: they are filled in
  // from their shapes, found once per run. `run` names the table and
  // families: nothing found under another run is reused (a table may be
  // refilled in place).
  void prepare(const PedTable& table, const FamilyList& families, int column, FamilyForm form, std::uint64_t run,
               MarkerFamilies& marker);

  // Markers copied at a time, from the first one asked for that the block does not hold.
  static constexpr int kBlockMarkers = 8;

 private:
  // The roster-ordered genotypes of the marker whose first allele column is `column`.
  const std::int32_t* pairsOf(const PedTable& table, const FamilyList& families, int column, std::uint64_t run);
  const FamilyShapes& shapesOf(const FamilyList& families, FamilyForm form, std::uint64_t run);

  FamilyShapes shapes_[2];  // sex-aware, plain
  std::uint64_t run_ = 0;
  int firstColumn_ = -1;
  int markers_ = 0;
  std::vector<std::int32_t> pairs_;  // marker after marker, roster entry after entry, two codes each
};

// The vector form of family f's members (positions 0-based in `members`;
// sexes, sons, daughters and the parent positions in the sex-aware form
// only). Empties `family` first; its storage is reused.
void fillMembers(const MarkerFamilies& marker, std::size_t f, FamilyMembers& family);

// The one walk over the nuclear families that every test uses: calls
// visit(f, family) for each family in list order, where visit returns whether
// the family was informative. Returns the number that were not.
template <class Visit>
int forEachFamily(const MarkerFamilies& marker, Visit visit) {
  int uninformative = 0;
  for (std::size_t f = 0; f < marker.families.size(); ++f) {
    if (!visit(f, marker.families[f])) {
      ++uninformative;
    }
  }
  return uninformative;
}

// One family's genotyped members at the marker whose first allele column is
// `column`, found in the first `rows` rows. nuclear: the sex-aware form;
// nuclearPlain: the plain form (no sexes, sons, daughters or parent positions).
void nuclear(const PedTable& table, int rows, long ped, long father, long mother, int column,
             FamilyMembers& family);
void nuclearPlain(const PedTable& table, int rows, long ped, long father, long mother, int column,
                  FamilyMembers& family);
