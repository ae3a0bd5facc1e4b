// Allele lists of a marker and the genotype codings the tests work on.
#include "family/codings.h"

#include <algorithm>
#include <cstdint>

namespace {
bool listed(const std::vector<int>& list, long code) {
  return std::find(list.begin(), list.end(), code) != list.end();
}

// The allele lists when some code is negative or above 63: codes 1 to 63 in
// a bit set per marker, larger ones listed as they come.
std::vector<std::vector<int>> markerAlleleListsOfAnyCodes(const PedTable& table, int first, int last) {
  const std::size_t markers = static_cast<std::size_t>(std::max(0, last - first + 1));
  std::vector<std::vector<int>> lists(markers);
  std::vector<std::uint64_t> seen(markers, 0);
  auto bit = [](std::int32_t code) {
    return static_cast<std::uint32_t>(code) - 1u < 63u ? std::uint64_t{1} << code : 0;
  };
  std::uint64_t* bits = seen.data();
  bool large = false;
  for (std::size_t r = 0; r < table.size(); ++r) {
    const std::int32_t* codes = table[r].begin() + 2 * first + 4;
    for (std::size_t m = 0; m < markers; ++m) {
      const std::int32_t a = codes[2 * m];
      const std::int32_t b = codes[2 * m + 1];
      bits[m] |= bit(a) | bit(b);
      large = large || a >= 64 || b >= 64;
    }
  }
  for (std::size_t r = 0; large && r < table.size(); ++r) {
    const std::int32_t* codes = table[r].begin() + 2 * first + 4;
    for (std::size_t m = 0; m < markers; ++m) {
      for (std::size_t i = 0; i < 2; ++i) {
        const std::int32_t code = codes[2 * m + i];
        if (code >= 64 && !listed(lists[m], code)) {
          lists[m].push_back(code);
        }
      }
    }
  }
  for (std::size_t m = 0; m < markers; ++m) {
    appendCodesOfBits(seen[m], lists[m]);
    std::sort(lists[m].begin(), lists[m].end());
  }
  return lists;
}

}  // namespace

void countAlleles(const PedTable& table, std::vector<int>& list, const std::vector<int>& rows,
                  int column) {
  // Codes below 64 (nearly every marker's) are marked in a bit set; larger
  // ones are looked up in the list.
  std::uint64_t seen = 0;
  auto add = [&](long code) {
    if (code > 0 && code < 64) {
      seen |= std::uint64_t{1} << code;
    } else if (code >= 64 && !listed(list, code)) {
      list.push_back(static_cast<int>(code));
    }
  };
  for (int r : rows) {
    const PedRow row = table[static_cast<std::size_t>(r)];
    add(row[column]);
    add(row[column + 1]);
  }
  for (; seen != 0; seen &= seen - 1) {
    const int code = __builtin_ctzll(seen);
    if (!listed(list, code)) {
      list.push_back(code);
    }
  }
  std::sort(list.begin(), list.end());
  list.erase(std::remove(list.begin(), list.end(), 0), list.end());
}

std::vector<std::vector<int>> markerAlleleLists(const PedTable& table, int first, int last) {
  return markerAlleleLists(table, first, last, markerAlleleBits(table, first, last, 0, table.size()));
}

AlleleBits markerAlleleBits(const PedTable& table, int first, int last, std::size_t firstRow, std::size_t lastRow) {
  const std::size_t markers = static_cast<std::size_t>(std::max(0, last - first + 1));
  // Row by row, as the table lies in memory: codes 0 to 63 in a bit set per
  // marker (0, missing, is dropped at the end).
  AlleleBits part;
  part.seen.assign(markers, 0);
  std::uint64_t* bits = part.seen.data();
  std::uint32_t unusual = 0;
  for (std::size_t r = firstRow; r < lastRow; ++r) {
    const std::int32_t* codes = table[r].begin() + 2 * first + 4;
    for (std::size_t m = 0; m < markers; ++m) {
      const auto a = static_cast<std::uint32_t>(codes[2 * m]);
      const auto b = static_cast<std::uint32_t>(codes[2 * m + 1]);
      bits[m] |= std::uint64_t{1} << (a & 63) | std::uint64_t{1} << (b & 63);
      unusual |= (a >= 64) | (b >= 64);
    }
  }
  part.unusual = unusual != 0;
  return part;
}

void addAlleleBits(AlleleBits& all, const AlleleBits& part) {
  for (std::size_t m = 0; m < all.seen.size(); ++m) {
    all.seen[m] |= part.seen[m];
  }
  all.unusual = all.unusual || part.unusual;
}

std::vector<std::vector<int>> markerAlleleLists(const PedTable& table, int first, int last, const AlleleBits& bits) {
  // Any code but 0 to 63 sends the whole call the careful way.
  if (bits.unusual) {
    return markerAlleleListsOfAnyCodes(table, first, last);
  }
  std::vector<std::vector<int>> lists(bits.seen.size());
  for (std::size_t m = 0; m < lists.size(); ++m) {
    appendCodesOfBits(bits.seen[m] & ~std::uint64_t{1}, lists[m]);
  }
  return lists;
}

