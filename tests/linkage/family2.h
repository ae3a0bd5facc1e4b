// Test families for the linkage-null autosomal test, written as genotypes of
// letters (A = allele 1, B = 2, ...): typed parents first, then children.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "family/codings.h"
#include "linkage/types.h"

struct Family2 {
  std::vector<std::string> genotypes;  // per member, two letters
  std::vector<int> parents;
  std::vector<int> children;
  std::vector<int> affection;
  std::vector<int> familyAlleles;
  std::vector<int> childAlleles;
  AlleleMatrix counts;
  FamilyType2 type;

  // children: (genotype, affected). The family is typed on construction.
  Family2(const std::vector<std::string>& typedParents,
          const std::vector<std::pair<std::string, int>>& kids) {
    for (const std::string& g : typedParents) {
      parents.push_back(add(g, 0));
    }
    for (const auto& [g, affected] : kids) {
      children.push_back(add(g, affected));
    }
    std::vector<int> everyone(genotypes.size());
    for (std::size_t i = 0; i < everyone.size(); ++i) {
      everyone[i] = static_cast<int>(i);
    }
    familyAlleles = allelesOf(everyone);
    childAlleles = allelesOf(children);
    for (const std::string& g : genotypes) {
      std::vector<int> row;
      for (int a : familyAlleles) {
        row.push_back((code(g[0]) == a) + (code(g[1]) == a));
      }
      counts.push_back(row);
    }
    type2(counts, familyAlleles, parents, children, childAlleles, type);
    params(type, counts, alleleCount(), children, parents);
  }

  int alleleCount() const { return static_cast<int>(familyAlleles.size()); }

  // Position of an allele letter in the family's allele list.
  int position(char letter) const {
    return static_cast<int>(std::find(familyAlleles.begin(), familyAlleles.end(), code(letter)) -
                            familyAlleles.begin());
  }

  // The possible genotypes in index order, as letter pairs read from the columns.
  std::vector<std::string> possibleGenotypes() const {
    std::vector<std::string> out;
    for (int g = 0; g < type.possibleCount; ++g) {
      std::string s;
      for (int j = 0; j < alleleCount(); ++j) {
        s.append(static_cast<std::size_t>(type.columns[j][g]), static_cast<char>('A' + familyAlleles[j] - 1));
      }
      out.push_back(s);
    }
    return out;
  }

  // '-' writes a negative code, which no allele list holds.
  static int code(char letter) { return letter == '-' ? -1 : letter - 'A' + 1; }

 private:
  int add(const std::string& g, int affected) {
    genotypes.push_back(g);
    affection.push_back(affected);
    return static_cast<int>(genotypes.size()) - 1;
  }

  // Ascending distinct positive codes of the given members.
  std::vector<int> allelesOf(const std::vector<int>& members) const {
    std::vector<int> list;
    for (int i : members) {
      for (char c : genotypes[i]) {
        if (code(c) > 0 && std::find(list.begin(), list.end(), code(c)) == list.end()) {
          list.push_back(code(c));
        }
      }
    }
    std::sort(list.begin(), list.end());
    return list;
  }
};