std::vector<int> allelesOfCodes(const std::vector<std::int32_t>& codes) {
  // Codes 0 to 63 marked in bit sets (0, missing, dropped after), four side
  // by side so that no one OR waits for the last; any other code sends the
  // list the careful way.
  std::uint64_t seen[4] = {0, 0, 0, 0};
  std::uint32_t unusual = 0;
  const std::size_t n = codes.size();
  std::size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    for (std::size_t j = 0; j < 4; ++j) {
      const auto c = static_cast<std::uint32_t>(codes[i + j]);
      seen[j] |= std::uint64_t{1} << (c & 63);
      unusual |= c >> 6;
    }
  }
  for (; i < n; ++i) {
    const auto c = static_cast<std::uint32_t>(codes[i]);
    seen[0] |= std::uint64_t{1} << (c & 63);
    unusual |= c >> 6;
  }
  std::vector<int> list;
  if (unusual == 0) {
    appendCodesOfBits((seen[0] | seen[1] | seen[2] | seen[3]) & ~std::uint64_t{1}, list);
    return list;
  }
  for (const std::int32_t code : codes) {
    if (code > 0 && !listed(list, code)) {
      list.push_back(code);
    }
  }
  std::sort(list.begin(), list.end());
  return list;
}

void alleles(AllelePairs& pairs, const std::vector<int>& members,
             const std::vector<int>& alleleList, const PedTable& table, int column, int k) {
  const long tested = alleleList[k];
  pairs.assign(members.size(), {0, 0});
  for (std::size_t i = 0; i < members.size(); ++i) {
    const PedRow row = table[members[i]];
    const int copies = (row[column] == tested) + (row[column + 1] == tested);
    pairs[i] = {copies, 2 - copies};
  }
}

void alleles(AlleleMatrix& matrix, const std::vector<int>& members,
             const std::vector<int>& alleleList, const PedTable& table, int column) {
  matrix.assign(members.size(), std::vector<int>(alleleList.size(), 0));
  for (std::size_t i = 0; i < members.size(); ++i) {
    const PedRow row = table[members[i]];
    for (std::size_t j = 0; j < alleleList.size(); ++j) {
      matrix[i][j] = (row[column] == alleleList[j]) + (row[column + 1] == alleleList[j]);
    }
  }
}

void mapa(int motherPos, int fatherPos, int* motherKinds, int& fatherKind, const AllelePairs& pairs) {
  if (fatherPos != -1) {
    const auto& p = pairs[fatherPos];
    fatherKind = p[0] == 2 ? 0 : (p[1] == 2 ? 1 : -2);
  }
  if (motherPos != -1) {
    const auto& p = pairs[motherPos];
    if (p[0] == 2) {
      motherKinds[0] = motherKinds[1] = 0;
    } else if (p[1] == 2) {
      motherKinds[0] = motherKinds[1] = 1;
    } else if (p[0] == 1 || p[1] == 1) {
      motherKinds[0] = 0;
      motherKinds[1] = 1;
    }
  }
}

int checkgenos(const AllelePairs& pairs, const std::vector<int>& sons,
               const std::vector<int>& daughters, int fatherPos, int motherPos) {
  int result = 1;
  int motherKinds[2] = {0, 0};
  int fatherKind = 0;
  mapa(motherPos, fatherPos, motherKinds, fatherKind, pairs);
  const bool motherKnown = motherPos != -1;
  const bool fatherKnown = fatherPos != -1;
  auto carriesMotherKind = [&](int child) {
    return pairs[child][motherKinds[0]] > 0 || pairs[child][motherKinds[1]] > 0;
  };
  // A homozygous mother gives every daughter the same allele from her side.
  if (motherKnown && (pairs[motherPos][0] == 2 || pairs[motherPos][1] == 2)) {
    for (int d : daughters) {
      if (pairs[d] != pairs[daughters.front()]) {
        result = 0;
      }
    }
  }
  if (motherKnown) {
    for (int d : daughters) {
      if (!carriesMotherKind(d)) {
        result = 0;
      }
    }
  }
  if (fatherKnown) {
    if (fatherKind == -2) {
      result = 0;
    } else {
      for (int d : daughters) {
        if (pairs[d][fatherKind] == 0) {
          result = 0;  // every daughter carries her father's X
        }
      }
    }
  }
  if (motherKnown) {
    for (int s : sons) {
      if (!carriesMotherKind(s)) {
        result = 0;
      }
    }
  }
  // A son has one X chromosome, written as two equal alleles.
  for (int s : sons) {
    if (pairs[s][0] == 1 || pairs[s][1] == 1) {
      result = 0;
    }
  }
  return result;
}
